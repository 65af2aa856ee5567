// Pictures while not playing: seeks, frame steps, zoom and large re-renders, colour and flips,
// checked on the frame numbers and pixels the views would paint.
#include <cmath>
#include <cstring>
#include <thread>

#include "engine_test_support.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace moksel::test {
namespace {

class EngineStillTest : public EngineTest {
protected:
    void openPaused(const gen::GenResult& pair) {
        ASSERT_TRUE(openAndWait(pair.frontPath));
        pauseLikeMainWindow();
    }
    // Runs a step command and waits for its UM_TIME report.
    void step(EngineCommand command) {
        const int before = mainWindow.count(UM_TIME);
        pushEngineCommand(command);
        ASSERT_TRUE(waitUntil([&] { return mainWindow.count(UM_TIME) > before; }));
    }
    WParam lastPosition() {
        WParam position = ~WParam{0};
        for (const auto& m : mainWindow.messages()) {
            if (m.number == UM_POSITION) position = m.wParam;
        }
        return position;
    }
};

std::vector<uint8_t> copyPicture(int camera) {
    auto lock = lockCameraPictures(camera);
    const uint8_t* picture = currentPicture(camera).load();
    const PictureSize size = pictureSizes[camera][kViewSizeIndex];
    if (!picture) return {};
    return std::vector<uint8_t>(picture, picture + size.width * size.height * 4);
}

double meanLevel(const std::vector<uint8_t>& bgra) {
    double sum = 0;
    for (size_t i = 0; i < bgra.size(); i += 4) sum += bgra[i] + bgra[i + 1] + bgra[i + 2];
    return sum / (static_cast<double>(bgra.size()) / 4 * 3);
}

double spread(const std::vector<uint8_t>& bgra) {
    const double mean = meanLevel(bgra);
    double sum = 0;
    for (size_t i = 0; i < bgra.size(); i += 4) {
        const double level = (bgra[i] + bgra[i + 1] + bgra[i + 2]) / 3.0;
        sum += (level - mean) * (level - mean);
    }
    return std::sqrt(sum / (static_cast<double>(bgra.size()) / 4));
}

TEST_F(EngineStillTest, SeekAndStepsShowTheRightFramesAndLeaveThePositions) {
    const gen::GenResult pair = makeRecording("steps", smallOptions(300));
    openPaused(pair);

    seekStill(35);  // 3.5 s: the first key frame at or after it is frame 120 (4.0 s)
    EXPECT_EQ(shownFrame(kFrontCamera), 120);
    EXPECT_EQ(shownFrame(kRearCamera), 120);
    EXPECT_EQ(playbackState.frontNextSeq, 122);
    EXPECT_EQ(playbackState.rearNextSeq, 122);
    const double resume = static_cast<double>(gen::frameTimeMs(121, 30));
    EXPECT_EQ(playbackState.clockMs, resume);
    EXPECT_EQ(playbackState.seekTargetMs, static_cast<int>(resume));
    EXPECT_EQ(playbackState.audioSeekPending, 1);
    ASSERT_TRUE(mainWindow.waitFor(UM_TIME, 5s));
    EXPECT_EQ(lastPosition(), 40u);
    // The time shown is the picture's, not the one before the seek.
    WParam seconds = ~WParam{0};
    for (const auto& m : mainWindow.messages()) {
        if (m.number == UM_TIME) seconds = m.wParam;
    }
    EXPECT_EQ(seconds, static_cast<WParam>(resume / 1000));

    step(CmdStepForward);
    EXPECT_EQ(shownFrame(kFrontCamera), 121);
    step(CmdStepForward);
    EXPECT_EQ(shownFrame(kFrontCamera), 122);
    EXPECT_EQ(shownFrame(kRearCamera), 122);
    // Every step back shows the picture before the one on screen, and a step forward after
    // it the next one: no press is lost when the direction changes.
    step(CmdStepBack);
    EXPECT_EQ(shownFrame(kFrontCamera), 121);
    EXPECT_EQ(shownFrame(kRearCamera), 121);
    step(CmdStepBack);
    EXPECT_EQ(shownFrame(kFrontCamera), 120);
    EXPECT_EQ(shownFrame(kRearCamera), 120);
    EXPECT_EQ(lastPosition(), static_cast<WParam>(gen::frameTimeMs(120, 30) / 100));
    EXPECT_EQ(playbackState.clockMs, static_cast<double>(gen::frameTimeMs(121, 30)));
    step(CmdStepForward);
    EXPECT_EQ(shownFrame(kFrontCamera), 121);
    EXPECT_EQ(shownFrame(kRearCamera), 121);
    step(CmdStepBack);
    // After a step back the speed is sent, not posted.
    bool speedSent = false;
    for (const auto& m : mainWindow.messages()) {
        if (m.number == UM_SPEED) speedSent = m.sent;
    }
    EXPECT_TRUE(speedSent);

    // Near the end: the last key frame, then steps stop at the second-to-last packet.
    seekStill(95);
    EXPECT_EQ(shownFrame(kFrontCamera), 270);
    for (int i = 0; i < 28; ++i) step(CmdStepForward);
    EXPECT_EQ(shownFrame(kFrontCamera), 298);
    const int reports = mainWindow.count(UM_TIME);
    pushEngineCommand(CmdStepForward);
    pushEngineCommand(CmdStepBack);  // reports once the ignored step has run
    ASSERT_TRUE(waitUntil([&] { return mainWindow.count(UM_TIME) > reports; }));
    EXPECT_EQ(mainWindow.count(UM_TIME), reports + 1);
    EXPECT_EQ(shownFrame(kFrontCamera), 297);
}

// Steps queued faster than they run (a held key) land where as many single steps would, on both
// cameras, with the times of the picture shown.
TEST_F(EngineStillTest, QueuedStepsLandWhereSingleStepsWould) {
    const gen::GenResult pair = makeRecording("queued-steps", smallOptions(300));
    openPaused(pair);
    seekStill(50);
    ASSERT_EQ(shownFrame(kFrontCamera), 150);
    const auto run = [&](EngineCommand command, int times) {
        const uint64_t finished = engineCommandsFinished();
        for (int i = 0; i < times; ++i) pushEngineCommand(command);
        ASSERT_TRUE(waitUntil([&] { return engineCommandsFinished() >= finished + static_cast<uint64_t>(times); }));
    };
    run(CmdStepBack, 37);
    EXPECT_EQ(shownFrame(kFrontCamera), 113);
    EXPECT_EQ(shownFrame(kRearCamera), 113);
    EXPECT_EQ(playbackState.clockMs, static_cast<double>(gen::frameTimeMs(114, 30)));
    run(CmdStepForward, 9);
    EXPECT_EQ(shownFrame(kFrontCamera), 122);
    EXPECT_EQ(shownFrame(kRearCamera), 122);
    EXPECT_EQ(playbackState.clockMs, static_cast<double>(gen::frameTimeMs(123, 30)));
    // Playing goes on after the picture shown, on both cameras.
    clearDelivered();
    play();
    ASSERT_TRUE(waitUntil([&] { return !delivered(kFrontCamera).empty() && !delivered(kRearCamera).empty(); }));
    EXPECT_EQ(delivered(kFrontCamera).front(), 123);
    EXPECT_EQ(delivered(kRearCamera).front(), 123);
}

// The two decoders park one after the other at a pause; the pair left on screen is still one
// moment, pause after pause, wherever in its frame each decoder was.
TEST_F(EngineStillTest, APausedPairIsOneMoment) {
    // Pictures large enough that a decoder spends a good part of a frame decoding.
    gen::GenOptions options = smallOptions(450);
    options.width = 1280;
    options.height = 720;
    const gen::GenResult pair = makeRecording("paused-pair", options);
    ASSERT_TRUE(openAndWait(pair.frontPath));
    for (int pause = 0; pause < 12; ++pause) {
        play();
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + 23 * pause));
        pauseLikeMainWindow();
        const bool together = waitUntil([&] {
            return playbackState.frontIdle.load() && playbackState.rearIdle.load() &&
                   shownFrame(kFrontCamera) == shownFrame(kRearCamera);
        });
        EXPECT_TRUE(together) << "pause " << pause << ": front " << shownFrame(kFrontCamera) << ", rear "
                              << shownFrame(kRearCamera);
        // A step from the pair keeps it together.
        step(CmdStepForward);
        EXPECT_EQ(shownFrame(kFrontCamera), shownFrame(kRearCamera));
    }
}

