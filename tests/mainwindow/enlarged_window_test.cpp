// The enlarged video window with a recorder in place of the engine: when a double click on a
// view opens it, what the opening and the closing do to the shared playback state, the picture
// and name it paints, the control bar following the pointer and acting like the main window's
// own controls, and the keys that do not close it.
#include "mainwindow/enlarged_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QtTest/QTest>
#include <algorithm>
#include <functional>
#include <vector>

#include "controls/slider_messages.h"
#include "controls/slider_panes.h"
#include "displays/time_displays.h"
#include "engine/picture_lock.h"
#include "engine/playback_state.h"
#include "engine/views/video_view.h"
#include "engine_recorder.h"
#include "enlarged_test_support.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/enlarged_control_bar.h"
#include "platform/window_messages.h"
#include "platform/bitmap_button.h"

namespace moksel {
namespace {

using testing::Calls;
using testing::doubleClick;
using testing::EngineRecorder;

// A BGRA picture whose left half and right half have their own colours.
std::vector<uint8_t> twoColourPicture(PictureSize size, QRgb left, QRgb right) {
    std::vector<uint8_t> pixels(static_cast<size_t>(size.width) * size.height * 4);
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const QRgb colour = x < size.width / 2 ? left : right;
            uint8_t* p = &pixels[(static_cast<size_t>(y) * size.width + x) * 4];
            p[0] = qBlue(colour);
            p[1] = qGreen(colour);
            p[2] = qRed(colour);
            p[3] = 255;
        }
    }
    return pixels;
}

bool near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) < 8 && std::abs(qGreen(a) - qGreen(b)) < 8 &&
           std::abs(qBlue(a) - qBlue(b)) < 8;
}

constexpr QRgb kRed = qRgb(200, 30, 30);
constexpr QRgb kBlue = qRgb(30, 30, 200);

class EnlargedWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetState();
        log = std::make_shared<EngineRecorder::Log>();
        window = std::make_unique<COstrelDlg>(std::make_unique<EngineRecorder>(log));
        window->setBoxRunners([](QWidget*, int) { return 1; }, [](QWidget*, int) { return 1; });
        window->initialise();
        window->show();
        window->setSelectedPathSource([] { return std::string(); });
        log->take();
    }
    void TearDown() override {
        window.reset();
        resetState();
    }
    static void resetState() {
        playbackState.uiState = Stopped;
        playbackState.engineState = Stopped;
        playbackState.openState = NoRecording;
        playbackState.flipVertical = 0;
        playbackState.mirrorHorizontal = 0;
        playbackState.enlargedOn = 0;
        playbackState.enlargedShowsRear = 0;
        playbackState.frontSizeIndex = kViewSizeIndex;
        playbackState.rearSizeIndex = kViewSizeIndex;
        playbackState.frontSeekPending = playbackState.rearSeekPending =
            playbackState.audioSeekPending = 0;
        for (int camera : {kFrontCamera, kRearCamera}) {
            currentPicture(camera) = nullptr;
            largePicture(camera) = nullptr;
        }
    }

    void loadPlayingRecording() {
        window->setCurrentRecording("/media/card/evt0_20261209_101500.mp4",
                                    QStringLiteral("evt0_20261209_101500.mp4"));
        window->send(UM_OPEN_DONE, 0, 600);
        playbackState.openState = FrontAndRear;
        log->take();
    }

    static void mouse(QWidget* target, QEvent::Type type, QPoint at,
                      Qt::MouseButtons buttons = Qt::NoButton) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }
    std::shared_ptr<EngineRecorder::Log> log;
    std::unique_ptr<COstrelDlg> window;
};

// Where a 16:9 picture lies in a window of w x h: as wide as the window, or as tall.
QRect pictureArea(int w, int h) {
    QSize size(qRound(h * 16.0 / 9.0), h);
    if (size.width() > w) size = QSize(w, qRound(w * 9.0 / 16.0));
    return QRect(QPoint((w - size.width()) / 2, (h - size.height()) / 2), size);
}

