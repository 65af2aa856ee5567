#include "engine/picture_converter.h"

#include <cstring>

#include "engine/colour_adjustment.h"
#include "engine/engine_context.h"
#include "engine/playback_state.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

namespace moksel {

int convertedWidth(int width) { return (width + 1) & ~1; }

size_t pictureBufferBytes(PictureSize size) {
    return static_cast<size_t>(size.width) * 4 * static_cast<size_t>(size.height) + kPictureBufferSlack;
}

static bool makeConverter(CameraPictures& cam, int camera, int sizeIndex, int width, int height,
                          int format) {
    const PictureSize size = pictureSizes[camera][sizeIndex];
    SwsContext* converter = sws_getCachedContext(
        cam.converters[sizeIndex], width, height, static_cast<AVPixelFormat>(format),
        convertedWidth(size.width), size.height, AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR, nullptr,
        nullptr, nullptr);
    cam.converters[sizeIndex] = converter;
    if (!converter) {
        cam.converterFormat[sizeIndex] = -1;
        return false;
    }
    cam.converterWidth[sizeIndex] = width;
    cam.converterHeight[sizeIndex] = height;
    cam.converterFormat[sizeIndex] = format;
    applyColourMapping(converter);
    return true;
}

bool createConverters(EngineContext& context, int camera) {
    CameraPictures& cam = context.cameras[camera];
    if (!cam.decoder) return false;
    for (int sizeIndex = 0; sizeIndex < 2; ++sizeIndex) {
        if (!makeConverter(cam, camera, sizeIndex, cam.decoder->width, cam.decoder->height,
                           cam.decoder->pix_fmt)) {
            return false;
        }
    }
    return true;
}

void freeConverters(CameraPictures& camera) {
    for (int sizeIndex = 0; sizeIndex < 2; ++sizeIndex) {
        sws_freeContext(camera.converters[sizeIndex]);
        camera.converters[sizeIndex] = nullptr;
        camera.converterFormat[sizeIndex] = -1;
    }
}

uint8_t* convertPicture(EngineContext& context, int camera, int sizeIndex) {
    CameraPictures& cam = context.cameras[camera];
    const AVFrame* frame = cam.decoded;
    if (!frame || !frame->data[0] || frame->width <= 0 || frame->height <= 0) return nullptr;
    if (!cam.converters[sizeIndex] || frame->width != cam.converterWidth[sizeIndex] ||
        frame->height != cam.converterHeight[sizeIndex] ||
        frame->format != cam.converterFormat[sizeIndex]) {
        if (!makeConverter(cam, camera, sizeIndex, frame->width, frame->height, frame->format)) {
            return nullptr;
        }
    }
    // An odd picture width is converted one column wider, row after row at the picture's own
    // row length: each row's extra pixel lands on the first pixel of the next row, which that
    // row then overwrites, and the last row's extra pixel falls into the buffer's slack. The
    // converter has a much slower path for odd widths (full chroma interpolation), and the
    // picture loses only the rightmost 1/488 of the scene.
    uint8_t* buffer = cam.buffers[sizeIndex];
    uint8_t* planes[4] = {buffer, nullptr, nullptr, nullptr};
    int strides[4] = {pictureSizes[camera][sizeIndex].width * 4, 0, 0, 0};
    sws_scale(cam.converters[sizeIndex], frame->data, frame->linesize, 0, frame->height, planes,
              strides);
    return buffer;
}

void applyRearFlips(EngineContext& context, uint8_t* pixels, int width, int height) {
    if (!pixels) return;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    const size_t bytes = rowBytes * static_cast<size_t>(height);
    uint8_t* scratch = context.flipScratch.data();
    if (context.flipScratch.size() < bytes) return;
    if (playbackState.flipVertical.load()) {
        for (int y = 0; y < height; ++y) {
            std::memcpy(scratch + rowBytes * static_cast<size_t>(height - 1 - y),
                        pixels + rowBytes * static_cast<size_t>(y), rowBytes);
        }
        std::memcpy(pixels, scratch, bytes);
    }
    if (playbackState.mirrorHorizontal.load()) {
        for (int y = 0; y < height; ++y) {
            const uint32_t* from = reinterpret_cast<const uint32_t*>(pixels + rowBytes * y);
            uint32_t* to = reinterpret_cast<uint32_t*>(scratch + rowBytes * y);
            for (int x = 0; x < width; ++x) to[width - 1 - x] = from[x];
        }
        std::memcpy(pixels, scratch, bytes);
    }
}

}  // namespace moksel
