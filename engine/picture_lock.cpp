#include "engine/picture_lock.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "engine/engine_context.h"

namespace moksel {

std::mutex& pictureLock(int camera) {
    static std::mutex locks[2];
    return locks[camera == 0 ? 0 : 1];
}

PictureSize pictureSizeOf(int camera, const uint8_t* pixels) {
    camera = camera == 0 ? 0 : 1;
    const PictureSize view = pictureSizes[camera][kViewSizeIndex];
    const PictureSize large = pictureSizes[camera][kLargeSizeIndex];
    if (pixels == nullptr) return view;
    EngineContext* context = engineContext.load();
    if (!context) {
        // No engine (pictures set by hand): nothing converts meanwhile, the records are current.
        const bool isLarge = pixels == largePicture(camera).load() || sizeIndexOf(camera).load() == kLargeSizeIndex;
        return isLarge ? large : view;
    }
    const bool isLarge = pixels == context->cameras[camera].buffers[kLargeSizeIndex] ||
                         pixels == largePicture(camera).load();
    return isLarge ? large : view;
}

double pictureAspect(int camera) {
    constexpr double kUsual = 16.0 / 9.0;
    EngineContext* context = engineContext.load();
    if (!context) return kUsual;
    const AVCodecContext* decoder = context->cameras[camera == 0 ? 0 : 1].decoder;
    if (!decoder || decoder->width <= 0 || decoder->height <= 0) return kUsual;
    double aspect = static_cast<double>(decoder->width) / decoder->height;
    const AVRational shape = decoder->sample_aspect_ratio;
    if (shape.num > 0 && shape.den > 0) aspect *= av_q2d(shape);
    return aspect > 0.2 && aspect < 5.0 ? aspect : kUsual;
}

}  // namespace moksel
