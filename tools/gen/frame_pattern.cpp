#include "frame_pattern.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <tuple>
#include <utility>

namespace moksel::gen {
namespace {

// Pattern layout, in fractions of the picture (see the header).
constexpr int kColumns = 27;
constexpr int kNumberBits = 16;
constexpr int kDataBits = kNumberBits + 1;  // number + camera
constexpr int kCrcBits = 4;
constexpr std::array<int, 3> kStartMarker = {1, 1, 0};
constexpr std::array<int, 3> kStopMarker = {0, 1, 0};
constexpr double kLeft = 0.04, kRight = 0.96;
constexpr double kTop = 0.06, kMiddle = 0.17, kBottom = 0.28;

// Fast bilinear upscaling of a small picture shifts its content to the right, more the further
// right it lies (by up to a column's width from 64x36 to 487x311). The reader tries these
// stretches of the picture in turn; each must still pass markers and CRC.
constexpr double kStretches[] = {0.0, 0.01, 0.02, 0.03, 0.04, -0.01};

// Reader limits, in luminance levels (0..255).
constexpr int kMinimumSpread = 16;  // white and black must be at least this far apart
constexpr int kMinimumPairStep = 6;

struct Yuv {
    uint8_t y, u, v;
};

// BT.601 limited range.
constexpr Yuv rgb(int r, int g, int b) {
    const double y = 16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255.0;
    const double u = 128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0;
    const double v = 128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255.0;
    return Yuv{static_cast<uint8_t>(y + 0.5), static_cast<uint8_t>(u + 0.5),
               static_cast<uint8_t>(v + 0.5)};
}

constexpr Yuv kWhite{235, 128, 128};
constexpr Yuv kBlack{16, 128, 128};

struct Palette {
    Yuv sky, road, horizon, laneMark, digits;
};

constexpr Palette kFrontPalette{rgb(70, 115, 170), rgb(58, 58, 64), rgb(30, 30, 30),
                                rgb(230, 210, 60), kWhite};
constexpr Palette kRearPalette{rgb(165, 95, 60), rgb(80, 64, 52), rgb(40, 25, 20),
                               rgb(240, 240, 240), rgb(255, 235, 150)};

int scaled(double fraction, int size) {
    return static_cast<int>(std::lround(fraction * size));
}

// Fills [x0, x1) x [y0, y1) with a colour; chroma covers the 2x2 blocks the rectangle touches.
void fillRect(YuvPicture& p, int x0, int y0, int x1, int y1, Yuv c) {
    x0 = std::clamp(x0, 0, p.width);
    x1 = std::clamp(x1, 0, p.width);
    y0 = std::clamp(y0, 0, p.height);
    y1 = std::clamp(y1, 0, p.height);
    if (x0 >= x1 || y0 >= y1) return;
    for (int y = y0; y < y1; ++y) std::memset(p.planes[0] + y * p.strides[0] + x0, c.y, x1 - x0);
    const int cx0 = x0 / 2, cx1 = (x1 + 1) / 2, cy0 = y0 / 2, cy1 = (y1 + 1) / 2;
    for (int y = cy0; y < cy1; ++y) {
        std::memset(p.planes[1] + y * p.strides[1] + cx0, c.u, cx1 - cx0);
        std::memset(p.planes[2] + y * p.strides[2] + cx0, c.v, cx1 - cx0);
    }
}

// Seven-segment masks: bit 0 = a (top), b, c, d, e, f, bit 6 = g (middle).
constexpr std::array<uint8_t, 10> kDigitSegments = {63, 6, 91, 79, 102, 109, 125, 7, 127, 111};
constexpr uint8_t kLetterF = 113;
constexpr uint8_t kLetterR = 80;

void drawSegments(YuvPicture& p, int x, int y, int w, int h, int t, uint8_t mask, Yuv c) {
    const int mid = y + h / 2;
    if (mask & 1) fillRect(p, x, y, x + w, y + t, c);
    if (mask & 2) fillRect(p, x + w - t, y, x + w, mid, c);
    if (mask & 4) fillRect(p, x + w - t, mid, x + w, y + h, c);
    if (mask & 8) fillRect(p, x, y + h - t, x + w, y + h, c);
    if (mask & 16) fillRect(p, x, mid, x + t, y + h, c);
    if (mask & 32) fillRect(p, x, y, x + t, mid, c);
    if (mask & 64) fillRect(p, x, mid - t / 2, x + w, mid - t / 2 + t, c);
}

void drawDigits(YuvPicture& p, int frameNumber, Camera camera, Yuv colour) {
    const int h = std::max(5, scaled(0.22, p.height));
    const int w = std::max(3, h / 2);
    const int t = std::max(1, h / 8);
    const int step = w + std::max(1, w / 3);
    int x = scaled(0.06, p.width);
    const int y = scaled(0.38, p.height);
    drawSegments(p, x, y, w, h, t, camera == Camera::Front ? kLetterF : kLetterR, colour);
    x += step + step / 2;
    char text[16];
    std::snprintf(text, sizeof text, "%d", frameNumber);
    for (const char* c = text; *c; ++c, x += step)
        drawSegments(p, x, y, w, h, t, kDigitSegments[*c - '0'], colour);
}

void drawScene(YuvPicture& p, int frameNumber, double travelledM, const Palette& pal,
               bool marksComeCloser) {
    const int horizon = scaled(0.55, p.height);
    fillRect(p, 0, 0, p.width, horizon, pal.sky);
    fillRect(p, 0, horizon, p.width, p.height, pal.road);
    fillRect(p, 0, horizon, p.width, horizon + std::max(1, p.height / 120), pal.horizon);
    // Dashed centre line whose dashes travel with the frame number: down the picture for the
    // front camera (the road comes closer), up for the rear camera (the road recedes).
    const int period = std::max(4, scaled(0.12, p.height));
    const int dash = period / 2;
    constexpr double kMetresPerPeriod = 6.0;
    const int travel =
        travelledM >= 0
            ? static_cast<int>(std::fmod(travelledM / kMetresPerPeriod, 1.0) * period) % period
            : (frameNumber * std::max(1, period / 8)) % period;
    const int offset = marksComeCloser ? travel : period - 1 - travel;
    const int halfWidth = std::max(1, p.width / 100);
    const int cx = p.width / 2;
    for (int y = horizon - period + offset; y < p.height; y += period)
        fillRect(p, cx - halfWidth, std::max(y, horizon + 2), cx + halfWidth, y + dash,
                 pal.laneMark);
    // Edge lines.
    fillRect(p, scaled(0.12, p.width), horizon + 2, scaled(0.12, p.width) + halfWidth, p.height,
             pal.laneMark);
    fillRect(p, scaled(0.88, p.width) - halfWidth, horizon + 2, scaled(0.88, p.width), p.height,
             pal.laneMark);
}

// The 27 column bits of a frame.
std::array<int, kColumns> patternBits(int frameNumber, Camera camera) {
    std::array<int, kColumns> bits{};
    int c = 0;
    for (int b : kStartMarker) bits[c++] = b;
    const uint32_t data = (static_cast<uint32_t>(frameNumber) << 1) | static_cast<uint32_t>(camera);
    for (int i = kDataBits - 1; i >= 0; --i) bits[c++] = (data >> i) & 1;
    const unsigned crc = patternCrc4(data, kDataBits);
    for (int i = kCrcBits - 1; i >= 0; --i) bits[c++] = (crc >> i) & 1;
    for (int b : kStopMarker) bits[c++] = b;
    return bits;
}

double columnEdge(int column) {
    return kLeft + (kRight - kLeft) * column / kColumns;
}

using LumaAt = std::function<int(int x, int y)>;

// Mean luminance of the middle third (across) by middle half (down) of the cell [u0, u1) x
// [v0, v1) (fractions of the upright picture), seen through the given orientation, in a picture
// stretched to the right by `stretch` (a fraction of its width).
int cellMean(const LumaAt& luma, int width, int height, double u0, double u1, double v0, double v1,
             Orientation o, double stretch) {
    const double qu = (u1 - u0) / 3, qv = (v1 - v0) / 4;
    double xa = u0 + qu, xb = u1 - qu, ya = v0 + qv, yb = v1 - qv;
    if (o == kMirrored || o == kMirroredFlipped) {
        std::tie(xa, xb) = std::pair(1.0 - xb, 1.0 - xa);
    }
    if (o == kFlipped || o == kMirroredFlipped) {
        std::tie(ya, yb) = std::pair(1.0 - yb, 1.0 - ya);
    }
    xa *= 1.0 + stretch;
    xb *= 1.0 + stretch;
    int x0 = static_cast<int>(std::floor(xa * width)), x1 = static_cast<int>(std::ceil(xb * width));
    int y0 = static_cast<int>(std::floor(ya * height));
    int y1 = static_cast<int>(std::ceil(yb * height));
    x0 = std::clamp(x0, 0, width - 1);
    y0 = std::clamp(y0, 0, height - 1);
    x1 = std::clamp(x1, x0 + 1, width);
    y1 = std::clamp(y1, y0 + 1, height);
    long sum = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) sum += luma(x, y);
    return static_cast<int>(sum / (static_cast<long>(x1 - x0) * (y1 - y0)));
}

bool decode(const LumaAt& luma, int width, int height, Orientation o, double stretch,
            FrameMark& mark) {
    std::array<int, kColumns> upper{}, lower{};
    int lo = 255, hi = 0;
    for (int c = 0; c < kColumns; ++c) {
        const double u0 = columnEdge(c), u1 = columnEdge(c + 1);
        upper[c] = cellMean(luma, width, height, u0, u1, kTop, kMiddle, o, stretch);
        lower[c] = cellMean(luma, width, height, u0, u1, kMiddle, kBottom, o, stretch);
        lo = std::min({lo, upper[c], lower[c]});
        hi = std::max({hi, upper[c], lower[c]});
    }
    const int spread = hi - lo;
    if (spread < kMinimumSpread) return false;
    // Every pair must differ by a good part of the picture's black-to-white spread and every cell
    // must sit clearly on its side of the middle: scenery that happens to lie under the strip
    // fails here rather than producing bits.
    const int minimumStep = std::max(kMinimumPairStep, spread * 2 / 5);
    const int middle = lo + spread / 2;
    std::array<int, kColumns> bits{};
    for (int c = 0; c < kColumns; ++c) {
        const int step = upper[c] - lower[c];
        if (std::abs(step) < minimumStep) return false;
        const int bright = std::max(upper[c], lower[c]), dark = std::min(upper[c], lower[c]);
        if (bright <= middle || dark >= middle) return false;
        bits[c] = step > 0 ? 1 : 0;
    }
    for (size_t i = 0; i < kStartMarker.size(); ++i)
        if (bits[i] != kStartMarker[i]) return false;
    for (size_t i = 0; i < kStopMarker.size(); ++i)
        if (bits[kColumns - kStopMarker.size() + i] != kStopMarker[i]) return false;
    uint32_t data = 0;
    int c = static_cast<int>(kStartMarker.size());
    for (int i = 0; i < kDataBits; ++i) data = (data << 1) | static_cast<uint32_t>(bits[c++]);
    unsigned crc = 0;
    for (int i = 0; i < kCrcBits; ++i) crc = (crc << 1) | static_cast<unsigned>(bits[c++]);
    if (crc != patternCrc4(data, kDataBits)) return false;
    mark.frameNumber = static_cast<int>(data >> 1);
    mark.camera = (data & 1) ? Camera::Rear : Camera::Front;
    mark.orientation = o;
    return true;
}

bool readWith(const LumaAt& luma, int width, int height, FrameMark& mark, unsigned orientations) {
    if (width < kColumns || height < 8) return false;
    for (Orientation o : {kUpright, kMirrored, kFlipped, kMirroredFlipped}) {
        if (!(orientations & o)) continue;
        for (double stretch : kStretches)
            if (decode(luma, width, height, o, stretch, mark)) return true;
    }
    mark = FrameMark{};
    return false;
}

}  // namespace

