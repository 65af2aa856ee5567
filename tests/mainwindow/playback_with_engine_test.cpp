// The main window with the real engine on generated recordings: the recording list opens what is
// given at start, a double click plays, and the playback commands take effect on what the engine
// shows (read back from the frame numbers drawn into the generated pictures). Sound goes to SDL's
// dummy driver (set where the test is registered). Waits are bounded; nothing is timed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include "tests/support/qt_gtest_waits.h"
#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/picture_lock.h"
#include "engine/playback_state.h"
#include "displays/ostrel_show_direction.h"
#include "displays/ostrel_show_speed.h"
#include "displays/recording_info_panes.h"
#include "engine_window_fixture.h"
#include "frame_pattern.h"
#include "library/ostrel_file_list.h"
#include "mainwindow/costrel_dlg.h"
#include "platform/window_messages.h"
#include "platform/bitmap_button.h"
#include "recording_generator.h"
#ifdef MOKSEL_HAVE_MAP_PANE
#include <QWebEngineView>

#include "displays/map/ostrel_popup_map.h"
#endif

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

TEST_F(PlaybackWithEngineTest, ABusyWindowDoesNotHoldUpThePictures) {
    doubleClickRow(0);
    waitUntilPlaying(0);
    QTRY_VERIFY_WITH_TIMEOUT(frontFrame() > 0, kWaitMs);
    // The window's thread is busy for a second (a slow screen, a long paint elsewhere): the
    // decoders go on converting the pictures of their time instead of waiting for it.
    const int before = frontFrame();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const int after = frontFrame();
    EXPECT_GE(after - before, 10) << "frames " << before << " to " << after;
    // And the window catches up with the pictures once it is free again.
    QTRY_VERIFY_WITH_TIMEOUT(frontFrame() > after, kWaitMs);
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

#ifdef MOKSEL_HAVE_MAP_PANE
TEST_F(PlaybackWithEngineTest, APickOnTheRoutePlaysThatRecordingFromThePickedTime) {
    auto* map = dynamic_cast<OstrelPopupMap*>(window->pane(PaneId::Map));
    ASSERT_NE(map, nullptr);
    doubleClickRow(0);
    waitUntilPlaying(0);
    // The generated recordings start 10 s apart, so without their durations they make one drive,
    // which the window gave the map when the first one opened: recording 1 of it at 2.0 s (a key
    // frame: a seek goes to the first key frame at or after its time).
    map->routeClicked(1, 2000.0);
    // Watch the positions of entry 1: a seek jumps from its first frames to 2.0 s; playing on
    // from the start would pass through every tenth between.
    std::set<int> between;
    bool reached = false;
    QDeadlineTimer deadline(kWaitMs);
    while (!reached && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        if (!window->recordingReady() || window->currentRecordingName() != nameOf(1)) continue;
        const int position = window->currentPosition();
        if (position >= 10 && position < 20) between.insert(position);
        reached = position >= 20 && playbackState.engineState.load() == Playing;
    }
    EXPECT_TRUE(reached);
    EXPECT_EQ(recordings().selection(), 1);
    EXPECT_LE(between.size(), 2u);
    // A pick on the recording that plays seeks within it.
    // A pick on the recording that plays seeks within it. (The map was given this recording's
    // drive when it opened; once the recordings' own 3 s durations are known they part, so its
    // place in that drive is looked up.)
    const std::vector<std::string>& shown = map->drive();
    const auto at = std::find(shown.begin(), shown.end(), recordings().entry(1).path());
    ASSERT_NE(at, shown.end());
    map->routeClicked(static_cast<int>(at - shown.begin()), 500.0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->currentPosition() < 20; }, kWaitMs));
    EXPECT_EQ(window->currentRecordingName(), nameOf(1));
    EXPECT_TRUE(boxes.empty());
}
#endif

// A recording with positions, then one without telemetry: once the second plays, neither the
// position fields nor the map show the first one's position.
// Recordings of one drive: the engine plays on from one into the next without a stop, and the
// window follows it.
class DriveWithEngineTest : public PlaybackWithEngineTest {
protected:
    static void SetUpTestSuite() { makeDrive(2, kFrames, 3); }
};

