// Playing: the end of the recording and the repeat end point, seeks while playing, the sound
// (decoded samples, volume, mute, where it restarts, what the device plays) and the enlarged
// window's large picture lock.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <set>
#include <thread>

#include "engine/clock_sound.h"
#include "engine_test_support.h"

namespace moksel::test {
namespace {

class EnginePlaybackTest : public EngineTest {
protected:
    // Plays to the end and waits until the Stop the front decoder queued has run.
    void playToTheEnd() {
        const int ends = mainWindow.count(UM_PLAY_END);
        play();
        ASSERT_TRUE(mainWindow.waitFor(UM_PLAY_END, 60s, ends + 1));
        ASSERT_TRUE(waitUntil([] {
            return playbackState.engineState == Stopped && playbackState.frontIdle &&
                   playbackState.rearIdle && playbackState.frontPicture.load() == nullptr;
        }));
        std::this_thread::sleep_for(300ms);  // room for a second end report, which must not come
    }
    int stopsReported() {
        int stops = 0;
        for (const auto& m : mainWindow.messages()) {
            if (m.number == UM_TIME && m.wParam == 0 && m.lParam == 0) ++stops;
        }
        return stops;
    }
};

double rms(const int16_t* samples, size_t count) {
    double sum = 0;
    for (size_t i = 0; i < count; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    return count ? std::sqrt(sum / static_cast<double>(count)) : 0.0;
}

// Full-scale level of the generator's sine after volume scaling.
double expectedRms(const gen::SoundSignal& signal, int volume) {
    return signal.amplitude / std::sqrt(2.0) * 32767.0 * volume / 128.0;
}

TEST_F(EnginePlaybackTest, TheEndOfTheFrontVideoStopsOnceAndTheRearKeepsItsLastPicture) {
    gen::GenOptions options = smallOptions(60);
    options.rearFrames = 30;
    const gen::GenResult shortRear = makeRecording("short-rear", options);
    ASSERT_TRUE(openAndWait(shortRear.frontPath));
    mainWindow.clear();
    playToTheEnd();
    EXPECT_EQ(mainWindow.count(UM_PLAY_END), 1);
    EXPECT_EQ(stopsReported(), 1);
    const auto front = delivered(kFrontCamera);
    const auto rear = delivered(kRearCamera);
    ASSERT_FALSE(front.empty());
    EXPECT_EQ(front.back(), 59);
    EXPECT_TRUE(std::is_sorted(front.begin(), front.end()));
    ASSERT_FALSE(rear.empty());
    EXPECT_EQ(rear.back(), 29);
    // The end report follows the last frame's reports.
    EXPECT_EQ(playbackState.frontNextSeq, 1);

    options.rearFrames = 90;
    const gen::GenResult longRear = makeRecording("long-rear", options);
    ASSERT_TRUE(openAndWait(longRear.frontPath));
    clearDelivered();
    mainWindow.clear();
    playToTheEnd();
    EXPECT_EQ(mainWindow.count(UM_PLAY_END), 1);
    EXPECT_EQ(delivered(kFrontCamera).back(), 59);
    EXPECT_LT(delivered(kRearCamera).back(), 70);  // its tail is not shown
}

TEST_F(EnginePlaybackTest, PlayOnTheLastPictureEndsPlayAtOnce) {
    // Paused on the last picture (the End key), Play has nothing left to show: play ends, and
    // the window goes on as at any end, instead of the picture standing still for good.
    const gen::GenResult pair = makeRecording("play-at-end", smallOptions(60));
    ASSERT_TRUE(openAndWait(pair.frontPath));
    pauseLikeMainWindow();
    showLastFrame();
    ASSERT_TRUE(waitUntil([] { return shownFrame(kFrontCamera) == 59; }));
    mainWindow.clear();
    play();
    ASSERT_TRUE(mainWindow.waitFor(UM_PLAY_END, 10s));
    EXPECT_EQ(mainWindow.count(UM_PLAY_END), 1);
}

TEST_F(EnginePlaybackTest, TheRepeatEndPointStopsOncePastHalfTheDuration) {
    const gen::GenResult pair = makeRecording("repeat", smallOptions(90));
    ASSERT_TRUE(openAndWait(pair.frontPath));
    playbackState.repeatEndFraction = 0.5f;
    playbackState.repeatEndOn = 1;
    mainWindow.clear();
    playToTheEnd();
    EXPECT_EQ(mainWindow.count(UM_PLAY_END), 1);
    EXPECT_EQ(stopsReported(), 1);
    // Frame 45 starts at 1.5 s; it is the first whose end lies past half of the 3 s.
    EXPECT_EQ(delivered(kFrontCamera).back(), 45);
}

TEST_F(EnginePlaybackTest, SeekWhilePlayingRestartsAtKeyFrames) {
    const gen::GenResult pair = makeRecording("seek-playing", smallOptions(300));
    ASSERT_TRUE(openAndWait(pair.frontPath));
    play();
    ASSERT_TRUE(waitUntil([&] { return delivered(kFrontCamera).size() >= 3; }));
    clearDelivered();
    playbackState.seekTargetMs = 7500;
    playbackState.frontSeekPending = 1;
    playbackState.rearSeekPending = 1;
    playbackState.audioSeekPending = 1;
    auto firstFrom = [](const std::vector<int>& frames, int from) {
        auto it = std::find_if(frames.begin(), frames.end(), [&](int f) { return f >= from; });
        return it == frames.end() ? -1 : *it;
    };
    ASSERT_TRUE(waitUntil([&] {
        return firstFrom(delivered(kFrontCamera), 200) >= 0 && firstFrom(delivered(kRearCamera), 200) >= 0;
    }));
    // The front at the first key frame at or after 7.5 s (frame 240 at 8.0 s), the rear at the
    // first key frame at or after the clock the front set.
    EXPECT_EQ(firstFrom(delivered(kFrontCamera), 200), 240);
    // The clock has moved on a little from 8.0 s when the rear resolves, so its key frame is
    // frame 240 or the next one.
    const int rearStart = firstFrom(delivered(kRearCamera), 200);
    EXPECT_TRUE(rearStart == 240 || rearStart == 270) << rearStart;
    EXPECT_EQ(playbackState.seekTargetMs, 8000);
    ASSERT_TRUE(waitUntil([] { return playbackState.audioSeekPending == 0; }));
    const int nextSound = playbackState.audioNextSeq;
    ASSERT_GE(nextSound, 2);
    EXPECT_GE(context().soundIndex.at(nextSound - 1)->timeMs, 8000);
}

TEST_F(EnginePlaybackTest, DecodedSoundFollowsVolumeMuteAndSeeks) {
    const gen::GenResult pair = makeRecording("sound", smallOptions(150));
    ASSERT_TRUE(openAndWait(pair.frontPath));
    // The device stays paused (no CmdPlay), so this thread may drive the sound path itself.
    EngineContext& c = context();
    const PacketIndex& sound = c.soundIndex;
    const int bytesPerPacket = 1024 * 2;

    playbackState.seekTargetMs = 2000;
    playbackState.audioSeekPending = 1;
    playbackState.volume = 128;
    ASSERT_EQ(decodeSound(c), bytesPerPacket);
    const int first = playbackState.audioNextSeq - 1;
    EXPECT_GE(sound.at(first)->timeMs, 2000);
    EXPECT_LT(sound.at(first - 1)->timeMs, 2000);
    EXPECT_EQ(playbackState.audioSeekPending, 0);
    const auto* scratch = reinterpret_cast<const int16_t*>(c.decodeScratch);
    const auto* out = reinterpret_cast<const int16_t*>(c.soundBuffer);
    EXPECT_EQ(0, std::memcmp(out, scratch, bytesPerPacket));

    playbackState.volume = 64;
    ASSERT_EQ(decodeSound(c), bytesPerPacket);
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(out[i], scratch[i] * 64 / 128) << i;
    playbackState.volume = 0;
    ASSERT_EQ(decodeSound(c), bytesPerPacket);
    // The decoded signal itself is the generator's sine at full level.
    EXPECT_NEAR(rms(scratch, 1024), expectedRms(pair.signal, 128), expectedRms(pair.signal, 128) * 0.15);
    EXPECT_EQ(rms(out, 1024), 0.0);

    // Muted: silence, but the position moves on packet by packet.
    playbackState.volume = 64;
    playbackState.soundOn = 0;
    const int before = playbackState.audioNextSeq;
    ASSERT_EQ(decodeSound(c), bytesPerPacket);
    ASSERT_EQ(decodeSound(c), bytesPerPacket);
    EXPECT_EQ(playbackState.audioNextSeq, before + 2);
    EXPECT_EQ(rms(out, 1024), 0.0);
    playbackState.soundOn = 1;

    // While the front decoder has not resolved its seek the sound goes on with its next packet.
    playbackState.seekTargetMs = 500;
    playbackState.audioSeekPending = 1;
    playbackState.frontSeekPending = 1;
    ASSERT_EQ(decodeSound(c), bytesPerPacket);
    EXPECT_EQ(playbackState.audioNextSeq, before + 3);
    playbackState.frontSeekPending = 0;
    ASSERT_EQ(decodeSound(c), bytesPerPacket);
    EXPECT_GE(sound.at(playbackState.audioNextSeq - 1)->timeMs, 500);
    EXPECT_LT(sound.at(playbackState.audioNextSeq - 2)->timeMs, 500);

    // Stop sends the sound back to its first packet.
    // (The first packet only primes the decoder and gives no samples.)
    ASSERT_GT(playbackState.audioNextSeq, 10);
    stopAndWait();
    ASSERT_EQ(decodeSound(c), bytesPerPacket);
    EXPECT_LE(playbackState.audioNextSeq, 3);

    // The return to normal speed: the main window aims the sound at the slider position.
    playbackState.seekTargetMs = 3000;
    playbackState.audioSeekPending = 1;
    ASSERT_EQ(decodeSound(c), bytesPerPacket);
    EXPECT_GE(sound.at(playbackState.audioNextSeq - 1)->timeMs, 3000);

    // Past the last packet: nothing to play.
    playbackState.audioNextSeq = sound.count() + 1;
    EXPECT_EQ(decodeSound(c), -1);
    // Close drops a packet still waiting for the decoder and what the buffer held.
    c.soundPacket = sound.at(1)->packet;
    c.soundBufferSize = 100;
    pushEngineCommand(CmdClose);
    ASSERT_TRUE(mainWindow.waitFor(UM_TELEMETRY_CLEARED, 20s, mainWindow.count(UM_TELEMETRY_CLEARED) + 1));
    EXPECT_EQ(c.soundPacket, nullptr);
    EXPECT_EQ(c.soundBufferSize, 0u);
}

TEST_F(EnginePlaybackTest, TheDevicePlaysTheSoundOnlyAtNormalSpeed) {
    const gen::GenResult pair = makeRecording("speeds", smallOptions(45));
    // Opening the device starts a new capture file.
    ASSERT_TRUE(openAndWait(pair.frontPath));
    playbackState.speedFactor = 2.0;
    playToTheEnd();
    EXPECT_EQ(delivered(kFrontCamera).back(), 44);  // the pictures followed the clock
    std::vector<int16_t> samples = capturedSound();
    ASSERT_GT(samples.size(), 1000u);
    EXPECT_EQ(*std::max_element(samples.begin(), samples.end()), 0);
    EXPECT_EQ(*std::min_element(samples.begin(), samples.end()), 0);

    playbackState.speedFactor = 1.0;
    playbackState.volume = 64;
    ASSERT_TRUE(openAndWait(pair.frontPath));
    playToTheEnd();
    samples = capturedSound();
    // The loud stretch: the samples between the first and the last non-silent one.
    const auto loud = [](int16_t s) { return s != 0; };
    const auto begin = std::find_if(samples.begin(), samples.end(), loud);
    const auto end = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    ASSERT_GT(end - begin, 11025);  // at least half a second of sound was played
    const size_t skip = 2048;      // the encoder's start-up
    EXPECT_NEAR(rms(&*begin + skip, static_cast<size_t>(end - begin) - 2 * skip),
                expectedRms(pair.signal, 64), expectedRms(pair.signal, 64) * 0.15);
}

// The decoders pace against the clock read between ticks: readings taken while the timer runs
// never go backwards, and a stopped or not yet started clock's reading does not run on.
TEST_F(EnginePlaybackTest, TheClockReadsSmoothlyAndStartsWithTheSound) {
    playbackState.clockMs = 0.0;
    playbackState.speedFactor = 2.0;
    startClockTimer();
    double previous = clockNowMs();
    const double first = previous;
    int backwards = 0;
    const auto until = std::chrono::steady_clock::now() + 300ms;
    while (std::chrono::steady_clock::now() < until) {
        const double now = clockNowMs();
        if (now < previous) ++backwards;
        previous = now;
    }
    stopClockTimer();
    EXPECT_EQ(backwards, 0);
    EXPECT_GT(previous, first);
    // Stopped, the reading is the clock itself: nothing runs on during a pause.
    EXPECT_EQ(clockNowMs(), playbackState.clockMs.load());
    std::this_thread::sleep_for(3 * std::chrono::milliseconds(kClockTickMs));
    EXPECT_EQ(clockNowMs(), playbackState.clockMs.load());

    // A play with sound: the clock waits for the device to take the first samples (here the
    // test hands them over, nothing is open), then runs.
    const double stopped = playbackState.clockMs.load();
    startClockWithSound();
    std::this_thread::sleep_for(5 * std::chrono::milliseconds(kClockTickMs));
    EXPECT_EQ(playbackState.clockMs.load(), stopped);
    EXPECT_EQ(clockNowMs(), stopped);
    uint8_t samples[2048];
    // (At once, not after the kClockSoundWaitMs a device that takes nothing is given.)
    soundCallback(&context(), samples, sizeof samples);
    std::this_thread::sleep_for(5ms);
    EXPECT_GT(clockNowMs(), stopped);
    // Another speed chosen while the clock waits: the sound is paused and the clock runs.
    stopClockTimer();
    const double paused = playbackState.clockMs.load();
    startClockWithSound();
    pauseSound();
    std::this_thread::sleep_for(5ms);
    EXPECT_GT(clockNowMs(), paused);
    stopClockTimer();
    playbackState.speedFactor = 1.0;
    playbackState.clockMs = 0.0;
}

TEST_F(EnginePlaybackTest, TheEnlargedPictureDoesNotChangeWhileItsPainterHoldsTheLockAndStopBlanksIt) {
    const gen::GenResult pair = makeRecording("enlarged", smallOptions(300));
    ASSERT_TRUE(openAndWait(pair.frontPath));
    playbackState.enlargedOn = 1;
    playbackState.enlargedShowsRear = 0;
    playbackState.enlargedVisible = 1;
    const int viewRepaints = frontView.repaintCount();
    const int rearRepaints = rearView.repaintCount();
    play();
    ASSERT_TRUE(enlarged.waitFor(UM_ENLARGED_FRAME, 20s, 3));
    const size_t bytes = 1280 * 720 * 4;
    std::vector<uint8_t> first(bytes), second(bytes);
    std::set<int> framesSeen;
    for (int i = 0; i < 25; ++i) {
        {
            auto lock = lockCameraPictures(kFrontCamera);
            const uint8_t* picture = playbackState.frontPicture.load();
            ASSERT_EQ(picture, context().cameras[kFrontCamera].buffers[0]);
            std::memcpy(first.data(), picture, bytes);
            std::this_thread::sleep_for(40ms);  // a frame or more goes by meanwhile
            std::memcpy(second.data(), picture, bytes);
        }
        ASSERT_EQ(first, second) << "the large picture changed during a paint";
        framesSeen.insert(gen::readFrameNumber(first.data(), 1280, 720, 1280 * 4));
        std::this_thread::sleep_for(15ms);
    }
    EXPECT_GT(framesSeen.size(), 5u);  // the decoder kept delivering between the paints
    EXPECT_EQ(framesSeen.count(-1), 0u);
    EXPECT_EQ(frontView.repaintCount(), viewRepaints);  // the view is not fed meanwhile
    EXPECT_EQ(rearView.repaintCount(), rearRepaints);

    // Stop blanks the pictures; the visible enlarged window is told to paint again, so it does
    // not keep showing the last frame.
    pauseLikeMainWindow();
    std::this_thread::sleep_for(200ms);  // a frame being delivered as the pause came is done
    const int framesBefore = enlarged.count(UM_ENLARGED_FRAME);
    stopAndWait();
    EXPECT_TRUE(enlarged.waitFor(UM_ENLARGED_FRAME, 5s, framesBefore + 1));
    EXPECT_EQ(playbackState.frontLargePicture.load(), nullptr);
}

TEST_F(EnginePlaybackTest, ASeekWhilePlayingReachesARearThatHasEnded) {
    gen::GenOptions options = smallOptions(90);
    options.rearFrames = 20;
    const gen::GenResult pair = makeRecording("rear-ended", options);
    ASSERT_TRUE(openAndWait(pair.frontPath));
    play();
    ASSERT_TRUE(waitUntil([] { return shownFrame(kFrontCamera) >= 35; }));
    ASSERT_EQ(shownFrame(kRearCamera), 19);
    clearDelivered();
    playbackState.seekTargetMs = 0;
    playbackState.frontSeekPending = 1;
    playbackState.rearSeekPending = 1;
    playbackState.audioSeekPending = 1;
    EXPECT_TRUE(waitUntil([&] {
        const std::vector<int> rear = delivered(kRearCamera);
        return !rear.empty() && rear.front() < 5;
    }, 3s));
}

}  // namespace
}  // namespace moksel::test
