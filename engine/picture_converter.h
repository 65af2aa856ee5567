// Converting the camera's last decoded picture to BGRA at a picture size, plus the rear
// picture's flips. Caller holds the camera's picture lock for all of these.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/playback_state.h"

namespace moksel {

struct EngineContext;
struct CameraPictures;

// Pictures of odd width are converted at the next even width (see convertPicture); the picture
// buffers carry this many spare bytes after their last row for the extra column and for
// converters that write a few pixels past the row end.
constexpr size_t kPictureBufferSlack = 256;
int convertedWidth(int width);
size_t pictureBufferBytes(PictureSize size);

// Creates the two converters of a camera for its decoder's picture format, each followed by the
// colour mapping. Returns false when one cannot be created.
bool createConverters(EngineContext& context, int camera);
void freeConverters(CameraPictures& camera);

// Converts the camera's decoded frame into the buffer of the size index and returns that
// buffer; null (nothing written) while the decoder has produced no picture yet.
uint8_t* convertPicture(EngineContext& context, int camera, int sizeIndex);

// Upside-down flip, then left-right mirror, of a w x h BGRA picture as the playback record asks.
void applyRearFlips(EngineContext& context, uint8_t* pixels, int width, int height);

}  // namespace moksel
