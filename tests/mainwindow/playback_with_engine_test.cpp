// The main window with the real engine on generated recordings: the recording list opens what is
// given at start, a double click plays, and the playback commands take effect on what the engine
// shows (read back from the frame numbers drawn into the generated pictures). Sound goes to SDL's
// dummy driver (set where the test is registered). Waits are bounded; nothing is timed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/picture_lock.h"
#include "engine/playback_state.h"
#include "engine_window_fixture.h"
#include "frame_pattern.h"
#include "library/ostrel_file_list.h"
#include "mainwindow/costrel_dlg.h"
#include "platform/window_messages.h"
#include "platform/bitmap_button.h"
#include "recording_generator.h"

namespace moksel {
namespace {

class PlaybackWithEngineTest : public EngineWindowTest {
protected:
    static void SetUpTestSuite() { makeDrive(3); }

    void press(int id) { window->button(id)->click(); }
    // The frame number drawn in the front picture now shown, -1 without one.
    static int frontFrame() {
        std::lock_guard<std::mutex> lock(pictureLock(kFrontCamera));
        const uint8_t* pixels = playbackState.frontPicture.load();
        if (pixels == nullptr) return -1;
        const int sizeIndex = playbackState.frontSizeIndex.load() == 0 ? 0 : 1;
        const PictureSize size = pictureSizes[kFrontCamera][sizeIndex];
        return gen::readFrameNumber(pixels, size.width, size.height, size.width * 4);
    }
    // Waits until the entry's recording is open and the engine plays it.
    void waitUntilPlaying(int entry) {
        QTRY_VERIFY_WITH_TIMEOUT(window->recordingReady() && window->currentRecordingName() == nameOf(entry) &&
                                     playbackState.engineState.load() == Playing,
                                 kWaitMs);
        EXPECT_EQ(recordings().selection(), entry);
        EXPECT_FALSE(window->waitCursorShown());
    }
};

TEST_F(PlaybackWithEngineTest, DoubleClickPlaysAndTheCommandsActOnTheOpenRecording) {
    doubleClickRow(0);
    EXPECT_TRUE(window->waitCursorShown() || window->recordingReady()) << "waits for the engine's answer";
    waitUntilPlaying(0);
    QTRY_VERIFY_WITH_TIMEOUT(window->currentPosition() > 0 && frontFrame() > 0, kWaitMs);

    // Pause holds the picture; pause again stays paused.
    press(kButtonPause);
    EXPECT_EQ(playbackState.uiState.load(), Paused);
    EXPECT_EQ(playbackState.engineState.load(), Paused);
    press(kButtonPause);
    EXPECT_EQ(playbackState.uiState.load(), Paused);

    // Seek while paused shows the picture at the position: 2.0 s is frame 60, a key frame.
    window->send(UM_SEEK, 20, 0);
    QTRY_COMPARE_WITH_TIMEOUT(frontFrame(), 60, kWaitMs);
    EXPECT_EQ(playbackState.uiState.load(), Paused);
    // A step forward from there shows the next frame and stays paused.
    press(kButtonStepForward);
    QTRY_COMPARE_WITH_TIMEOUT(frontFrame(), 61, kWaitMs);
    EXPECT_EQ(playbackState.uiState.load(), Paused);

    // Play with the current recording selected resumes it: no reopen, the picture moves on.
    press(kButtonPlay);
    EXPECT_TRUE(window->recordingReady()) << "no reopen";
    QTRY_VERIFY_WITH_TIMEOUT(playbackState.engineState.load() == Playing && frontFrame() > 61, kWaitMs);
    EXPECT_EQ(window->currentRecordingName(), nameOf(0));

    // Stop rewinds; a seek from stopped becomes paused on the picture at the position.
    press(kButtonStop);
    QTRY_VERIFY_WITH_TIMEOUT(playbackState.engineState.load() == Stopped && window->currentPosition() == 0, kWaitMs);
    window->send(UM_SEEK, 10, 0);
    EXPECT_EQ(playbackState.uiState.load(), Paused);
    QTRY_COMPARE_WITH_TIMEOUT(frontFrame(), 30, kWaitMs);

    // Stop, then a step from stopped ends paused on a picture of the recording's start.
    press(kButtonStop);
    QTRY_COMPARE_WITH_TIMEOUT(frontFrame(), -1, kWaitMs);  // the engine has blanked the views
    press(kButtonStepForward);
    EXPECT_EQ(playbackState.uiState.load(), Paused);
    QTRY_VERIFY_WITH_TIMEOUT(frontFrame() >= 0 && frontFrame() <= 1, kWaitMs);
    EXPECT_EQ(playbackState.engineState.load(), Paused);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PlaybackWithEngineTest, NextPreviousWrapAndTheEndOfPlayGoesOnWithTheNextEntry) {
    doubleClickRow(2);
    waitUntilPlaying(2);
    // Next from the last entry wraps to the first, previous from the first to the last.
    press(kButtonNext);
    waitUntilPlaying(0);
    press(kButtonPrevious);
    waitUntilPlaying(2);
    press(kButtonPrevious);
    waitUntilPlaying(1);

    // Near the end of the recording, the end of play opens the next entry, which plays from its
    // start.
    window->send(UM_SEEK, 28, 0);
    waitUntilPlaying(2);
    QTRY_VERIFY_WITH_TIMEOUT(frontFrame() >= 0 && frontFrame() < 60, kWaitMs);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PlaybackWithEngineTest, DeleteEmptiesTheListButTheOpenRecordingStillPlays) {
    doubleClickRow(1);
    waitUntilPlaying(1);
    const QString playing = nameOf(1);
    press(kButtonStop);
    QTest::keyPress(window.get(), Qt::Key_Delete);
    EXPECT_EQ(recordings().count(), 0);
    // Nothing selected now: Play plays the loaded recording from its start.
    press(kButtonPlay);
    QTRY_VERIFY_WITH_TIMEOUT(playbackState.engineState.load() == Playing && window->currentPosition() > 0, kWaitMs);
    EXPECT_EQ(window->currentRecordingName(), playing);
}

}  // namespace
}  // namespace moksel
