// The skin bitmaps compiled into the program. Linking moksel_skin is enough for the pictures to
// be found at ":/skin/<number>.png" (and "@2x"); the icon set is at ":/skin/icon-<size>.png".
#pragma once

namespace moksel {

// Number of skin bitmaps compiled in (each also at @2x).
int skinBitmapCount();

}  // namespace moksel
