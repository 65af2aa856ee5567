// The main window's A-B repeat and about box, with a recorder in place of the engine: the repeat
// button and its label, the end point taken from marker B, grabbing a marker ending the repeat,
// and the end of a pass going back to marker A of the same recording.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QtTest/QTest>
#include <cmath>

#include "controls/repeat_pointer.h"
#include "controls/slider_messages.h"
#include "controls/slider_panes.h"
#include "dialogs/about_box.h"
#include "engine/playback_state.h"
#include "engine_recorder.h"
#include "mainwindow/costrel_dlg.h"
#include "platform/window_messages.h"
#include "platform/bitmap_button.h"

namespace moksel {
namespace {

using testing::Calls;
using testing::EngineRecorder;

constexpr int kLengthTenths = 600;  // a one-minute recording

class RepeatAndAbout : public ::testing::Test {
protected:
    void SetUp() override {
        playbackState.uiState = Stopped;
        playbackState.engineState = Stopped;
        playbackState.repeatEndOn = 0;
        playbackState.repeatEndFraction = 0.0f;
        playbackState.frontSeekPending = playbackState.rearSeekPending =
            playbackState.audioSeekPending = 0;
        log = std::make_shared<EngineRecorder::Log>();
        window = std::make_unique<COstrelDlg>(std::make_unique<EngineRecorder>(log));
        window->setBoxRunners(
            [this](QWidget*, int code) {
                boxes.push_back(code);
                return 1;
            },
            [this](QWidget*, int code) {
                boxes.push_back(100 + code);
                return 1;
            });
        window->initialise();
        window->show();
        // Play asks nobody for a selection: the recording loaded stays the one played.
        window->setSelectedPathSource([] { return std::string(); });
        log->take();
    }
    void TearDown() override {
        window.reset();
        playbackState.uiState = Stopped;
        playbackState.engineState = Stopped;
        playbackState.openState = NoRecording;
        playbackState.repeatEndOn = 0;
        playbackState.frontSeekPending = playbackState.rearSeekPending =
            playbackState.audioSeekPending = 0;
    }

