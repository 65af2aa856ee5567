// Playing on into the next recording of a drive, opened ahead: the pictures run on from the
// last frame of one recording to the first of the next without a repeat or a stop, the sound
// device keeps playing, and a cancelled read-ahead leaves the end as it always was.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "engine/engine_commands.h"
#include "engine/engine_context.h"
#include "engine_test_support.h"

namespace moksel::test {
namespace {

class EngineHandoverTest : public EngineTest {
protected:
    // Two recordings of 45 frames each, the second starting where the first ends.
    void makeDrive() {
        gen::GenOptions first = smallOptions(45);
        first_ = makeRecording("drive-a", first).frontPath;
        gen::GenOptions second = smallOptions(45);
        second.start.second += 2;  // right after the first one (1.5 s long)
        second.seed = 7;
        second_ = makeRecording("drive-b", second).frontPath;
    }
    std::string first_, second_;
};

// Frame numbers split where they start again from a smaller number.
std::vector<std::vector<int>> runs(const std::vector<int>& numbers) {
    std::vector<std::vector<int>> out;
    for (const int n : numbers) {
        if (out.empty() || n < out.back().back()) out.emplace_back();
        out.back().push_back(n);
    }
    return out;
}

// The longest stretch of silence between the first and the last sound from `from` on.
size_t longestSilence(const std::vector<int16_t>& samples, size_t from) {
    size_t longest = 0, run = 0;
    bool started = false;
    for (size_t i = from; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > 200) {
            if (started) longest = std::max(longest, run);
            started = true;
            run = 0;
        } else {
            ++run;
        }
    }
    return longest;
}

TEST_F(EngineHandoverTest, PicturesRunOnIntoThePreparedRecording) {
    makeDrive();
    ASSERT_TRUE(openAndWait(first_));
    pushEngineCommand(CmdPrepare, second_.c_str());
    clearDelivered();
    const size_t soundFrom = capturedSound().size();
    play();
    ASSERT_TRUE(waitUntil([&] { return mainWindow.count(UM_HANDED_OVER) == 1; }));
    ASSERT_TRUE(waitUntil([&] {
        const auto parts = runs(delivered(kFrontCamera));
        return parts.size() == 2 && parts[1].size() >= 20;
    }));
    EXPECT_EQ(mainWindow.count(UM_PLAY_END), 0);
    // The sound ran on: no silence longer than one device buffer (1024 samples) at the seam.
    EXPECT_LE(longestSilence(capturedSound(), soundFrom), 1024u);
    EXPECT_STREQ(context().path, second_.c_str());
    EXPECT_EQ(playbackState.openState.load(), FrontAndRear);
    EXPECT_EQ(playbackState.telemetryCount.load(), 45);
    for (const int camera : {kFrontCamera, kRearCamera}) {
        const auto parts = runs(delivered(camera));
        ASSERT_EQ(parts.size(), 2u) << camera;
        // Each recording's pictures in order, none twice; the first recording to its last
        // picture (a busy machine may skip one before it), the next from its first.
        for (const auto& part : parts) {
            for (size_t i = 1; i < part.size(); ++i) EXPECT_GT(part[i], part[i - 1]) << camera;
        }
        EXPECT_GE(parts[0].back(), 43) << camera;
        EXPECT_EQ(parts[1].front(), 0) << camera;
    }
    // The next recording plays to its own end and ends as a recording always does.
    ASSERT_TRUE(waitUntil([&] { return mainWindow.count(UM_PLAY_END) == 1; }));
}

// At another speed (no sound played) the pictures run on the same way.
TEST_F(EngineHandoverTest, AtTwiceTheSpeedThePicturesRunOnToo) {
    makeDrive();
    ASSERT_TRUE(openAndWait(first_));
    pushEngineCommand(CmdPrepare, second_.c_str());
    playbackState.speedFactor = 2.0;
    clearDelivered();
    play();
    ASSERT_TRUE(waitUntil([&] {
        const auto parts = runs(delivered(kFrontCamera));
        return parts.size() == 2 && parts[1].size() >= 10;
    }));
    const auto parts = runs(delivered(kFrontCamera));
    EXPECT_GE(parts[0].back(), 42);
    EXPECT_EQ(parts[1].front(), 0);
    EXPECT_EQ(mainWindow.count(UM_HANDED_OVER), 1);
    playbackState.speedFactor = 1.0;
}

// A pause that lands while the hand-over runs stands: the next recording shows its first
// pictures still, and nothing plays on until Play.
TEST_F(EngineHandoverTest, APauseDuringTheHandOverStands) {
    makeDrive();
    ASSERT_TRUE(openAndWait(first_));
    pushEngineCommand(CmdPrepare, second_.c_str());
    clearDelivered();
    play();
    ASSERT_TRUE(waitUntil([&] {
        const auto front = delivered(kFrontCamera);
        return !front.empty() && front.back() >= 40;
    }));
    // The window's half of a pause; the engine's half is the hand-over's own.
    playbackState.uiState = Paused;
    ASSERT_TRUE(waitUntil([&] { return mainWindow.count(UM_HANDED_OVER) == 1; }));
    ASSERT_TRUE(waitUntil([&] { return shownFrame(kFrontCamera) == 0 && shownFrame(kRearCamera) == 0; }));
    EXPECT_STREQ(context().path, second_.c_str());
    EXPECT_EQ(playbackState.engineState.load(), Paused);
    const size_t shown = delivered(kFrontCamera).size();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(delivered(kFrontCamera).size(), shown);
    EXPECT_EQ(shownFrame(kFrontCamera), 0);
    EXPECT_EQ(mainWindow.count(UM_PLAY_END), 0);
}

TEST_F(EngineHandoverTest, ACancelledReadAheadEndsTheRecordingAsBefore) {
    makeDrive();
    // Stop, an empty name and another Open each drop what was prepared.
    for (int way = 0; way < 3; ++way) {
        ASSERT_TRUE(openAndWait(first_));
        pushEngineCommand(CmdPrepare, second_.c_str());
        if (way == 0) stopAndWait();
        if (way == 1) pushEngineCommand(CmdPrepare, "");
        if (way == 2) ASSERT_TRUE(openAndWait(first_));
        const int ends = mainWindow.count(UM_PLAY_END);
        play();
        ASSERT_TRUE(waitUntil([&] { return mainWindow.count(UM_PLAY_END) == ends + 1; })) << way;
        EXPECT_EQ(mainWindow.count(UM_HANDED_OVER), 0) << way;
        EXPECT_STREQ(context().path, first_.c_str()) << way;
        stopAndWait();
    }
}

}  // namespace
}  // namespace moksel::test
