// The frame-number pattern must read back exactly, or not at all, from pictures as the viewer
// shows them: scaled, colour-adjusted, mirrored, flipped.
#include "frame_pattern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

namespace moksel::gen {
namespace {

struct YuvBuffer {
    std::vector<uint8_t> planes[3];
    YuvPicture picture;
    YuvBuffer(int w, int h) {
        picture.width = w;
        picture.height = h;
        const int cw = (w + 1) / 2, ch = (h + 1) / 2;
        planes[0].assign(static_cast<size_t>(w) * h, 16);
        planes[1].assign(static_cast<size_t>(cw) * ch, 128);
        planes[2].assign(static_cast<size_t>(cw) * ch, 128);
        for (int i = 0; i < 3; ++i) {
            picture.planes[i] = planes[i].data();
            picture.strides[i] = i ? cw : w;
        }
    }
};

struct Bgra {
    int width, height;
    std::vector<uint8_t> pixels;
};

// Converts like the viewer: YUV 4:2:0 to BGRA with fast bilinear scaling and its colour mapping
// of brightness and contrast (0..100 each).
Bgra convert(const YuvBuffer& in, int width, int height, int brightness = 50, int contrast = 50) {
    SwsContext* sws =
        sws_getContext(in.picture.width, in.picture.height, AV_PIX_FMT_YUV420P, width, height,
                       AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr);
    int *inverse, *table, srcRange, dstRange, b, c, s;
    sws_getColorspaceDetails(sws, &inverse, &srcRange, &table, &dstRange, &b, &c, &s);
    sws_setColorspaceDetails(sws, inverse, srcRange, table, dstRange, (brightness - 50) * 655,
                             contrast * 655 + 32786, s);
    Bgra out{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
    uint8_t* dst[4] = {out.pixels.data()};
    int dstStride[4] = {width * 4};
    sws_scale(sws, in.picture.planes, in.picture.strides, 0, in.picture.height, dst, dstStride);
    sws_freeContext(sws);
    return out;
}

Bgra transformed(const Bgra& in, bool mirror, bool flip) {
    Bgra out = in;
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x) {
            const int sx = mirror ? in.width - 1 - x : x, sy = flip ? in.height - 1 - y : y;
            std::copy_n(&in.pixels[(static_cast<size_t>(sy) * in.width + sx) * 4], 4,
                        &out.pixels[(static_cast<size_t>(y) * in.width + x) * 4]);
        }
    return out;
}

int read(const Bgra& p) {
    return readFrameNumber(p.pixels.data(), p.width, p.height, p.width * 4);
}

TEST(FramePattern, EveryNumberReadsBackAtEverySize) {
    const int numbers[] = {0, 1, 2, 3, 29, 255, 256, 1234, 3999, 4000, 4499, 32768, 65535};
    const std::pair<int, int> sizes[] = {{1280, 720}, {320, 180}, {160, 90},
                                         {128, 72},   {96, 54},   {64, 36}};
    for (auto [w, h] : sizes)
        for (Camera camera : {Camera::Front, Camera::Rear})
            for (int n : numbers) {
                SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " frame " +
                             std::to_string(n) + (camera == Camera::Rear ? " rear" : " front"));
                YuvBuffer yuv(w, h);
                drawFrame(yuv.picture, n, camera);
                FrameMark mark;
                ASSERT_TRUE(readFrameMarkLuma(yuv.planes[0].data(), w, h, w, mark));
                EXPECT_EQ(mark.frameNumber, n);
                EXPECT_EQ(mark.camera, camera);
                EXPECT_EQ(mark.orientation, kUpright);
                const Bgra same = convert(yuv, w, h);
                EXPECT_EQ(read(same), n);
                const Bgra view = convert(yuv, 487, 311);
                EXPECT_EQ(read(view), n);
                EXPECT_EQ(readFrameCamera(view.pixels.data(), 487, 311, 487 * 4),
                          static_cast<int>(camera));
            }
}

TEST(FramePattern, SurvivesBrightnessAndContrast) {
    YuvBuffer yuv(1280, 720);
    drawFrame(yuv.picture, 2345, Camera::Rear);
    const std::pair<int, int> settings[] = {{50, 50},  {0, 50},  {100, 50}, {50, 0},
                                            {50, 100}, {20, 20}, {80, 80},  {25, 75}};
    for (auto [brightness, contrast] : settings) {
        SCOPED_TRACE("brightness " + std::to_string(brightness) + " contrast " +
                     std::to_string(contrast));
        EXPECT_EQ(read(convert(yuv, 487, 311, brightness, contrast)), 2345);
    }
}

TEST(FramePattern, MirroredAndFlippedViewsAreRecognisedOrRefused) {
    YuvBuffer yuv(320, 180);
    drawFrame(yuv.picture, 777, Camera::Rear);
    const Bgra upright = convert(yuv, 487, 311);
    struct Case {
        bool mirror, flip;
        Orientation expected;
    };
    for (Case c : {Case{false, false, kUpright}, Case{true, false, kMirrored},
                   Case{false, true, kFlipped}, Case{true, true, kMirroredFlipped}}) {
        SCOPED_TRACE(std::to_string(c.mirror) + std::to_string(c.flip));
        const Bgra shown = transformed(upright, c.mirror, c.flip);
        FrameMark mark;
        ASSERT_TRUE(readFrameMark(shown.pixels.data(), 487, 311, 487 * 4, mark));
        EXPECT_EQ(mark.frameNumber, 777);
        EXPECT_EQ(mark.orientation, c.expected);
        // Limited to the other orientations, the reader refuses rather than misreads.
        EXPECT_FALSE(readFrameMark(shown.pixels.data(), 487, 311, 487 * 4, mark,
                                   kAnyOrientation & ~c.expected));
        EXPECT_EQ(mark.frameNumber, -1);
    }
}

TEST(FramePattern, DamagedPatternGivesNoNumberRatherThanAWrongOne) {
    // Exchanging the two cells of any one column turns exactly one bit (data, CRC or marker).
    for (int n : {0, 1, 1000, 4321, 65535}) {
        for (int column = 0; column < 27; ++column) {
            SCOPED_TRACE("frame " + std::to_string(n) + " column " + std::to_string(column));
            YuvBuffer yuv(270, 100);
            drawPattern(yuv.picture, n, Camera::Front);
            // Columns are 0.92 * 270 / 27 = 9.2 pixels wide from x = 10.8.
            const int x0 = static_cast<int>(std::lround(10.8 + 9.2 * column));
            const int x1 = static_cast<int>(std::lround(10.8 + 9.2 * (column + 1)));
            for (int x = x0; x < x1; ++x)
                for (int y = 6; y < 28; ++y) {
                    uint8_t& px = yuv.planes[0][static_cast<size_t>(y) * 270 + x];
                    px = px > 128 ? 16 : 235;
                }
            FrameMark mark;
            EXPECT_FALSE(readFrameMarkLuma(yuv.planes[0].data(), 270, 100, 270, mark))
                << "read " << mark.frameNumber;
        }
    }
}

TEST(FramePattern, PicturesWithoutAPatternAreUnreadable) {
    std::mt19937 rng(7);
    Bgra noise{487, 311, std::vector<uint8_t>(487 * 311 * 4)};
    for (int trial = 0; trial < 20; ++trial) {
        for (uint8_t& b : noise.pixels) b = static_cast<uint8_t>(rng());
        EXPECT_EQ(read(noise), -1);
    }
    // Coarse random blocks look more like a pattern than pixel noise does.
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<uint8_t> blocks(32 * 10);
        for (uint8_t& b : blocks) b = (rng() & 1) ? 255 : 0;
        for (int y = 0; y < 311; ++y)
            for (int x = 0; x < 487; ++x)
                std::fill_n(&noise.pixels[(static_cast<size_t>(y) * 487 + x) * 4], 4,
                            blocks[static_cast<size_t>(y / 32) * 32 + x / 16]);
        EXPECT_EQ(read(noise), -1) << "trial " << trial;
    }
    Bgra grey{487, 311, std::vector<uint8_t>(487 * 311 * 4, 128)};
    EXPECT_EQ(read(grey), -1);
    EXPECT_EQ(readFrameNumber(nullptr, 487, 311, 487 * 4), -1);
    EXPECT_EQ(read(Bgra{4, 4, std::vector<uint8_t>(64, 255)}), -1);

    // Half of a real pattern is not enough.
    YuvBuffer yuv(320, 180);
    drawFrame(yuv.picture, 99, Camera::Front);
    Bgra half = convert(yuv, 487, 311);
    for (int y = 0; y < 311; ++y)
        std::fill_n(&half.pixels[(static_cast<size_t>(y) * 487 + 243) * 4], 244 * 4, 40);
    EXPECT_EQ(read(half), -1);
}

}  // namespace
}  // namespace moksel::gen
