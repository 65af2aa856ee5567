// Saving a camera's large picture as a JPEG file at quality 100.
//
// Thread contract: any thread; the caller keeps the pixels unchanged during the call (the views
// hold the camera's picture lock while they copy the picture).
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>

namespace moksel {

// Wraps packed BGRA rows (top to bottom) as an image without copying them.
QImage wrapBgraPicture(const uint8_t* pixels, int width, int height);

// Writes `picture` to `path` as a JPEG at quality 100. Returns false when the file could not be
// written (no permission, no space, a folder of that name); `error` then says why.
bool saveJpeg(const QImage& picture, const QString& path, QString* error = nullptr);

}  // namespace moksel
