#include "resources/skin_library.h"

#include <QDir>

namespace moksel {

int skinBitmapCount() {
    int count = 0;
    for (const QString& name : QDir(QStringLiteral(":/skin")).entryList())
        if (name.endsWith(QLatin1String(".png")) && !name.contains(QLatin1Char('@')) &&
            !name.startsWith(QLatin1String("icon-")))
            ++count;
    return count;
}

}  // namespace moksel
