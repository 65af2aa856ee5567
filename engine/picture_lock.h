// The camera picture locks: one mutex per camera that guards the camera's decoder, its decoded
// frame, its converters and the pixels of its picture buffers.
//
// Who holds it:
// - the decoder thread of that camera while it decodes one packet and converts the picture;
// - the still operations and frame steps while they decode and convert;
// - open and close while they swap the camera's packets and decoder;
// - every painter of that camera's pictures, for the length of the paint. The enlarged window
//   MUST hold it while it reads the large picture it was told about by UM_ENLARGED_FRAME: the
//   decoder converts the next frame into the same buffer, and the lock is what keeps a paint
//   from showing a half-written picture. The views may hold it too (a decoder's synchronous
//   repaint happens after the decoder released the lock, so this never deadlocks).
//
// The engine never waits for a window (repaint, send) while it holds a picture lock, so a
// painter on the UI thread may block on the lock without deadlock. Hold it briefly: a paint,
// a copy; never across a message box or another lock.
#pragma once

#include <cstdint>
#include <mutex>

#include "engine/playback_state.h"

namespace moksel {

std::mutex& pictureLock(int camera);

// Scoped lock for painters: `auto guard = lockCameraPictures(kRearCamera);`
inline std::unique_lock<std::mutex> lockCameraPictures(int camera) {
    return std::unique_lock<std::mutex>(pictureLock(camera));
}

// The size of a camera picture a painter holds (lock held): the large size only for the large
// buffer, else the view size. The picture's size index may change before the picture does
// (a zoom while playing is shown with the next frame), so a painter never trusts the index.
PictureSize pictureSizeOf(int camera, const uint8_t* pixels);

// Width over height of the camera's recorded picture as it is meant to be seen (its pixels'
// own shape counted); 16:9 while no picture is open. Lock held.
double pictureAspect(int camera);

}  // namespace moksel
