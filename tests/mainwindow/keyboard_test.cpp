// The viewer's keys on the real window with the real engine, one table per situation: each key
// leaves the state its button or slider leaves (play states, slider positions, markers, the
// picture shown, the box asked for), does nothing where its button does nothing (no recording
// loaded), and never presses the button that has the keyboard focus.
#include <gtest/gtest.h>

#include <QtTest/QTest>
#include <QElapsedTimer>
#include <cmath>
#include <functional>
#include <tuple>
#include <mutex>
#include <string>

#include "controls/grp_scrl.h"
#include "controls/repeat_pointer.h"
#include "controls/slider_messages.h"
#include "controls/slider_panes.h"
#include "dialogs/message_texts.h"
#include "engine/picture_lock.h"
#include "engine/playback_state.h"
#include "engine_window_fixture.h"
#include "enlarged_test_support.h"
#include "frame_pattern.h"
#include "mainwindow/enlarged_window.h"
#include "mainwindow/key_card.h"
#include "mainwindow/messages.h"
#include "platform/bitmap_button.h"

namespace moksel {
namespace {

constexpr int kRecordingFrames = 600;  // 20 s at 30 frames a second, a key frame every second

int frontFrame() {
    std::lock_guard<std::mutex> lock(pictureLock(kFrontCamera));
    const uint8_t* pixels = currentPicture(kFrontCamera).load();
    if (pixels == nullptr) return -1;
    const PictureSize size = pictureSizeOf(kFrontCamera, pixels);
    gen::FrameMark mark;
    return gen::readFrameMark(pixels, size.width, size.height, size.width * 4, mark) ? mark.frameNumber : -1;
}

// What the keys may change.
struct State {
    int ui = 0;
    int engine = 0;
    int volume = 0;
    int volumeThumb = 0;
    int soundOn = 0;
    double speed = 0;
    int speedThumb = 0;
    int position = 0;  // the position bar, tenths of a second
    int markerA = 0;   // the position each marker reads back as, tenths of a second
    int markerB = 0;
    bool repeat = false;
    int frame = -1;    // the front picture's frame number
    std::string path;
    size_t boxes = 0;
    int lastBox = -1;
    int filesAsked = 0;
    int folderAsked = 0;
};

using Check = std::function<bool(const State& before, const State& now)>;

// Serves the event loop until `done` holds, at most 30 s; whether it came to hold.
bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > 30000) return false;
        QTest::qWait(10);
    }
    return true;
}

struct Row {
    const char* what;
    int key;
    Qt::KeyboardModifiers modifiers;
    Check check;
};

class KeyboardTest : public EngineWindowTest {
protected:
    static void SetUpTestSuite() { makeDrive(2, kRecordingFrames); }

    void SetUp() override {
        EngineWindowTest::SetUp();
        window->fileList()->setFilesChooser([this](QWidget*) { ++filesAsked; return QStringList(); });
        window->fileList()->setFolderChooser([this](QWidget*) { ++folderAsked; return QString(); });
        // The open buttons come back once the listing scan has ended.
        ASSERT_TRUE(waitFor([this] { return window->button(kButtonOpenFiles)->isEnabled(); }));
    }

    int sliderPosition(PaneId id) const {
        auto* pane = dynamic_cast<SliderPane*>(window->pane(id));
        return static_cast<int>(pane->slider()->send(GSM_GETPOS, 0, 0));
    }
    // The position a marker's centre column stands for, read the way the end of a pass reads it.
    int markerPosition(bool markerB) const {
        auto* markers = dynamic_cast<OstrelRepeatPointer*>(window->pane(PaneId::RepeatPointer));
        auto* seek = dynamic_cast<SliderPane*>(window->pane(PaneId::MovieSeek));
        const int centre = markerB ? markers->markerB().centre() : markers->markerA().centre();
        const int max = static_cast<int>(seek->slider()->send(GSM_GETMAX, 0, 0));
        const LResult fraction = window->paneTarget(PaneId::MovieSeek)->send(UM_PIXEL_TO_FRACTION, centre, 0);
        return static_cast<int>(fraction * max / 10000);
    }

