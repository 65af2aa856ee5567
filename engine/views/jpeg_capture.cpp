#include "engine/views/jpeg_capture.h"

#include <QImageWriter>
#include <QSaveFile>

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
    // Written to a temporary file beside the destination and put in its place only when whole:
    // a full or failing disk leaves no cut-off picture behind (and an older file as it was).
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    QImageWriter writer(&file, "jpg");
    writer.setQuality(100);
    if (!writer.write(picture)) {
        if (error) *error = writer.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace moksel
