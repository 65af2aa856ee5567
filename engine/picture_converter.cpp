#include "engine/picture_converter.h"

#include <libyuv/convert_argb.h>
#include <libyuv/scale.h>

#include <cstring>
#include <vector>

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

bool convertCameraPicture(const AVFrame& frame, uint8_t* pixels, int width, int height) {
    const bool fullRange = frame.format == AV_PIX_FMT_YUVJ420P;
    if ((frame.format != AV_PIX_FMT_YUV420P && !fullRange) || width <= 0 || height <= 0 ||
        playbackState.brightness.load() != 50 || playbackState.contrast.load() != 50) {
        return false;
    }
    // Shrunk (or grown) in YUV, where a picture holds half the bytes, then turned into BGRA at
    // the view's size; the scratch planes belong to the converting thread.
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    const size_t lumaBytes = static_cast<size_t>(width) * static_cast<size_t>(height);
    const size_t chromaBytes = static_cast<size_t>(chromaWidth) * static_cast<size_t>(chromaHeight);
    thread_local std::vector<uint8_t> planes;
    planes.resize(lumaBytes + 2 * chromaBytes);
    uint8_t* y = planes.data();
    uint8_t* u = y + lumaBytes;
    uint8_t* v = u + chromaBytes;
    if (libyuv::I420Scale(frame.data[0], frame.linesize[0], frame.data[1], frame.linesize[1], frame.data[2],
                          frame.linesize[2], frame.width, frame.height, y, width, u, chromaWidth, v,
                          chromaWidth, width, height, libyuv::kFilterBilinear) != 0) {
        return false;
    }
    const auto toBgra = fullRange ? libyuv::J420ToARGB : libyuv::I420ToARGB;
    return toBgra(y, width, u, chromaWidth, v, chromaWidth, pixels, width * 4, width, height) == 0;
}

uint8_t* convertPicture(EngineContext& context, int camera, int sizeIndex) {
    CameraPictures& cam = context.cameras[camera];
    const AVFrame* frame = cam.decoded;
    if (!frame || !frame->data[0] || frame->width <= 0 || frame->height <= 0) return nullptr;
    const PictureSize size = pictureSizes[camera][sizeIndex];
    if (convertCameraPicture(*frame, cam.buffers[sizeIndex], size.width, size.height)) {
        return cam.buffers[sizeIndex];
    }
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