unsigned patternCrc4(uint32_t value, int bitCount) {
    unsigned crc = 0;
    for (int i = bitCount - 1; i >= 0; --i) {
        const unsigned in = (value >> i) & 1u;
        const unsigned top = (crc >> 3) & 1u;
        crc = (crc << 1) & 0xFu;
        if (top ^ in) crc ^= 0x3u;  // x^4 + x + 1
    }
    return crc;
}

void drawPattern(YuvPicture& p, int frameNumber, Camera camera) {
    const auto bits = patternBits(std::clamp(frameNumber, 0, kMaxPatternFrameNumber), camera);
    const int y0 = scaled(kTop, p.height), ym = scaled(kMiddle, p.height);
    const int y1 = scaled(kBottom, p.height);
    for (int c = 0; c < kColumns; ++c) {
        const int x0 = scaled(columnEdge(c), p.width), x1 = scaled(columnEdge(c + 1), p.width);
        fillRect(p, x0, y0, x1, ym, bits[c] ? kWhite : kBlack);
        fillRect(p, x0, ym, x1, y1, bits[c] ? kBlack : kWhite);
    }
}

void drawFrame(YuvPicture& p, int frameNumber, Camera camera, double travelledM) {
    const Palette& pal = camera == Camera::Front ? kFrontPalette : kRearPalette;
    drawScene(p, frameNumber, travelledM, pal, camera == Camera::Front);
    drawPattern(p, frameNumber, camera);
    drawDigits(p, frameNumber, camera, pal.digits);
}