TEST_F(DriveWithEngineTest, TheNextRecordingOfTheDrivePlaysOnWithoutAStop) {
    doubleClickRow(0);
    waitUntilPlaying(0);
    window->send(UM_SEEK, 25, 0);
    bool stopped = false;
    QDeadlineTimer deadline(kWaitMs);
    while (window->currentRecordingName() != nameOf(1) && !deadline.hasExpired()) {
        stopped = stopped || playbackState.engineState.load() == Stopped;
        QTest::qWait(1);
    }
    ASSERT_EQ(window->currentRecordingName(), nameOf(1));
    EXPECT_FALSE(stopped) << "the end of the first recording stopped the player";
    EXPECT_EQ(recordings().selection(), 1);
    EXPECT_EQ(playbackState.engineState.load(), Playing);
    QTRY_VERIFY_WITH_TIMEOUT(frontFrame() >= 0 && frontFrame() < 60, kWaitMs);
    EXPECT_TRUE(boxes.empty());
}

TEST(NextRecordingWithoutTelemetry, ShowsNoPositionRatherThanThePreviousOne) {
    QTemporaryDir folder;
    for (int i = 0; i < 2; ++i) {
        gen::GenOptions options;
        options.outputDir = folder.path().toStdString();
        options.frames = 60;
        options.width = 160;
        options.height = 90;
        options.start.second = 2 * i;
        options.gps = gen::GpsMode::AllFix;
        options.telemetry = i == 0;
        options.rear = gen::RearKind::Missing;
        gen::GenResult result;
        std::string error;
        ASSERT_TRUE(gen::generatePair(options, result, error)) << error;
    }
    auto window = std::make_unique<COstrelDlg>();
    window->setBoxRunners([](QWidget*, int) { return 1; }, [](QWidget*, int) { return 1; });
    window->initialise();
    window->show();
    window->openAtStart({folder.path()});
    // (gtest checks: a failed QTRY_ macro would only leave the test quietly.)
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->fileList()->recordings().count() == 2; }, 30000));
    const QString second = QString::fromStdString(window->fileList()->recordings().entry(1).fileName);
    auto* info = dynamic_cast<OstrelFileInfo*>(window->pane(PaneId::FileInfo));
    ASSERT_NE(info, nullptr);
#ifdef MOKSEL_HAVE_MAP_PANE
    auto* map = dynamic_cast<OstrelPopupMap*>(window->pane(PaneId::Map));
    ASSERT_NE(map, nullptr);
    window->button(kButtonMap)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return map->pageLoaded(); }, 60000));
    auto coords = [&] {
        QString text;
        bool answered = false;
        map->view()->page()->runJavaScript(QStringLiteral("document.getElementById('coords').innerText"),
                                           [&](const QVariant& value) {
                                               text = value.toString();
                                               answered = true;
                                           });
        QTest::qWaitFor([&] { return answered; }, 10000);
        return text;
    };
#endif
    QTest::mouseDClick(window->fileList(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 28));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (info->repaint(), info->shownTexts().value(0).startsWith(QStringLiteral("126."))); }, 30000));
#ifdef MOKSEL_HAVE_MAP_PANE
    ASSERT_TRUE(QTest::qWaitFor([&] { return coords().startsWith(QStringLiteral("37.")); }, 30000));
#endif
    auto* speed = dynamic_cast<OstrelShowSpeed*>(window->pane(PaneId::ShowSpeed));
    auto* heading = dynamic_cast<OstrelShowDIrection*>(window->pane(PaneId::ShowDirection));
    ASSERT_TRUE(speed != nullptr && heading != nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return speed->speedValue() > 0 && heading->headingDegrees() != 0.0; }, 30000));
    window->button(kButtonNext)->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return window->recordingReady() && window->currentRecordingName() == second &&
                   playbackState.engineState.load() == Playing && window->currentPosition() > 5;
        },
        30000));
    info->repaint();
    EXPECT_EQ(info->shownTexts().value(0), QStringLiteral("GPS 없음"));
    EXPECT_EQ(speed->speedValue(), 0u) << "the previous recording's speed";
    EXPECT_EQ(heading->headingDegrees(), 0.0) << "the previous recording's heading";
#ifdef MOKSEL_HAVE_MAP_PANE
    EXPECT_EQ(coords(), QStringLiteral("GPS 위치 정보 없음"));
#endif
}

}  // namespace
}  // namespace moksel