    State state() const {
        State s;
        s.ui = playbackState.uiState.load();
        s.engine = playbackState.engineState.load();
        s.volume = playbackState.volume.load();
        s.volumeThumb = sliderPosition(PaneId::SoundVolume);
        s.soundOn = playbackState.soundOn.load();
        s.speed = playbackState.speedFactor.load();
        s.speedThumb = sliderPosition(PaneId::PlaySpeed);
        s.position = sliderPosition(PaneId::MovieSeek);
        s.markerA = markerPosition(false);
        s.markerB = markerPosition(true);
        s.repeat = window->repeatOn();
        s.frame = frontFrame();
        s.path = window->currentRecordingPath();
        s.boxes = boxes.size();
        s.lastBox = boxes.empty() ? -1 : boxes.back();
        s.filesAsked = filesAsked;
        s.folderAsked = folderAsked;
        return s;
    }

    // Presses each row's key (into `target`, the window unless given) and waits for its check.
    void run(const std::vector<Row>& rows, QWidget* target = nullptr) {
        for (const Row& row : rows) {
            const State before = state();
            QTest::keyClick(target != nullptr ? target : window.get(), static_cast<Qt::Key>(row.key), row.modifiers);
            QTest::qWait(100);  // a key that should do nothing has had the time to do something
            EXPECT_TRUE(waitFor([&] { return row.check(before, state()); })) << row.what;
        }
    }

    std::string pathOf(int entry) const { return recordings().entry(entry).path(); }

    int filesAsked = 0;
    int folderAsked = 0;
};

// Nothing else changed than what a check names.
bool sameSettings(const State& a, const State& b) {
    return a.volume == b.volume && a.volumeThumb == b.volumeThumb && a.soundOn == b.soundOn &&
           a.speed == b.speed && a.speedThumb == b.speedThumb;
}
bool samePlace(const State& a, const State& b) {
    return a.ui == b.ui && a.path == b.path && a.position == b.position && a.markerA == b.markerA &&
           a.markerB == b.markerB && a.repeat == b.repeat;
}
bool unchanged(const State& a, const State& b) {
    return sameSettings(a, b) && samePlace(a, b) && a.boxes == b.boxes && a.filesAsked == b.filesAsked &&
           a.folderAsked == b.folderAsked;
}
// Nothing changed that a key could change while a recording plays on.
bool quiet(const State& a, const State& b) {
    return sameSettings(a, b) && a.ui == b.ui && a.path == b.path && a.repeat == b.repeat && a.boxes == b.boxes;
}
Check box(int code) {
    return [code](const State& a, const State& b) {
        return b.boxes == a.boxes + 1 && b.lastBox == code && samePlace(a, b);
    };
}
Check volume(int value) {
    return [value](const State&, const State& b) { return b.volume == value && b.volumeThumb == value; };
}
Check speed(int step, double factor) {
    return [step, factor](const State&, const State& b) { return b.speedThumb == step && b.speed == factor; };
}
Check paused(std::function<bool(const State&, const State&)> more) {
    return [more](const State& a, const State& b) {
        return b.ui == Paused && b.engine == Paused && a.path == b.path && more(a, b);
    };
}

