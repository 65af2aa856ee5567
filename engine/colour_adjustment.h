// Brightness and contrast of the converted pictures.
#pragma once

extern "C" {
struct SwsContext;
}

namespace moksel {

// Sets a converter's colour details again, unchanged except brightness and contrast taken from
// the playback record: brightness (b - 50) x 655 and contrast c x 655 + 32786 in 16.16 fixed
// point, so 50/50 is the neutral 0 / 1.0. Caller holds the camera's picture lock.
void applyColourMapping(SwsContext* converter);

// Applies the current brightness and contrast to the four converters that exist; the next
// converted picture shows the change. UI thread, after it changed brightness or contrast (the
// still pictures are re-rendered with changeFrontZoom(0) while paused).
void applyColourAdjustment();

}  // namespace moksel