TEST_F(EngineStillTest, FrontOnlyStepsLeaveTheRearViewAlone) {
    gen::GenOptions options = smallOptions(90);
    options.rear = gen::RearKind::Missing;
    const gen::GenResult single = makeRecording("front-only-steps", options);
    openPaused(single);
    const int rearRepaints = rearView.repaintCount();
    seekStill(10);
    step(CmdStepForward);
    step(CmdStepBack);
    EXPECT_EQ(shownFrame(kFrontCamera), 30);
    EXPECT_EQ(playbackState.rearPicture.load(), nullptr);
    EXPECT_EQ(rearView.repaintCount(), rearRepaints);
}

TEST_F(EngineStillTest, PlayingContinuesAfterThePictureShown) {
    const gen::GenResult pair = makeRecording("continue", smallOptions(300));
    ASSERT_TRUE(openAndWait(pair.frontPath));
    play();
    ASSERT_TRUE(waitUntil([&] { return delivered(kFrontCamera).size() >= 15; }));
    pauseLikeMainWindow();
    // Let a frame that was being delivered at the pause finish.
    size_t settled = 0;
    ASSERT_TRUE(waitUntil([&] {
        const size_t now = delivered(kFrontCamera).size();
        const bool same = now == settled;
        settled = now;
        std::this_thread::sleep_for(60ms);
        return same && delivered(kFrontCamera).size() == now;
    }));
    const int shown = shownFrame(kFrontCamera);
    ASSERT_GT(shown, 10);
    step(CmdStepBack);
    EXPECT_EQ(shownFrame(kFrontCamera), shown - 1);
    step(CmdStepBack);
    EXPECT_EQ(shownFrame(kFrontCamera), shown - 2);

    // Zoom in and out and the large re-renders keep the picture and the positions.
    changeFrontZoom(-120);
    EXPECT_EQ(playbackState.frontSizeIndex, 0);
    EXPECT_EQ(playbackState.frontPicture.load(), context().cameras[kFrontCamera].buffers[0]);
    EXPECT_EQ(shownFrame(kFrontCamera), shown - 2);
    changeRearZoom(-120);
    EXPECT_EQ(playbackState.rearSizeIndex, 0);
    EXPECT_EQ(frameInPicture(playbackState.rearPicture.load(), kRearCamera, 0), shownFrame(kRearCamera));
    changeFrontZoom(120);
    changeRearZoom(120);
    EXPECT_EQ(playbackState.frontSizeIndex, 1);
    EXPECT_EQ(playbackState.rearSizeIndex, 1);
    renderLargeStills(0);
    EXPECT_EQ(frameInPicture(playbackState.frontLargePicture.load(), kFrontCamera, 0), shown - 2);
    EXPECT_NE(playbackState.frontPicture.load(), playbackState.frontLargePicture.load());
    renderLargeStills(1);
    EXPECT_EQ(playbackState.frontPicture.load(), playbackState.frontLargePicture.load());
    EXPECT_EQ(playbackState.rearPicture.load(), playbackState.rearLargePicture.load());
    renderZoomStills();
    EXPECT_EQ(playbackState.frontPicture.load(), context().cameras[kFrontCamera].buffers[1]);
    EXPECT_EQ(shownFrame(kFrontCamera), shown - 2);
    // A zoom noted before the picture is re-made (as while playing) must not make a painter
    // read the view-size picture as a large one.
    playbackState.frontSizeIndex = 0;
    EXPECT_EQ(pictureSizeOf(kFrontCamera, playbackState.frontPicture.load()).width, 487);
    EXPECT_EQ(pictureSizeOf(kFrontCamera, context().cameras[kFrontCamera].buffers[0]).width, 1280);
    playbackState.frontSizeIndex = 1;

    // After a seek, playing goes on with the frame after the one shown, on both cameras.
    seekStill(20);
    EXPECT_EQ(shownFrame(kFrontCamera), 60);
    clearDelivered();
    play();
    ASSERT_TRUE(waitUntil([&] {
        return !delivered(kFrontCamera).empty() && !delivered(kRearCamera).empty();
    }));
    EXPECT_EQ(delivered(kFrontCamera).front(), 61);
    EXPECT_EQ(delivered(kRearCamera).front(), 61);
}

