#include "engine/picture_lock.h"

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

}  // namespace moksel