TEST_F(KeyboardTest, EachKeyDoesWhatItsButtonOrSliderDoes) {
    const auto none = Qt::NoModifier;
    const auto shift = Qt::ShiftModifier;
    const auto ctrl = Qt::ControlModifier;

    // Nothing loaded: the playback keys are guarded as their buttons are; the settings sliders
    // move; the buttons that answer with a box ask for the same box.
    ASSERT_TRUE(window->currentRecordingPath().empty());
    run({
        {"Space: nothing to play", Qt::Key_Space, none, unchanged},
        {"Period: no step", Qt::Key_Period, none, unchanged},
        {"Comma: no step", Qt::Key_Comma, none, unchanged},
        {"Right: the position bar has no range", Qt::Key_Right, none, unchanged},
        {"Shift+Left", Qt::Key_Left, shift, unchanged},
        {"End: no last frame", Qt::Key_End, none, unchanged},
        {"A: no marker moves", Qt::Key_A, none, unchanged},
        {"B: no marker moves", Qt::Key_B, none, unchanged},
        {"PageDown: no next recording", Qt::Key_PageDown, none, unchanged},
        {"F: no picture to enlarge", Qt::Key_F, none,
         [this](const State& a, const State& b) { return unchanged(a, b) && window->enlargedWindow() == nullptr; }},
        {"Ctrl+R: the repeat button's box", Qt::Key_R, ctrl, box(kMsgRepeatNeedsRecording)},
        {"S: the capture button's box", Qt::Key_S, none, box(kMsgCaptureNoRecording)},
        {"Ctrl+S: the save button's box", Qt::Key_S, ctrl, box(kMsgSaveNeedsRecording)},
        {"Ctrl+E: the export button's box", Qt::Key_E, ctrl, box(kMsgExportNeedsRecording)},
        {"Ctrl+O: the files dialog", Qt::Key_O, ctrl,
         [](const State& a, const State& b) { return b.filesAsked == a.filesAsked + 1 && b.folderAsked == a.folderAsked; }},
        {"Ctrl+Shift+O: the folder dialog", Qt::Key_O, ctrl | shift,
         [](const State& a, const State& b) { return b.folderAsked == a.folderAsked + 1 && b.filesAsked == a.filesAsked; }},
        {"Up: volume up a step", Qt::Key_Up, none, volume(64 + 8)},
        {"Down: volume down a step", Qt::Key_Down, none, volume(64)},
        {"M: mute", Qt::Key_M, none,
         [this](const State&, const State& b) { return b.soundOn == 0 && window->button(kButtonMute)->isVisible(); }},
        {"M: sound back", Qt::Key_M, none,
         [this](const State&, const State& b) { return b.soundOn == 1 && window->button(kButtonMute)->isHidden(); }},
        {"]: faster", Qt::Key_BracketRight, none, speed(3, 1.5)},
        {"]: fastest", Qt::Key_BracketRight, none, speed(4, 2.0)},
        {"]: stays fastest", Qt::Key_BracketRight, none, speed(4, 2.0)},
        {"Backspace: normal speed", Qt::Key_Backspace, none, speed(2, 1.0)},
        {"[: slower", Qt::Key_BracketLeft, none, speed(1, 0.5)},
        {"Backspace: normal speed again", Qt::Key_Backspace, none, speed(2, 1.0)},
    });

    // No row chosen and Enter: the first row opens and plays from the start (a click on a row
    // and Enter play that row: the window tests' end-to-end keyboard run).
    ASSERT_LT(recordings().selection(), 0);
    run({{"Enter: plays the first recording", Qt::Key_Return, none,
          [this](const State&, const State& b) {
              return b.path == pathOf(0) && b.ui == Playing && playbackState.engineState.load() == Playing &&
                     window->duration() == kRecordingFrames / 3 && b.frame > 0;
          }}});

    // Space, Enter and Escape typed into the focused stop button never press it.
    BitmapButton* stopButton = window->button(kButtonStop);
    stopButton->setFocus();
    run({{"Space into the focused stop button: pause", Qt::Key_Space, none, paused([](auto&, auto&) { return true; })},
         {"Space again: play", Qt::Key_Space, none,
          [](const State& a, const State& b) { return b.ui == Playing && b.path == a.path; }},
         {"Escape: nothing", Qt::Key_Escape, none, [](const State&, const State& b) { return b.ui == Playing; }},
         {"Space: pause", Qt::Key_Space, none, paused([](auto&, auto&) { return true; })}},
        stopButton);

    // Paused: positions, steps, markers.
    run({
        {"Home: the start", Qt::Key_Home, none, paused([](auto&, const State& b) { return b.position == 0 && b.frame == 0; })},
        {"Period: one frame on", Qt::Key_Period, none,
         paused([](const State& a, const State& b) { return b.frame == a.frame + 1; })},
        {"Period: one more", Qt::Key_Period, none,
         paused([](const State& a, const State& b) { return b.frame == a.frame + 1; })},
        {"Comma: back, never forward", Qt::Key_Comma, none,
         paused([](const State& a, const State& b) { return b.frame >= 0 && b.frame <= a.frame; })},
        {"Home: the start again", Qt::Key_Home, none, paused([](auto&, const State& b) { return b.frame == 0; })},
        {"Right: 5 s on", Qt::Key_Right, none,
         paused([](auto&, const State& b) { return b.position == 50 && b.frame == 150; })},
        {"Shift+Right: a minute on stops at the last key frame", Qt::Key_Right, shift,
         paused([](auto&, const State& b) { return b.position == 190 && b.frame == 570; })},
        {"Shift+Left: a minute back stops at the start", Qt::Key_Left, shift,
         paused([](auto&, const State& b) { return b.position == 0 && b.frame == 0; })},
        {"Right: 5 s on", Qt::Key_Right, none, paused([](auto&, const State& b) { return b.frame == 150; })},
        {"Left: 5 s back", Qt::Key_Left, none, paused([](auto&, const State& b) { return b.frame == 0; })},
        {"Right: 5 s on", Qt::Key_Right, none, paused([](auto&, const State& b) { return b.frame == 150; })},
        {"A: marker A at 5 s", Qt::Key_A, none,
         paused([](const State& a, const State& b) { return std::abs(b.markerA - 50) <= 1 && b.markerB == a.markerB; })},
        {"End: the last frame", Qt::Key_End, none,
         paused([](auto&, const State& b) { return b.frame == kRecordingFrames - 1 && b.position >= 199; })},
        {"Ctrl+R: repeat on", Qt::Key_R, ctrl, [](auto&, const State& b) { return b.repeat; }},
        {"B: marker B at the end, and the repeat ends as when a marker is grabbed", Qt::Key_B, none,
         paused([](const State& a, const State& b) {
             return std::abs(b.markerB - 199) <= 1 && b.markerA == a.markerA && !b.repeat &&
                    playbackState.repeatEndOn.load() == 0;
         })},
        {"Ctrl+R: repeat on", Qt::Key_R, ctrl,
         [](auto&, const State& b) { return b.repeat && playbackState.repeatEndOn.load() == 1; }},
        {"Ctrl+R: repeat off", Qt::Key_R, ctrl, [](auto&, const State& b) { return !b.repeat; }},
        {"]: faster while paused", Qt::Key_BracketRight, none, speed(3, 1.5)},
        {"Backspace: normal speed", Qt::Key_Backspace, none, speed(2, 1.0)},
        {"PageDown: the next recording plays", Qt::Key_PageDown, none,
         [this](auto&, const State& b) { return b.path == pathOf(1) && b.ui == Playing && window->recordingReady(); }},
        {"PageUp: the previous one", Qt::Key_PageUp, none,
         [this](auto&, const State& b) {
             return b.path == pathOf(0) && b.ui == Playing && window->recordingReady() && b.frame >= 0;
         }},
    });

    // F and R open the enlarged window on their camera; in it, Space pauses as in the main
    // window, and F or Escape close it.
    for (const auto& [openKey, camera, closeKey] :
         {std::tuple{Qt::Key_F, 0, Qt::Key_F}, std::tuple{Qt::Key_R, 1, Qt::Key_Escape}}) {
        int shownCamera = -1;
        bool pausedInside = false;
        bool closedByKey = false;
        const bool ran = testing::whileEnlarged(
            *window, [&] { QTest::keyClick(window.get(), openKey); },
            [&](OstrelMovieEntire* enlarged) {
                shownCamera = enlarged->camera();
                const int before = playbackState.uiState.load();
                QTest::keyClick(enlarged, Qt::Key_Space);
                pausedInside = before == Playing ? playbackState.uiState.load() == Paused
                                                 : playbackState.uiState.load() == Playing;
                QTest::keyClick(enlarged, closeKey);
                closedByKey = !enlarged->isVisible();
            });
        EXPECT_TRUE(ran) << "key " << openKey;
        EXPECT_EQ(shownCamera, camera);
        EXPECT_TRUE(pausedInside);
        EXPECT_TRUE(closedByKey) << "key " << closeKey;
        EXPECT_FALSE(window->enlargedViewShown());
        EXPECT_EQ(playbackState.enlargedOn.load(), 0);
    }

    // F1 shows the key card; the next key only closes it.
    run({{"F1: the key card", Qt::Key_F1, none,
          [this](const State& a, const State& b) { return KeyCard::shownOver(window.get()) != nullptr && quiet(a, b); }},
         {"M closes the card and does nothing else", Qt::Key_M, none,
          [this](const State& a, const State& b) { return KeyCard::shownOver(window.get()) == nullptr && quiet(a, b); }},
         {"?: the key card again", Qt::Key_Question, shift,
          [this](auto&, auto&) { return KeyCard::shownOver(window.get()) != nullptr; }}});
    QTest::mouseClick(KeyCard::shownOver(window.get()), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(waitFor([this] { return KeyCard::shownOver(window.get()) == nullptr; }));

    run({{"Delete: the list is emptied", Qt::Key_Delete, none,
          [this](auto&, auto&) { return recordings().count() == 0; }}});
}

}  // namespace
}  // namespace moksel