TEST_F(EngineStillTest, BrightnessContrastAndRearFlips) {
    const gen::GenResult pair = makeRecording("colour", smallOptions(60));
    openPaused(pair);
    seekStill(0);
    const std::vector<uint8_t> neutral = copyPicture(kFrontCamera);
    ASSERT_FALSE(neutral.empty());
    {
        // At 50/50 the picture is the plain conversion of the decoded frame: the view's odd
        // width is converted one column wider into separate rows and the extra column dropped,
        // which the engine's in-place conversion must reproduce exactly.
        auto lock = lockCameraPictures(kFrontCamera);
        const AVFrame* frame = context().cameras[kFrontCamera].decoded;
        SwsContext* plain = sws_getContext(frame->width, frame->height,
                                           static_cast<AVPixelFormat>(frame->format), 488, 311,
                                           AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR, nullptr, nullptr,
                                           nullptr);
        std::vector<uint8_t> wide(488 * 4 * 311);
        uint8_t* planes[4] = {wide.data()};
        int strides[4] = {488 * 4};
        sws_scale(plain, frame->data, frame->linesize, 0, frame->height, planes, strides);
        sws_freeContext(plain);
        std::vector<uint8_t> expected;
        for (int y = 0; y < 311; ++y) {
            expected.insert(expected.end(), wide.begin() + y * 488 * 4, wide.begin() + y * 488 * 4 + 487 * 4);
        }
        EXPECT_EQ(expected, neutral);
    }
    auto render = [&](int brightness, int contrast) {
        playbackState.brightness = brightness;
        playbackState.contrast = contrast;
        applyColourAdjustment();
        changeFrontZoom(0);
        return copyPicture(kFrontCamera);
    };
    EXPECT_GT(meanLevel(render(100, 50)), meanLevel(neutral) + 20);
    EXPECT_LT(meanLevel(render(0, 50)), meanLevel(neutral) - 20);
    EXPECT_GT(spread(render(50, 100)), spread(neutral) + 2);  // black and white clip at 1.5x
    EXPECT_LT(spread(render(50, 0)), spread(neutral) * 0.8);
    EXPECT_EQ(render(50, 50), neutral);

    const std::vector<uint8_t> upright = copyPicture(kRearCamera);
    const int rowBytes = 487 * 4;
    playbackState.flipVertical = 1;
    changeFrontZoom(0);
    const std::vector<uint8_t> flipped = copyPicture(kRearCamera);
    for (int y = 0; y < 311; ++y) {
        ASSERT_EQ(0, std::memcmp(&flipped[y * rowBytes], &upright[(310 - y) * rowBytes], rowBytes)) << y;
    }
    gen::FrameMark mark;
    ASSERT_TRUE(gen::readFrameMark(flipped.data(), 487, 311, rowBytes, mark));
    EXPECT_EQ(mark.orientation, gen::kFlipped);
    playbackState.mirrorHorizontal = 1;
    changeFrontZoom(0);
    ASSERT_TRUE(gen::readFrameMark(copyPicture(kRearCamera).data(), 487, 311, rowBytes, mark));
    EXPECT_EQ(mark.orientation, gen::kMirroredFlipped);
    playbackState.flipVertical = 0;
    changeFrontZoom(0);
    const std::vector<uint8_t> mirrored = copyPicture(kRearCamera);
    for (int x = 0; x < 487; ++x) {
        ASSERT_EQ(0, std::memcmp(&mirrored[x * 4], &upright[(486 - x) * 4], 4)) << x;
    }
    // The front picture is never flipped.
    ASSERT_TRUE(gen::readFrameMark(copyPicture(kFrontCamera).data(), 487, 311, rowBytes, mark));
    EXPECT_EQ(mark.orientation, gen::kUpright);
}

}  // namespace
}  // namespace moksel::test
