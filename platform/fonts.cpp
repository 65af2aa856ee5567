#include "platform/fonts.h"

#include <QFontMetricsF>
#include <QStringList>
#include <algorithm>

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
        // The largest character size whose cell still fits the height asked for.
        int em = pixelHeight;
        for (; em > 1; --em) {
            font.setPixelSize(em);
            const QFontMetricsF metrics(font);
            if (metrics.ascent() + metrics.descent() <= pixelHeight + 0.01) break;
        }
        font.setPixelSize(em);
    }
    font.setWeight(static_cast<QFont::Weight>(weight < 100 ? 400 : (weight > 900 ? 900 : weight)));
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QFont fontFittingWidth(const QFont& font, const QStringList& samples, qreal width) {
    auto widest = [&samples](const QFont& f) {
        const QFontMetricsF metrics(f);
        qreal result = 0;
        for (const QString& sample : samples) result = std::max(result, metrics.horizontalAdvance(sample));
        return result;
    };
    QFont fitted = font;
    for (int stretch = 100; stretch >= 50; --stretch) {
        fitted.setStretch(stretch);
        if (widest(fitted) <= width) return fitted;
    }
    return fitted;
}

}  // namespace moksel
