// Decoding the picture a camera must show: by its number in the packet index (presentation
// order), whatever the decoder was fed before. The decoder is continued when the picture lies
// ahead of the last one decoded with no key picture between them, and otherwise flushed and fed
// again from the key picture at or before it; pictures the decoder holds back (reordered
// pictures, frame threads) are drained as needed, so the picture that comes out is always the
// one asked for, never a packet decoded twice or a picture from before a jump.
//
// Thread contract: the caller holds the camera's picture lock.
#pragma once

namespace moksel {

struct CameraPictures;

// Makes camera.decoded the picture numbered `number` (1..count of the camera's index). Returns
// whether decoded now holds that picture; false when the decoder produced no usable picture
// for it (damaged data), decoded then keeps the last picture it had.
bool decodePicture(CameraPictures& camera, int number);

// Forgets what the decoder holds: the next picture is decoded from its key picture. Open,
// close and a decoder that returned an error use it.
void resetPictureDecoding(CameraPictures& camera);

}  // namespace moksel
