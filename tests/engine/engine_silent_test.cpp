// Playing without a usable sound device: the process is started with a sound driver that does
// not exist, or with one whose device cannot be opened (see the test registration). Recordings
// must still open and play their pictures by the clock, silently.
#include "engine_test_support.h"

namespace moksel::test {
namespace {

class SilentEngineTest : public EngineTest {};

TEST_F(SilentEngineTest, PairOpensWithoutSoundDevice) {
    const gen::GenResult pair = makeRecording("pair", smallOptions(60));
    mainWindow.clear();
    ASSERT_TRUE(openAndWait(pair.frontPath));
    EXPECT_EQ(mainWindow.count(UM_OPEN_DONE), 1);
    EXPECT_EQ(mainWindow.count(UM_OPEN_FAILED), 0);
    EXPECT_EQ(mainWindow.count(UM_REAR_OPEN_FAILED), 0);
    // The condition under test: no device was opened.
    EXPECT_LT(playbackState.audioDeviceState.load(), 0);
    EXPECT_EQ(playbackState.openState, FrontAndRear);
    EXPECT_EQ(frontCount(), 60);
    EXPECT_EQ(rearCount(), 60);
    // The sound packets are indexed all the same (a device may be there at the next open).
    EXPECT_GT(context().soundIndex.count(), 0);
}

TEST_F(SilentEngineTest, PicturesFollowTheClockToTheEnd) {
    const gen::GenResult pair = makeRecording("play", smallOptions(60));
    ASSERT_TRUE(openAndWait(pair.frontPath));
    ASSERT_LT(playbackState.audioDeviceState.load(), 0);
    clearDelivered();
    const int ends = mainWindow.count(UM_PLAY_END);
    play();
    // Mid-way, the picture shown is the one the clock has reached (one frame of slack each
    // side for the decoder's turn).
    ASSERT_TRUE(waitUntil([] { return playbackState.clockMs.load() >= 1000.0; }));
    {
        const double clock = playbackState.clockMs.load();
        const int frame = shownFrame(kFrontCamera);
        const int expected = static_cast<int>(clock * 30 / 1000);
        EXPECT_GE(frame, expected - 2) << clock;
        EXPECT_LE(frame, expected + 2) << clock;
    }
    ASSERT_TRUE(waitUntil([&] { return mainWindow.count(UM_PLAY_END) > ends; }, 30s));
    EXPECT_EQ(mainWindow.count(UM_PLAY_END), ends + 1);
    stopAndWait();

    // Every front frame was delivered in order; the rear plays too.
    const std::vector<int> front = delivered(kFrontCamera);
    ASSERT_EQ(front.size(), 60u);
    for (size_t i = 0; i < front.size(); ++i) EXPECT_EQ(front[i], static_cast<int>(i));
    EXPECT_GE(delivered(kRearCamera).size(), 50u);
}

TEST_F(SilentEngineTest, SoundControlsAreHarmlessWithoutDevice) {
    const gen::GenResult pair = makeRecording("controls", smallOptions(60));
    ASSERT_TRUE(openAndWait(pair.frontPath));
    play();
    ASSERT_TRUE(waitUntil([&] { return delivered(kFrontCamera).size() >= 5; }));
    pauseLikeMainWindow();
    playbackState.speedFactor = 2.0;
    resumeSoundAtNormalSpeed();
    playbackState.speedFactor = 1.0;
    resumeSoundAtNormalSpeed();
    seekStill(10);  // 1.0 s: key frame 30
    EXPECT_EQ(shownFrame(kFrontCamera), 30);
    const size_t before = delivered(kFrontCamera).size();
    play();
    ASSERT_TRUE(waitUntil([&] { return delivered(kFrontCamera).size() >= before + 5; }));
    stopAndWait();
    EXPECT_LT(playbackState.audioDeviceState.load(), 0);
}

}  // namespace
}  // namespace moksel::test
