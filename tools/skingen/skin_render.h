// Turns skin descriptions into pixels: one bitmap at a density, the icon set, and the two
// review pictures (contact sheet, main window preview).
#pragma once

#include "skin_kit.h"

#include <QImage>

namespace skin {

// The bitmap at `scale` times its size, opaque 24-bit colour. Colour-keyed bitmaps carry their
// key exactly on the uncovered pixels and nowhere else.
QImage render(const SkinEntry& entry, int scale);

// Application icon sizes written next to the bitmaps.
const std::vector<int>& iconSizes();
QImage renderIcon(int size);

// Every bitmap at 1x with its number and size under it.
QImage contactSheet();

// The main window at start: background, every shown button's normal bitmap and each pane's
// resting bitmap at its place.
QImage mainWindowPreview();

}  // namespace skin
