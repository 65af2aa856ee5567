#include "engine/views/jpeg_capture.h"

#include <QImageWriter>

namespace moksel {

QImage wrapBgraPicture(const uint8_t* pixels, int width, int height) {
    // BGRA bytes in memory are 0xAARRGGBB words on little-endian machines: Qt's RGB32 layout.
    return QImage(pixels, width, height, width * 4, QImage::Format_RGB32);
}

bool saveJpeg(const QImage& picture, const QString& path, QString* error) {
    if (picture.isNull() || path.isEmpty()) {
        if (error) *error = QStringLiteral("no picture or no file name");
        return false;
    }
    QImageWriter writer(path, "jpg");
    writer.setQuality(100);
    if (!writer.write(picture)) {
        if (error) *error = writer.errorString();
        return false;
    }
    return true;
}

}  // namespace moksel