    void loadPlayingRecording() {
        window->setCurrentRecording("/media/card/drf0_20261209_101500.mp4",
                                    QStringLiteral("drf0_20261209_101500.mp4"));
        window->send(UM_OPEN_DONE, 0, kLengthTenths);
        window->send(UM_RECORDING_LENGTH, 0, kLengthTenths);
        playbackState.openState = FrontAndRear;
        log->take();
    }
    OstrelRepeatPointer* markers() const {
        return dynamic_cast<OstrelRepeatPointer*>(window->pane(PaneId::RepeatPointer));
    }
    GrpScrl* positionSlider() const {
        return static_cast<OstrelMovieSeek*>(window->pane(PaneId::MovieSeek))->slider();
    }
    void mouseOnMarkers(QEvent::Type type, int x, Qt::MouseButtons buttons) {
        const QPointF at(x, 12);
        QMouseEvent event(type, at, markers()->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(markers(), &event);
    }
    void dragMarker(int from, int to) {
        mouseOnMarkers(QEvent::MouseButtonPress, from, Qt::LeftButton);
        mouseOnMarkers(QEvent::MouseMove, to, Qt::LeftButton);
        mouseOnMarkers(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
    QImage label() const { return window->grab(QRect(198, 504, 40, 16)).toImage(); }

    std::shared_ptr<EngineRecorder::Log> log;
    std::unique_ptr<COstrelDlg> window;
    std::vector<int> boxes;
};

TEST_F(RepeatAndAbout, InformationButtonShowsAndHidesTheAboutBox) {
    auto* about = dynamic_cast<OstrelAbout*>(window->pane(PaneId::About));
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(about->isVisible());
    window->button(kButtonAbout)->click();
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->pos(), window->mapToGlobal(QPoint(0, 0)) + OstrelAbout::kOffset);
    window->button(kButtonAbout)->click();
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RepeatAndAbout, RepeatNeedsAChosenRecording) {
    ASSERT_NE(markers(), nullptr);
    const QImage off = label();
    window->button(kButtonRepeat)->click();
    EXPECT_EQ(boxes, std::vector<int>{22});
    EXPECT_FALSE(window->repeatOn());
    EXPECT_EQ(playbackState.repeatEndOn.load(), 0);
    EXPECT_EQ(label(), off);
}

TEST_F(RepeatAndAbout, MarkerBSetsTheEndPointAndGrabbingAMarkerEndsTheRepeat) {
    loadPlayingRecording();
    const QImage off = label();
    // B a little right of the strip's middle: centre column 188 + 8.
    dragMarker(365, 196);
    ASSERT_EQ(markers()->send(UM_GET_MARKER_B, 0, 0), 196);

    window->button(kButtonRepeat)->click();
    ASSERT_TRUE(window->repeatOn());
    EXPECT_EQ(playbackState.repeatEndOn.load(), 1);
    const float expected =
        static_cast<float>(
            window->paneTarget(PaneId::MovieSeek)->send(UM_PIXEL_TO_FRACTION, 196, 0)) /
        10000.0f;
    EXPECT_FLOAT_EQ(playbackState.repeatEndFraction.load(), expected);
    EXPECT_NEAR(playbackState.repeatEndFraction.load(), 196.0 / 373.0, 0.03);
    const QImage on = label();
    EXPECT_NE(on, off);

    // Grabbing marker A turns the repeat off at once, label included; letting go changes nothing.
    mouseOnMarkers(QEvent::MouseButtonPress, 8, Qt::LeftButton);
    EXPECT_FALSE(window->repeatOn());
    EXPECT_EQ(playbackState.repeatEndOn.load(), 0);
    EXPECT_EQ(label(), off);
    mouseOnMarkers(QEvent::MouseButtonRelease, 8, Qt::NoButton);
    EXPECT_FALSE(window->repeatOn());

    // Switched on again, then off by the button.
    window->button(kButtonRepeat)->click();
    EXPECT_EQ(label(), on);
    window->button(kButtonRepeat)->click();
    EXPECT_FALSE(window->repeatOn());
    EXPECT_EQ(playbackState.repeatEndOn.load(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RepeatAndAbout, TheEndOfAPassGoesBackToMarkerAOfTheSameRecording) {
    loadPlayingRecording();
    dragMarker(8, 108);  // A's centre at column 108
    window->button(kButtonRepeat)->click();
    ASSERT_TRUE(window->repeatOn());
    // A row merely selected in the list meanwhile does not replace the recording that loops.
    window->setSelectedPathSource(
        [] { return std::string("/media/card/drf0_20261209_102000.mp4"); });

    window->send(UM_PLAY_END, 0, 0);
    const LResult position = positionSlider()->send(GSM_GETPOS, 0, 0);
    EXPECT_EQ(position, positionSlider()->send(GSM_PIXELTOPOS, 108, 0));
    EXPECT_NEAR(static_cast<double>(position), 108.0 / 373.0 * kLengthTenths, 0.04 * kLengthTenths);
    // The seek reached the engine's requests through the position bar's notice, then play.
    EXPECT_EQ(playbackState.seekTargetMs.load(), position * 100);
    EXPECT_EQ(playbackState.frontSeekPending.load(), 1);
    EXPECT_EQ(playbackState.rearSeekPending.load(), 1);
    EXPECT_EQ(log->take(), Calls{"CmdPlay"});
    EXPECT_EQ(playbackState.uiState.load(), Playing);
    EXPECT_EQ(window->currentRecordingName(), QStringLiteral("drf0_20261209_101500.mp4"));
    EXPECT_TRUE(window->repeatOn());
}

TEST_F(RepeatAndAbout, RepeatBeforeTheLengthIsKnownRunsEachPassToTheEnd) {
    window->setCurrentRecording("/media/card/drf0_20261209_101500.mp4",
                                QStringLiteral("drf0_20261209_101500.mp4"));
    window->button(kButtonRepeat)->click();
    ASSERT_TRUE(window->repeatOn());
    // An end point of 0 would end every pass at its first frame.
    EXPECT_EQ(playbackState.repeatEndOn.load(), 1);
    EXPECT_FLOAT_EQ(playbackState.repeatEndFraction.load(), 1.0f);
    // An end point once set stays for the next recording, in proportion to its length.
    window->button(kButtonRepeat)->click();
    playbackState.repeatEndFraction = 0.25f;
    window->button(kButtonRepeat)->click();
    EXPECT_FLOAT_EQ(playbackState.repeatEndFraction.load(), 0.25f);
}

}  // namespace
}  // namespace moksel