bool readFrameMark(const uint8_t* bgra, int width, int height, int strideBytes, FrameMark& mark,
                   unsigned orientations) {
    if (!bgra) return false;
    const LumaAt luma = [&](int x, int y) {
        const uint8_t* px = bgra + static_cast<long>(y) * strideBytes + 4 * x;
        return (29 * px[0] + 150 * px[1] + 77 * px[2]) >> 8;
    };
    return readWith(luma, width, height, mark, orientations);
}

bool readFrameMarkLuma(const uint8_t* plane, int width, int height, int strideBytes,
                       FrameMark& mark, unsigned orientations) {
    if (!plane) return false;
    const LumaAt luma = [&](int x, int y) {
        return static_cast<int>(plane[static_cast<long>(y) * strideBytes + x]);
    };
    return readWith(luma, width, height, mark, orientations);
}

int readFrameNumber(const uint8_t* bgra, int width, int height, int strideBytes) {
    FrameMark mark;
    return readFrameMark(bgra, width, height, strideBytes, mark) ? mark.frameNumber : -1;
}

int readFrameCamera(const uint8_t* bgra, int width, int height, int strideBytes) {
    FrameMark mark;
    return readFrameMark(bgra, width, height, strideBytes, mark) ? static_cast<int>(mark.camera)
                                                                 : -1;
}

}  // namespace moksel::gen
