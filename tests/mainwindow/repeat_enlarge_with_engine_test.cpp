// The A-B repeat and the enlarged video window with the real engine on generated recordings:
// the loop between the markers and the large pictures are checked on the frame numbers drawn
// into the generated pictures. Sound goes to SDL's dummy driver. Waits are bounded; nothing is
// timed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include "tests/support/qt_gtest_waits.h"
#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "controls/repeat_pointer.h"
#include "engine/picture_lock.h"
#include "engine/playback_state.h"
#include "engine_window_fixture.h"
#include "enlarged_test_support.h"
#include "frame_pattern.h"
#include "library/ostrel_file_list.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/enlarged_control_bar.h"
#include "mainwindow/enlarged_window.h"
#include "platform/window_messages.h"
#include "platform/bitmap_button.h"
#include "recording_generator.h"

namespace moksel {
namespace {

// What a camera's current picture shows: its size and the mark read from it.
struct Shown {
    int width = 0;
    bool read = false;
    gen::FrameMark mark;
};

Shown shownBy(int camera) {
    std::lock_guard<std::mutex> lock(pictureLock(camera));
    Shown shown;
    const uint8_t* pixels = currentPicture(camera).load();
    if (pixels == nullptr) return shown;
    const PictureSize size = pictureSizeOf(camera, pixels);
    shown.width = size.width;
    shown.read = gen::readFrameMark(pixels, size.width, size.height, size.width * 4, shown.mark);
    return shown;
}

class RepeatEnlargeWithEngineTest : public EngineWindowTest {
protected:
    static void SetUpTestSuite() { makeDrive(2); }

    void playEntry(int entry) {
        doubleClickRow(entry);
        QTRY_VERIFY_WITH_TIMEOUT(
            window->recordingReady() && window->currentRecordingName() == nameOf(entry) &&
                playbackState.engineState.load() == Playing && window->duration() > 0,
            kWaitMs);
    }
    static int frontFrame() {
        const Shown shown = shownBy(kFrontCamera);
        return shown.read ? shown.mark.frameNumber : -1;
    }
    void dragMarker(int from, int to) {
        auto* markers = dynamic_cast<OstrelRepeatPointer*>(window->pane(PaneId::RepeatPointer));
        ASSERT_NE(markers, nullptr);
        auto send = [&](QEvent::Type type, int x, Qt::MouseButtons buttons) {
            const QPointF at(x, 12);
            QMouseEvent event(type, at, markers->mapToGlobal(at),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(markers, &event);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
};

TEST_F(RepeatEnlargeWithEngineTest, PlaybackLoopsBetweenTheMarkersUntilAMarkerIsGrabbed) {
    playEntry(0);
    // B at 60% of the strip (frame 54 of 90); A stays at the start.
    dragMarker(365, 224);
    window->button(kButtonRepeat)->click();
    ASSERT_TRUE(window->repeatOn());
    ASSERT_NEAR(playbackState.repeatEndFraction.load(), 0.6, 0.03);

    // Two passes: each climbs past frame 40, then starts again near the beginning.
    int last = -1, highest = -1, restarts = 0;
    auto sample = [&] {
        const int frame = frontFrame();
        if (frame < 0) return false;  // between passes the engine blanks the views
        highest = std::max(highest, frame);
        if (last >= 40 && frame < 30) ++restarts;
        last = frame;
        return restarts >= 2;
    };
    QTRY_VERIFY_WITH_TIMEOUT(sample(), 3 * kWaitMs);
    EXPECT_LT(highest, 60) << "a pass ends at marker B, not at the recording's end";
    EXPECT_EQ(window->currentRecordingName(), nameOf(0));
    EXPECT_EQ(recordings().selection(), 0);

    // Grabbing a marker ends the repeat: this pass runs to the end and the next entry follows.
    dragMarker(8, 8);
    EXPECT_FALSE(window->repeatOn());
    EXPECT_EQ(playbackState.repeatEndOn.load(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(window->currentRecordingName() == nameOf(1), 3 * kWaitMs);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RepeatEnlargeWithEngineTest, TheEnlargedWindowShowsTheLargeRearPictureAsRecorded) {
    playEntry(0);
    window->button(kButtonMirror)->click();
    // The rear view shows its picture mirrored.
    QTRY_VERIFY_WITH_TIMEOUT(
        shownBy(kRearCamera).read && shownBy(kRearCamera).mark.orientation == gen::kMirrored,
        kWaitMs);

    const bool ran = testing::whileEnlarged(
        *window, [&] { window->send(UM_ENLARGE, kRearCamera, 0); },
        [&](OstrelMovieEntire* enlarged) {
            EXPECT_EQ(playbackState.enlargedVisible.load(), 1);
            // Large, upright, the rear camera's, and moving on.
            auto largeRear = [] {
                const Shown shown = shownBy(kRearCamera);
                return shown.width == 1280 && shown.read &&
                       shown.mark.orientation == gen::kUpright &&
                       shown.mark.camera == gen::Camera::Rear;
            };
            QTRY_VERIFY_WITH_TIMEOUT(largeRear(), kWaitMs);
            const int first = shownBy(kRearCamera).mark.frameNumber;
            QTRY_VERIFY_WITH_TIMEOUT(largeRear() && shownBy(kRearCamera).mark.frameNumber != first,
                                     kWaitMs);

            // Pause and step from the bar: the large picture moves one frame and stays large.
            OstrelHiddenControl* bar = enlarged->controlBar();
            bar->button(1005)->click();
            EXPECT_EQ(playbackState.uiState.load(), Paused);
            QTRY_VERIFY_WITH_TIMEOUT(
                playbackState.rearIdle.load() == 1 || playbackState.engineState.load() == Paused,
                kWaitMs);
            const int paused = shownBy(kRearCamera).mark.frameNumber;
            bar->button(1007)->click();
            QTRY_VERIFY_WITH_TIMEOUT(largeRear() && shownBy(kRearCamera).mark.frameNumber > paused,
                                     kWaitMs);
            // The window paints what the decoders made without leaving the picture lock open.
            EXPECT_FALSE(enlarged->grab().isNull());
        },
        3 * kWaitMs);
    ASSERT_TRUE(ran);
    EXPECT_EQ(playbackState.enlargedOn.load(), 0);
    // Closed while paused: the rear view has its view-sized, mirrored picture back.
    const Shown after = shownBy(kRearCamera);
    EXPECT_EQ(after.width, 487);
    EXPECT_TRUE(after.read);
    EXPECT_EQ(after.mark.orientation, gen::kMirrored);
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace moksel
