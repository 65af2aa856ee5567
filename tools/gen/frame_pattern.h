// Frame pictures of the sample recordings and the reader of their frame-number pattern.
//
// Every generated frame carries a machine-readable mark: a strip of large black and white cells
// in the top part of the picture that encodes the frame's number (0-based index of the frame in
// its own video stream, 0..65535) and its camera (front or rear). Beside it the number is drawn
// as large seven-segment digits for people.
//
// The strip has 27 columns of two cells each; a column holds one bit as a pair (white over black
// = 1, black over white = 0), so a bit is read by comparing two neighbouring cells and no
// brightness threshold is needed. Columns: start marker 1,1,0; 16 bits of the frame number, most
// significant first; the camera bit (1 = rear); a 4-bit CRC (x^4 + x + 1) over those 17 bits;
// stop marker 0,1,0. The markers differ under left-right mirroring and the pair order inverts
// under upside-down flipping, so a picture shown mirrored or flipped is either recognised in its
// orientation or rejected, never misread.
//
// Geometry (fractions of the picture's width and height, the same at every size): columns span
// x 0.04..0.96, the upper cells y 0.06..0.17 and the lower cells y 0.17..0.28. The reader averages
// the middle of each cell, so it tolerates scaling (fast bilinear to 487x311 included, whose
// rightward drift it allows for, from pictures as small as 64x36), video compression, an offset
// of up to a quarter cell and brightness/contrast changes that leave white and black at least
// 16 levels apart. A picture to read must be the whole video picture
// (for a screenshot: the view's rectangle, cropped by the caller).
//
// Thread contract: plain functions without shared state; safe from any thread.
#pragma once

#include <cstdint>

namespace moksel::gen {

enum class Camera { Front = 0, Rear = 1 };

inline constexpr int kMaxPatternFrameNumber = 65535;

// A picture in planar YUV 4:2:0 (limited range, BT.601), as the video encoder takes it.
struct YuvPicture {
    uint8_t* planes[3] = {nullptr, nullptr, nullptr};
    int strides[3] = {0, 0, 0};  // bytes per row of each plane
    int width = 0;
    int height = 0;
};

// Draws a complete frame: the camera's scene (front and rear differ in colours and in the
// direction the lane marks move), the readable pattern and the digits. `frameNumber` must lie in
// 0..kMaxPatternFrameNumber. The lane marks stand at `travelledM` metres of road; a negative
// value moves them by the frame number instead.
void drawFrame(YuvPicture& picture, int frameNumber, Camera camera, double travelledM = -1.0);

// Draws only the pattern strip (used by drawFrame; tests use it on plain pictures).
void drawPattern(YuvPicture& picture, int frameNumber, Camera camera);

// Orientations the reader may try, as bit flags.
enum Orientation : unsigned {
    kUpright = 1u,
    kMirrored = 2u,         // left and right exchanged
    kFlipped = 4u,          // upside down
    kMirroredFlipped = 8u,  // both, i.e. turned by 180 degrees
    kAnyOrientation = 15u,
};

struct FrameMark {
    int frameNumber = -1;
    Camera camera = Camera::Front;
    Orientation orientation = kUpright;  // the orientation the mark was found in
};

// Reads the mark from a 32-bit BGRA picture (bytes B, G, R, A; rows top to bottom). Tries the
// allowed orientations in the order upright, mirrored, flipped, both. Returns false when no
// orientation gives valid markers and CRC.
bool readFrameMark(const uint8_t* bgra, int width, int height, int strideBytes, FrameMark& mark,
                   unsigned orientations = kAnyOrientation);

// The same from an 8-bit luminance plane (for example the Y plane of a decoded frame).
bool readFrameMarkLuma(const uint8_t* luma, int width, int height, int strideBytes, FrameMark& mark,
                       unsigned orientations = kAnyOrientation);

// The frame number of a BGRA picture in any orientation, or -1 when it cannot be read.
int readFrameNumber(const uint8_t* bgra, int width, int height, int strideBytes);

// The camera (0 front, 1 rear) of a BGRA picture in any orientation, or -1 when unreadable.
int readFrameCamera(const uint8_t* bgra, int width, int height, int strideBytes);

// CRC-4 (polynomial x^4 + x + 1, initial value 0) over the `bitCount` low bits of `value`, most
// significant first. Exposed for tests.
unsigned patternCrc4(uint32_t value, int bitCount);

}  // namespace moksel::gen