TEST_F(EnlargedWindowTest, ADoubleClickOnAViewOpensItOnlyWhilePlayingOrPausedAndWithAPicture) {
    QWidget* front = window->pane(PaneId::FrontView);
    QWidget* rear = window->pane(PaneId::RearView);
    auto picture = twoColourPicture(pictureSizes[0][kViewSizeIndex], kRed, kBlue);
    playbackState.frontPicture = picture.data();

    // Stopped: the view asks, the main window does nothing.
    EXPECT_FALSE(testing::whileEnlarged(
        *window, [&] { QTest::mouseDClick(front, Qt::LeftButton); }, [](OstrelMovieEntire*) {}));
    EXPECT_EQ(window->enlargedWindow(), nullptr);
    EXPECT_EQ(playbackState.enlargedOn.load(), 0);

    // Playing, but the rear view has no picture: it does not ask.
    loadPlayingRecording();
    EXPECT_FALSE(testing::whileEnlarged(
        *window, [&] { QTest::mouseDClick(rear, Qt::LeftButton); }, [](OstrelMovieEntire*) {}));
    EXPECT_EQ(window->enlargedWindow(), nullptr);

    // Playing with a front picture: the front camera fills the window.
    EXPECT_TRUE(testing::whileEnlarged(
        *window, [&] { QTest::mouseDClick(front, Qt::LeftButton); },
        [&](OstrelMovieEntire* enlarged) {
            EXPECT_EQ(enlarged->camera(), kFrontCamera);
            EXPECT_EQ(playbackState.enlargedShowsRear.load(), 0);
            EXPECT_TRUE(window->enlargedViewShown());
        }));
    EXPECT_FALSE(window->enlargedViewShown());
    EXPECT_EQ(playbackState.enlargedOn.load(), 0);
    // Playing, the decoders make the view-sized pictures again by themselves.
    EXPECT_EQ(log->take(), Calls{"zoomStills"});
}

TEST_F(EnlargedWindowTest, TheRearOpensAsRecordedAndItsFlipsComeBackAfterwards) {
    loadPlayingRecording();
    window->button(kButtonMirror)->click();
    window->button(kButtonFlip)->click();
    window->button(kButtonPause)->click();
    ASSERT_EQ(playbackState.mirrorHorizontal.load(), 1);
    ASSERT_EQ(playbackState.flipVertical.load(), 1);
    log->take();
    window->send(UM_RECORDING_LENGTH, 0, 600);
    // The large still the engine made (renderLargeStills adopts it as the current picture).
    auto large = twoColourPicture(pictureSizes[1][kLargeSizeIndex], kRed, kBlue);
    playbackState.rearPicture = large.data();
    playbackState.rearLargePicture = large.data();

    const bool ran = testing::whileEnlarged(
        *window, [&] { window->send(UM_ENLARGE, 1, 0); },
        [&](OstrelMovieEntire* enlarged) {
            EXPECT_EQ(log->take(), Calls{"largeStills 1"});
            EXPECT_EQ(playbackState.enlargedOn.load(), 1);
            EXPECT_EQ(playbackState.enlargedShowsRear.load(), 1);
            EXPECT_EQ(playbackState.mirrorHorizontal.load(), 0);
            EXPECT_EQ(playbackState.flipVertical.load(), 0);
            EXPECT_EQ(playbackState.enlargedVisible.load(), 1);
            EXPECT_EQ(playbackState.enlargedWindow.load(), static_cast<MessageTarget*>(enlarged));
            EXPECT_EQ(enlarged->camera(), kRearCamera);
            EXPECT_TRUE(enlarged->isModal());
            EXPECT_EQ(enlarged->geometry(), enlarged->screen()->availableGeometry());

            // The whole large picture over the window in the recording's shape (16:9 here),
            // black bars above and below on a taller screen, left half left, and the name in
            // green at the top left.
            const QImage shown = enlarged->grab().toImage();
            const int w = shown.width(), h = shown.height();
            const QRect area = pictureArea(w, h);
            EXPECT_TRUE(near(shown.pixel(w / 4, h / 2), kRed));
            EXPECT_TRUE(near(shown.pixel(3 * w / 4, h / 2), kBlue));
            EXPECT_TRUE(near(shown.pixel(w / 2 - 3, area.bottom() - 1), kRed));
            EXPECT_TRUE(near(shown.pixel(w / 2 + 3, area.top() + 1), kBlue));
            if (area.top() > 4) {
                EXPECT_EQ(shown.pixel(w / 2, area.top() / 2), qRgb(0, 0, 0));
                EXPECT_EQ(shown.pixel(w / 2, (area.bottom() + h) / 2), qRgb(0, 0, 0));
            }
            int green = 0;
            for (int y = 10; y < 40; ++y) {
                for (int x = 10; x < 330; ++x)
                    green += shown.pixel(x, y) == qRgb(0, 255, 0) ? 1 : 0;
            }
            EXPECT_GT(green, 50) << "the file name";

            // A seek from the bar while paused shows the large still of the new place.
            mouse(enlarged, QEvent::MouseMove, {w / 2, h - 5});
            ASSERT_TRUE(enlarged->controlBar()->isVisible());
            QTest::mouseClick(enlarged->controlBar()->slider(), Qt::LeftButton, Qt::NoModifier,
                              QPoint(100, 8));
            const Calls calls = log->take();
            ASSERT_EQ(calls.size(), 2u);
            EXPECT_EQ(calls[0].rfind("seekStill ", 0), 0u);
            EXPECT_EQ(calls[1], "largeStills 1");
        });
    ASSERT_TRUE(ran);
    EXPECT_EQ(playbackState.enlargedOn.load(), 0);
    EXPECT_EQ(playbackState.enlargedVisible.load(), 0);
    EXPECT_EQ(playbackState.mirrorHorizontal.load(), 1);
    EXPECT_EQ(playbackState.flipVertical.load(), 1);
    EXPECT_TRUE(window->rearLeftRight());
    EXPECT_EQ(log->take(), Calls{"zoomStills"});
    EXPECT_EQ(playbackState.uiState.load(), Paused);
}

