#include "platform/fonts.h"

#include <QFontMetricsF>
#include <QStringList>
#include <cmath>

namespace moksel {

QString fontFamilyFor(const QString& face) {
    static const QStringList korean = {QStringLiteral("돋움"), QStringLiteral("돋움체"),
                                       QStringLiteral("굴림"), QStringLiteral("굴림체"),
                                       QStringLiteral("Dotum"), QStringLiteral("Gulim"),
                                       QStringLiteral("맑은 고딕")};
    if (korean.contains(face)) return QStringLiteral("NanumGothic");
    if (face.compare(QStringLiteral("Arial"), Qt::CaseInsensitive) == 0 || face.isEmpty()) {
        return QStringLiteral("Liberation Sans");
    }
    return face;
}

QFont skinFont(const QString& face, int pixelHeight, int weight) {
    QFont font(fontFamilyFor(face));
    // A negative height asks for the character (em) height; a positive one for the cell height,
    // ascent plus descent, which is larger than the em by the face's own proportion.
    if (pixelHeight <= 0) {
        font.setPixelSize(pixelHeight < 0 ? -pixelHeight : 12);
    } else {
        font.setPixelSize(pixelHeight);
        const QFontMetricsF metrics(font);
        const qreal cell = metrics.ascent() + metrics.descent();
        const int em = cell > 0 ? static_cast<int>(std::lround(pixelHeight * pixelHeight / cell))
                                : pixelHeight;
        font.setPixelSize(em > 0 ? em : 1);
    }
    font.setWeight(static_cast<QFont::Weight>(weight < 100 ? 400 : (weight > 900 ? 900 : weight)));
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

}  // namespace moksel
