// Skin bitmaps by resource number. The bitmaps are drawn by the skin generator at build time
// and compiled in as Qt resources (":/skin/<number>.png", with "@2x" twins for high-density
// screens). UI thread only: pixmaps are loaded once and kept.
#pragma once

#include <QImage>
#include <QPixmap>

namespace moksel {

// The bitmap with this resource number at the screen's density; a null pixmap for a number the
// skin does not have.
QPixmap skinBitmap(int number);

// The same bitmap at its nominal size as an image (for pixel work and tests).
QImage skinImage(int number);

// Whether the skin has a bitmap with this number.
bool hasSkinBitmap(int number);

}  // namespace moksel