TEST_F(EnlargedWindowTest, AViewSizedPictureIsNeverReadAsALargeOne) {
    loadPlayingRecording();
    // The decoders have not converted a large frame yet: the current picture is view-sized.
    auto small = twoColourPicture(pictureSizes[0][kViewSizeIndex], kBlue, kRed);
    playbackState.frontPicture = small.data();
    ASSERT_EQ(pictureSizeOf(kFrontCamera, small.data()).width, 487);
    ASSERT_TRUE(testing::whileEnlarged(
        *window, [&] { window->send(UM_ENLARGE, 0, 0); },
        [&](OstrelMovieEntire* enlarged) {
            const QImage shown = enlarged->grab().toImage();
            const QRect area = pictureArea(shown.width(), shown.height());
            EXPECT_TRUE(near(shown.pixel(shown.width() / 4, shown.height() / 2), kBlue));
            EXPECT_TRUE(near(shown.pixel(3 * shown.width() / 4, area.bottom()), kRed));
        }));
}

TEST_F(EnlargedWindowTest, TheControlBarFollowsThePointerAndActsLikeTheMainControls) {
    loadPlayingRecording();
    window->send(UM_RECORDING_LENGTH, 120, 600);
    window->send(UM_POSITION, 240, 0);
    auto picture = twoColourPicture(pictureSizes[0][kViewSizeIndex], kRed, kBlue);
    playbackState.frontPicture = picture.data();

    ASSERT_TRUE(testing::whileEnlarged(
        *window, [&] { window->send(UM_ENLARGE, 0, 0); },
        [&](OstrelMovieEntire* enlarged) {
            OstrelHiddenControl* bar = enlarged->controlBar();
            GrpScrl* slider = bar->slider();
            ASSERT_NE(slider, nullptr);
            // Shown with the recording's range, mark and position.
            EXPECT_EQ(slider->send(GSM_GETMAX, 0, 0), 600);
            EXPECT_EQ(slider->send(GSM_GETPOS, 0, 0), 240);
            EXPECT_EQ(GrpScrl::sharedMark(), 120);
            EXPECT_EQ(bar->positionPane()->storedMaximum(), 600);
            // Its times too, with no time report needed (none comes while paused).
            EXPECT_EQ(bar->timePane()->currentSeconds(), 24u);
            EXPECT_EQ(bar->totalTimePane()->totalSeconds(), 60u);

            // The pointer near the bottom edge shows the bar along it; above the bar hides it.
            const int w = enlarged->width(), h = enlarged->height();
            EXPECT_FALSE(bar->isVisible());
            mouse(enlarged, QEvent::MouseMove, {w / 2, h - 60});
            EXPECT_FALSE(bar->isVisible());
            mouse(enlarged, QEvent::MouseMove, {w / 2, h - 10});
            ASSERT_TRUE(bar->isVisible());
            EXPECT_EQ(bar->geometry(), QRect(0, h - 60, w, 60));
            mouse(enlarged, QEvent::MouseMove, {w / 2, h - 100});
            EXPECT_FALSE(bar->isVisible());
            mouse(enlarged, QEvent::MouseMove, {10, h - 1});
            ASSERT_TRUE(bar->isVisible());

            // Its buttons are the main window's commands.
            bar->button(1005)->click();
            EXPECT_EQ(playbackState.uiState.load(), Paused);
            EXPECT_EQ(log->take(), Calls{"pauseOutput"});
            bar->button(1006)->click();
            EXPECT_EQ(playbackState.uiState.load(), Playing);
            EXPECT_EQ(log->take(), Calls{"CmdPlay"});
            bar->button(1004)->click();
            EXPECT_EQ(playbackState.uiState.load(), Stopped);
            EXPECT_EQ(log->take(), Calls{"CmdStop"});
            bar->button(1006)->click();
            log->take();

            // Reports reach the bar through the main window.
            window->send(UM_POSITION, 300, 0);
            EXPECT_EQ(slider->send(GSM_GETPOS, 0, 0), 300);
            window->send(UM_TIME, 75, 80);
            EXPECT_EQ(bar->timePane()->currentSeconds(), 75u);
            EXPECT_EQ(bar->totalTimePane()->totalSeconds(), 80u);
            window->send(UM_TIME, 95, 80);
            EXPECT_EQ(bar->timePane()->currentSeconds(), 80u) << "never past the length";
            window->send(UM_RECORDING_LENGTH, 0, 900);
            EXPECT_EQ(slider->send(GSM_GETMAX, 0, 0), 900);

            // Its slider seeks like the main one.
            QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(186, 8));
            const LResult position = slider->send(GSM_GETPOS, 0, 0);
            EXPECT_GT(position, 300);
            EXPECT_EQ(playbackState.seekTargetMs.load(), position * 100);
            EXPECT_EQ(playbackState.frontSeekPending.load(), 1);

            // Neither Enter nor a double click on the bar close the window (Escape and F do:
            // the keyboard test).
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
                QTest::keyClick(enlarged, key);
            doubleClick(bar, QPoint(40, 30));
            EXPECT_TRUE(enlarged->isVisible());
        }));
    EXPECT_FALSE(window->enlargedViewShown());
}

