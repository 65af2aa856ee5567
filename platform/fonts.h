// Fonts chosen the way the skin's texts ask for them: a face name, a pixel height and a weight
// (100..900, 400 normal, 700 bold). A negative height is the character height in pixels, a
// positive one the cell height (ascent plus descent), as the skin's layouts were measured. Faces the desktop lacks fall back to installed twins:
// "Arial" to Liberation Sans, "돋움" (and other Korean system faces) to NanumGothic.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace moksel {

QString fontFamilyFor(const QString& face);
QFont skinFont(const QString& face, int pixelHeight, int weight = 400);

// `font`, narrowed (horizontal stretch, at most to half) just enough that every sample text
// fits `width` pixels; unchanged when they already fit.
QFont fontFittingWidth(const QFont& font, const QStringList& samples, qreal width);

}  // namespace moksel
