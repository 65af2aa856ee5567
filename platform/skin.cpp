#include "platform/skin.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>

namespace moksel {
namespace {

QString resourcePath(int number, bool twice) {
    return QStringLiteral(":/skin/%1%2.png").arg(number).arg(twice ? "@2x" : "");
}

}  // namespace

QPixmap skinBitmap(int number) {
    static QHash<int, QPixmap> cache;
    auto found = cache.constFind(number);
    if (found != cache.constEnd()) return *found;

    QPixmap pixmap;
    const bool dense = qApp != nullptr && qApp->devicePixelRatio() > 1.0;
    if (dense && pixmap.load(resourcePath(number, true))) {
        pixmap.setDevicePixelRatio(2.0);
    } else {
        pixmap.load(resourcePath(number, false));
    }
    cache.insert(number, pixmap);
    return pixmap;
}

QImage skinImage(int number) { return QImage(resourcePath(number, false)); }

bool hasSkinBitmap(int number) { return QFile::exists(resourcePath(number, false)); }

}  // namespace moksel