TEST_F(EnlargedWindowTest, ClosingByTheDesktopRestoresTheSameStateAndTheWindowOpensAgain) {
    loadPlayingRecording();
    window->button(kButtonMirror)->click();
    auto picture = twoColourPicture(pictureSizes[1][kViewSizeIndex], kRed, kBlue);
    playbackState.rearPicture = picture.data();
    OstrelMovieEntire* first = nullptr;
    ASSERT_TRUE(testing::whileEnlarged(
        *window, [&] { window->send(UM_ENLARGE, 1, 0); },
        [&](OstrelMovieEntire* enlarged) {
            first = enlarged;
            EXPECT_EQ(playbackState.mirrorHorizontal.load(), 0);
            enlarged->close();
        }));
    EXPECT_EQ(playbackState.enlargedOn.load(), 0);
    EXPECT_EQ(playbackState.mirrorHorizontal.load(), 1);
    EXPECT_FALSE(window->enlargedViewShown());

    ASSERT_TRUE(testing::whileEnlarged(
        *window, [&] { window->send(UM_ENLARGE, 0, 0); },
        [&](OstrelMovieEntire* enlarged) {
            EXPECT_EQ(enlarged, first) << "one window for the main window's life";
            EXPECT_EQ(enlarged->camera(), kFrontCamera);
            EXPECT_EQ(playbackState.mirrorHorizontal.load(), 0);
        }));
    EXPECT_EQ(playbackState.mirrorHorizontal.load(), 1);
}

}  // namespace
}  // namespace moksel
