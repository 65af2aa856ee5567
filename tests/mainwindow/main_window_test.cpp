// The main window on real widgets, with a recorder in place of the engine: its layout at start,
// painting, keys, dragging, the ordered shut-down, and its handling of every message it gets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include "tests/support/qt_gtest_waits.h"
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "controls/slider_messages.h"
#include "controls/slider_panes.h"
#include "device/ostrel_config_popup.h"
#include "dialogs/about_box.h"
#include "dialogs/scan_progress_box.h"
#include "displays/ostrel_sensor_graph.h"
#include "displays/ostrel_show_direction.h"
#include "displays/ostrel_show_speed.h"
#include "displays/recording_info_panes.h"
#include "displays/time_displays.h"
#include "displays/zoom_displays.h"
#include "engine/playback_state.h"
#include "engine/views/video_view.h"
#include "library/ostrel_file_list.h"
#include "mainwindow/costrel_app.h"
#include "mainwindow/costrel_dlg.h"
#include "platform/window_messages.h"
#include "platform/bitmap_button.h"
#include "platform/skin.h"
#ifdef MOKSEL_HAVE_MAP_PANE
#include "displays/map/ostrel_popup_map.h"
#endif

namespace moksel {
namespace {

// What the main window asked of the engine, in order.
struct EngineLog {
    std::mutex mutex;
    std::vector<std::string> calls;
    std::atomic<bool> ended{false};
    bool referencesPublishedAtStart = false;
    std::string lastOpenPath;

    void add(std::string call) {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back(std::move(call));
    }
    std::vector<std::string> take() {
        std::lock_guard<std::mutex> lock(mutex);
        return std::exchange(calls, {});
    }
};

class RecordingEngine : public EngineLink {
public:
    explicit RecordingEngine(std::shared_ptr<EngineLog> log) : log_(std::move(log)) {}
    void start(MessageTarget* mainWindow) override {
        log_->referencesPublishedAtStart = playbackState.mainWindow.load() == mainWindow &&
                                           playbackState.frontViewWindow.load() != nullptr &&
                                           playbackState.rearViewWindow.load() != nullptr;
        log_->add("start");
    }
    void push(EngineCommand command, const char* path) override {
        static const char* names[] = {"Quit", "Play", "Stop", "Close", "Open", "StepForward", "StepBack"};
        log_->add(std::string("Cmd") + names[command - CmdQuit]);
        if (path) log_->lastOpenPath = path;
    }
    bool waitForEnd(std::chrono::milliseconds) override { return log_->ended.load(); }
    void join() override { log_->add("join"); }
    void pauseOutput() override { log_->add("pauseOutput"); }
    void pauseSound() override { log_->add("pauseSound"); }
    void resumeSoundAtNormalSpeed() override { log_->add("resumeSound"); }
    void applyColourAdjustment() override { log_->add("applyColour"); }
    void changeFrontZoom(int delta) override { log_->add("frontZoom " + std::to_string(delta)); }
    void changeRearZoom(int delta) override { log_->add("rearZoom " + std::to_string(delta)); }
    void seekStill(int position) override { log_->add("seekStill " + std::to_string(position)); }
    void showLastFrame() override { log_->add("lastFrame"); }
    void renderLargeStills(int adopt) override { log_->add("largeStills " + std::to_string(adopt)); }
    void renderZoomStills() override { log_->add("zoomStills"); }

private:
    std::shared_ptr<EngineLog> log_;
};

using Calls = std::vector<std::string>;

void resetPlaybackState() {
    playbackState.uiState = Stopped;
    playbackState.engineState = Stopped;
    playbackState.openState = NoRecording;
    playbackState.speedFactor = 1.0;
    playbackState.volume = 64;
    playbackState.soundOn = 1;
    playbackState.brightness = 50;
    playbackState.contrast = 50;
    playbackState.frontSizeIndex = kViewSizeIndex;
    playbackState.rearSizeIndex = kViewSizeIndex;
    playbackState.flipVertical = 0;
    playbackState.mirrorHorizontal = 0;
    playbackState.enlargedOn = 0;
    playbackState.positionDragging = 0;
    playbackState.repeatEndOn = 0;
    playbackState.seekTargetMs = 0;
    playbackState.frontSeekPending = playbackState.rearSeekPending = playbackState.audioSeekPending = 0;
    for (int camera : {kFrontCamera, kRearCamera}) {
        currentPicture(camera) = nullptr;
        largePicture(camera) = nullptr;
    }
}

class MainWindowTest : public ::testing::Test {
protected:
    struct Box {
        int code;
        bool twoButtons;
        int uiStateDuring;
    };

    void SetUp() override {
        resetPlaybackState();
        log = std::make_shared<EngineLog>();
        window = std::make_unique<COstrelDlg>(std::make_unique<RecordingEngine>(log));
        window->setBoxRunners(
            [this](QWidget*, int code) {
                boxes.push_back({code, false, playbackState.uiState.load()});
                return 1;
            },
            [this](QWidget*, int code) {
                boxes.push_back({code, true, playbackState.uiState.load()});
                return askAnswer;
            });
        window->initialise();
        window->show();
        log->take();
    }
    void TearDown() override {
        log->ended = true;
        window.reset();
        VideoView::setSaveNameChooser(nullptr);
        resetPlaybackState();
    }

    template <typename Pane>
    Pane* paneAs(PaneId id) const {
        return dynamic_cast<Pane*>(window->pane(id));
    }
    GrpScrl* positionSlider() const {
        return static_cast<OstrelMovieSeek*>(window->pane(PaneId::MovieSeek))->slider();
    }
    // A recording that plays: what the window has after a successful open.
    void loadPlayingRecording(int openState = FrontAndRear) {
        window->setCurrentRecording("/media/card/drf0_20261209_101500.mp4",
                                    QStringLiteral("drf0_20261209_101500.mp4"));
        window->send(UM_OPEN_DONE, 0, 600);
        playbackState.openState = openState;
        log->take();
    }
    OstrelFileList* list() const { return window->fileList(); }
    OstrelOpenningDirMsgBox* scanBox() const {
        return dynamic_cast<OstrelOpenningDirMsgBox*>(window->pane(PaneId::ScanBox));
    }
    // `count` empty files with front-recording names, 10:15:00, 10:15:01, ... in `folder`. The
    // engine is a recorder here: nothing reads them, the list only lists them.
    static QStringList makeNamedFiles(const QString& folder, int count, const char* type = "drf") {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("%1_20261209_1015%2.mp4")
                                     .arg(QLatin1String(type) + QLatin1Char('0'))
                                     .arg(i, 2, 10, QLatin1Char('0'));
            QFile file(folder + QLatin1Char('/') + name);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            paths << file.fileName();
        }
        return paths;
    }
    // Point of a visible row of the list pane.
    static QPoint rowPoint(int row) { return QPoint(100, 18 + 20 * row + 10); }
    void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons,
               Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }

    std::shared_ptr<EngineLog> log;
    std::unique_ptr<COstrelDlg> window;
    std::vector<Box> boxes;
    int askAnswer = 1;
};

// ---- Start-up and layout

TEST_F(MainWindowTest, StartsAsTheFixedSkinnedWindowWithEveryButtonAndPane) {
    EXPECT_EQ(window->geometry(), QRect(0, 0, 1024, 768));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("MOKSEL VIEWER"));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);

    ASSERT_EQ(mainButtons().size(), 28u);  // the layout's 27 and the export button
    for (const ButtonSpec& entry : mainButtons()) {
        BitmapButton* button = window->button(entry.id);
        ASSERT_NE(button, nullptr) << entry.id;
        EXPECT_EQ(button->geometry(), QRect(entry.position, entry.size)) << entry.id;
        EXPECT_EQ(button->isVisible(), entry.shownAtStart) << entry.id;
        EXPECT_EQ(button->toolTip(), entry.toolTip ? QString::fromUtf8(entry.toolTip) : QString()) << entry.id;
    }
    EXPECT_EQ(window->button(kButtonExit)->toolTip(), QStringLiteral("종료합니다"));
    EXPECT_FALSE(window->button(kButtonSwitch)->isVisible());
    EXPECT_FALSE(window->button(kButtonMute)->isVisible());
    EXPECT_TRUE(window->button(kButtonRepeat)->isVisible());
    EXPECT_EQ(window->button(kButtonRepeat)->geometry(), QRect(142, 504, 51, 13));
    EXPECT_EQ(window->button(kButtonFormat)->isEnabled(), window->formatAvailable());
    auto* host = window->findChild<QPushButton*>(QStringLiteral("button1019"));
    ASSERT_NE(host, nullptr);
    EXPECT_FALSE(host->isVisible());

    // Panes at their rectangles, in their order of creation (later ones lie above).
    std::vector<QWidget*> created;
    for (QObject* child : window->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child); widget && widget->objectName().startsWith("Ostrel")) {
            created.push_back(widget);
        }
    }
    std::vector<PaneSpec> expected;
    for (const PaneSpec& entry : mainPanes()) {
#ifndef MOKSEL_HAVE_MAP_PANE
        if (entry.id == PaneId::Map) continue;  // built without the page view: no map
#endif
        expected.push_back(entry);
    }
    expected.push_back(repeatPointerPane());
    ASSERT_EQ(created.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(created[i]->objectName(), QString::fromLatin1(expected[i].className));
        if (!expected[i].rect.isEmpty()) {
            EXPECT_EQ(created[i]->geometry(), expected[i].rect) << expected[i].className;
        }
    }
    // Every pane is its own class, none a stand-in.
    EXPECT_NE(paneAs<OstrelMainView>(PaneId::FrontView), nullptr);
    EXPECT_NE(paneAs<OstrelRearView>(PaneId::RearView), nullptr);
    EXPECT_NE(paneAs<OstrelContrastCtrl>(PaneId::Contrast), nullptr);
    EXPECT_NE(paneAs<OstrelSensorGraph>(PaneId::SensorGraph), nullptr);
    EXPECT_NE(paneAs<OstrelShowSpeed>(PaneId::ShowSpeed), nullptr);
    EXPECT_NE(paneAs<OstrelShowDIrection>(PaneId::ShowDirection), nullptr);
    EXPECT_NE(paneAs<OstrelShowZoom>(PaneId::ShowZoom), nullptr);
    EXPECT_NE(paneAs<OstrelShowZoomRear>(PaneId::ShowZoomRear), nullptr);
    EXPECT_NE(paneAs<OstrelShowTime>(PaneId::ShowTime), nullptr);
    EXPECT_NE(paneAs<OstrelShowTotalTime>(PaneId::ShowTotalTime), nullptr);
    EXPECT_NE(paneAs<OstrelFileInfo>(PaneId::FileInfo), nullptr);
    EXPECT_NE(paneAs<OstrelShowFileName>(PaneId::ShowFileName), nullptr);
    EXPECT_NE(paneAs<OstrelAbout>(PaneId::About), nullptr);
    auto* config = paneAs<OstrelConfigPopup>(PaneId::ConfigPopup);
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->parentWidget(), window.get());
    EXPECT_FALSE(config->isVisible());
    ASSERT_NE(list(), nullptr);
    EXPECT_EQ(list()->geometry(), QRect(661, 428, 344, 260));
    ASSERT_NE(scanBox(), nullptr);
    EXPECT_EQ(scanBox()->parentWidget(), window.get());

    // The map hid after start, uncovering the list; the GPS and FILE LIST buttons switch.
    EXPECT_FALSE(window->pane(PaneId::FileList)->isHidden());
    EXPECT_FALSE(window->pane(PaneId::About)->isVisible());
    EXPECT_FALSE(window->pane(PaneId::ScanBox)->isVisible());
    EXPECT_EQ(window->send(UM_IS_MAP_SHOWN, 0, 0), 0);
#ifdef MOKSEL_HAVE_MAP_PANE
    ASSERT_NE(paneAs<OstrelPopupMap>(PaneId::Map), nullptr);
    EXPECT_TRUE(window->pane(PaneId::Map)->isHidden());
    window->button(kButtonMap)->click();
    EXPECT_EQ(window->send(UM_IS_MAP_SHOWN, 0, 0), 1);
    window->button(kButtonMap)->click();
    EXPECT_EQ(window->send(UM_IS_MAP_SHOWN, 0, 0), 1) << "shown stays shown";
    window->button(kButtonFileList)->click();
    EXPECT_EQ(window->send(UM_IS_MAP_SHOWN, 0, 0), 0);
    window->button(kButtonFileList)->click();
    EXPECT_EQ(window->send(UM_IS_MAP_SHOWN, 0, 0), 0);
#endif

    // The engine was started with every window published for it.
    EXPECT_TRUE(log->referencesPublishedAtStart);
    EXPECT_EQ(playbackState.mainWindow.load(), static_cast<MessageTarget*>(window.get()));
    EXPECT_EQ(playbackState.frontViewWindow.load(), window->paneTarget(PaneId::FrontView));
    EXPECT_EQ(playbackState.rearViewWindow.load(), window->paneTarget(PaneId::RearView));
}

TEST_F(MainWindowTest, PaintsTheRepeatLabelAndTheRearFlipIndicators) {
    const QRect label(198, 504, 40, 16);
    const QImage off = window->grab(label).toImage();
    window->setCurrentRecording("/x/drf0_20261209_101500.mp4", QStringLiteral("drf0_20261209_101500.mp4"));
    window->button(kButtonRepeat)->click();
    ASSERT_TRUE(window->repeatOn());
    EXPECT_EQ(playbackState.repeatEndOn.load(), 1);
    EXPECT_NE(window->grab(label).toImage(), off);
    window->send(UM_REPEAT_OFF, 0, 0);
    EXPECT_FALSE(window->repeatOn());
    EXPECT_EQ(playbackState.repeatEndOn.load(), 0);
    EXPECT_EQ(window->grab(label).toImage(), off);

    // Mirror and flip only while a pair is shown.
    const QRect mirror(QPoint(555, 41), QSize(62, 23));
    const QRect flip(QPoint(647, 40), QSize(62, 23));
    const QImage mirrorOff = window->grab(mirror).toImage();
    window->button(kButtonMirror)->click();
    EXPECT_FALSE(window->rearLeftRight()) << "stopped: nothing changes";
    loadPlayingRecording(FrontOnly);
    window->button(kButtonMirror)->click();
    EXPECT_FALSE(window->rearLeftRight()) << "front only: nothing changes";
    playbackState.openState = FrontAndRear;
    window->button(kButtonMirror)->click();
    window->button(kButtonFlip)->click();
    EXPECT_TRUE(window->rearLeftRight());
    EXPECT_TRUE(window->rearUpDown());
    EXPECT_EQ(playbackState.mirrorHorizontal.load(), 1);
    EXPECT_EQ(playbackState.flipVertical.load(), 1);
    EXPECT_EQ(log->take(), (Calls{"frontZoom 0", "frontZoom 0"}));
    if (hasSkinBitmap(318) && hasSkinBitmap(319)) {
        // The indicators' first column lies under the mirror and flip buttons.
        auto shown = [&](const QRect& area) {
            return window->grab(area.adjusted(1, 0, 0, 0)).toImage().convertToFormat(QImage::Format_RGB32);
        };
        auto bitmap = [](int number) {
            return skinImage(number).convertToFormat(QImage::Format_RGB32).copy(1, 0, 61, 23);
        };
        EXPECT_EQ(shown(mirror), bitmap(319));
        EXPECT_EQ(shown(flip), bitmap(318));
    }
    EXPECT_NE(window->grab(mirror).toImage(), mirrorOff);

    // The enlarged window's closing restores the window's own flip states.
    playbackState.mirrorHorizontal = 0;
    playbackState.enlargedOn = 1;
    window->send(UM_ENLARGE_CLOSING, 0, 0);
    EXPECT_EQ(playbackState.mirrorHorizontal.load(), 1);
    EXPECT_EQ(playbackState.flipVertical.load(), 1);
    EXPECT_EQ(playbackState.enlargedOn.load(), 0);
}

TEST_F(MainWindowTest, TheSpeedScaleLightsOnlyTheStepInUse) {
    // Pixels of the accent colour (cyan) in a step's label box above the speed slider.
    auto lit = [&](int step) {
        const int cx = 205 + 4 + (step * 101 + 2) / 4;
        const QImage box = window->grab(QRect(cx - 14, 651, 28, 14)).toImage();
        int count = 0;
        for (int y = 0; y < box.height(); ++y) {
            for (int x = 0; x < box.width(); ++x) {
                const QRgb c = box.pixel(x, y);
                count += qBlue(c) > 150 && qGreen(c) > 110 && qRed(c) < 90;
            }
        }
        return count;
    };
    for (int step : {0, 4, 2}) {
        window->send(UM_SET_SPEED, static_cast<WParam>(step), 0);
        for (int other = 0; other < 5; ++other) {
            if (other == step) {
                EXPECT_GT(lit(other), 0) << "speed step " << step << " is not lit";
            } else {
                EXPECT_EQ(lit(other), 0) << "step " << other << " lit at speed step " << step;
            }
        }
    }
}

// ---- Keys and mouse

TEST_F(MainWindowTest, SwallowsSpaceEnterAndEscapeAndClearsTheListOnDelete) {
    BitmapButton* play = window->button(kButtonPlay);
    for (int key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyPress(window.get(), static_cast<Qt::Key>(key));
        QTest::keyPress(play, static_cast<Qt::Key>(key));
        EXPECT_FALSE(play->isDown()) << key;
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(log->take().empty());

    // Delete empties the recording list, wherever the focus is in the window.
    QTemporaryDir folder;
    list()->addPathsAsDropped(makeNamedFiles(folder.path(), 3));
    ASSERT_EQ(list()->recordings().count(), 3);
    QTest::keyPress(play, Qt::Key_Delete);
    EXPECT_EQ(list()->recordings().count(), 0);
    EXPECT_EQ(list()->recordings().selection(), -1);
}

TEST_F(MainWindowTest, DragsByTheBackgroundButNotFromTheMuteRectangle) {
    const QPoint start = window->pos();
    mouse(window.get(), QEvent::MouseButtonPress, {300, 20}, Qt::LeftButton);
    mouse(window.get(), QEvent::MouseMove, {340, 45}, Qt::LeftButton, Qt::NoButton);
    mouse(window.get(), QEvent::MouseButtonRelease, {340, 45}, Qt::NoButton);
    EXPECT_EQ(window->pos(), start + QPoint(40, 25));

    // A press on the speed display moves the window too; one on the list does not.
    window->move(0, 0);
    QWidget* speed = window->pane(PaneId::ShowSpeed);
    mouse(speed, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    mouse(window.get(), QEvent::MouseMove, {speed->x() + 30, speed->y() + 10}, Qt::LeftButton, Qt::NoButton);
    mouse(window.get(), QEvent::MouseButtonRelease, {speed->x() + 30, speed->y() + 10}, Qt::NoButton);
    EXPECT_EQ(window->pos(), QPoint(20, 0));

    window->move(0, 0);
    mouse(window.get(), QEvent::MouseButtonPress, {30, 640}, Qt::LeftButton);
    mouse(window.get(), QEvent::MouseMove, {80, 700}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(window->pos(), QPoint(0, 0));
    mouse(window.get(), QEvent::MouseButtonRelease, {80, 700}, Qt::NoButton);
    EXPECT_EQ(playbackState.soundOn.load(), 1) << "released outside the mute rectangle";

    // A release in the mute rectangle mutes; the indicator unmutes.
    mouse(window.get(), QEvent::MouseButtonPress, {30, 640}, Qt::LeftButton);
    mouse(window.get(), QEvent::MouseButtonRelease, {30, 640}, Qt::NoButton);
    EXPECT_EQ(playbackState.soundOn.load(), 0);
    EXPECT_TRUE(window->button(kButtonMute)->isVisible());
    window->button(kButtonMute)->click();
    EXPECT_EQ(playbackState.soundOn.load(), 1);
    EXPECT_FALSE(window->button(kButtonMute)->isVisible());
}

TEST_F(MainWindowTest, WheelZoomsTheViewUnderItAndScrollsTheList) {
    auto wheel = [&](QPoint at, int delta) {
        QWheelEvent event(QPointF(at), QPointF(window->mapToGlobal(at)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(window.get(), &event);
    };
    QTemporaryDir folder;
    list()->addPathsAsDropped(makeNamedFiles(folder.path(), 15));
    wheel({100, 100}, 120);
    EXPECT_TRUE(log->take().empty()) << "stopped: no zoom";
    loadPlayingRecording();
    wheel({700, 500}, -120);
    QCoreApplication::processEvents();
    EXPECT_EQ(list()->recordings().top(), 1) << "down scrolls the list one row";
    wheel({700, 500}, 120);
    QCoreApplication::processEvents();
    EXPECT_EQ(list()->recordings().top(), 0);
    wheel({100, 100}, -120);
    wheel({600, 100}, 120);
    EXPECT_EQ(log->take(), (Calls{"frontZoom -120", "rearZoom 120"}));

    // Paused: the same, and the engine re-renders the still (it checks the state itself).
    playbackState.uiState = Paused;
    wheel({100, 100}, 120);
    EXPECT_EQ(log->take(), Calls{"frontZoom 120"});
    // A front-only recording has no rear view to zoom.
    playbackState.openState = FrontOnly;
    wheel({600, 100}, -120);
    EXPECT_TRUE(log->take().empty());
}

// ---- Shut-down

TEST_F(MainWindowTest, ExitQueuesStopCloseQuitAndEndsOnlyAfterTheEngine) {
    window->button(kButtonExit)->click();
    EXPECT_EQ(log->take(), (Calls{"CmdStop", "CmdClose", "CmdQuit"}));
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    window->button(kButtonExit)->click();
    EXPECT_TRUE(log->take().empty()) << "a second press queues nothing";

    // The engine reports its end while one of its threads still waits in a send to the
    // window: the window must keep serving its queue, never block on the engine.
    std::atomic<LResult> answer{-1};
    std::thread engine([&] {
        window->post(UM_ENGINE_ENDED, 0, 0);
        answer = window->send(UM_GET_DURATION, 0, 0);
        log->ended = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(window->shutDownDone(), 20000);
    engine.join();
    EXPECT_EQ(answer.load(), 0);
    EXPECT_EQ(log->take(), Calls{"join"});
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, DesktopCloseTakesTheExitWay) {
    QCloseEvent close;
    QCoreApplication::sendEvent(window.get(), &close);
    EXPECT_FALSE(close.isAccepted());
    EXPECT_EQ(log->take(), (Calls{"CmdStop", "CmdClose", "CmdQuit"}));
    log->ended = true;
    window->post(UM_ENGINE_ENDED, 0, 0);
    QTRY_VERIFY_WITH_TIMEOUT(window->shutDownDone(), 20000);
}

TEST_F(MainWindowTest, ExitDuringAFolderScanStopsTheScan) {
    QTemporaryDir drive;
    for (const char* sub : {"a", "b", "c", "d"}) {
        ASSERT_TRUE(QDir(drive.path()).mkpath(QLatin1String(sub)));
        makeNamedFiles(drive.path() + QLatin1Char('/') + QLatin1String(sub), 2);
    }
    // The scan runs below the modal loop: Exit pressed in the middle must end it, or the
    // window's loop (and the process) would wait for the whole tree.
    bool exitPressed = false;
    list()->recordings().setEventDrain([&] {
        QCoreApplication::processEvents();
        if (!exitPressed && list()->recordings().count() >= 2) {
            exitPressed = true;
            window->button(kButtonExit)->click();
            log->ended = true;
            window->post(UM_ENGINE_ENDED, 0, 0);
        }
    });
    list()->addPathsAsDropped({drive.path()});
    ASSERT_TRUE(exitPressed);
    EXPECT_LT(list()->recordings().count(), 8) << "the scan went on after Exit";
    QTRY_VERIFY_WITH_TIMEOUT(window->shutDownDone(), 5000);
}

// ---- Engine reports

TEST_F(MainWindowTest, OpenOutcomesSetTheStateAndShowTheirNotices) {
    window->setCurrentRecording("/x/drf0_20261209_101500.mp4", QStringLiteral("drf0_20261209_101500.mp4"));
    // The engine sends its open report from its own thread.
    std::thread engine([&] { window->send(UM_OPEN_DONE, 0, 600); });
    QTRY_VERIFY_WITH_TIMEOUT(window->recordingReady(), 20000);
    engine.join();
    EXPECT_EQ(playbackState.uiState.load(), Playing);
    EXPECT_EQ(log->take(), Calls{"CmdPlay"});
    // Without telemetry the position fields say so from the start.
    ASSERT_EQ(playbackState.telemetryCount.load(), 0);
    const auto* info = dynamic_cast<OstrelFileInfo*>(window->pane(PaneId::FileInfo));
    ASSERT_NE(info, nullptr);
    // Drawn with the window's next paint.
    QTRY_VERIFY_WITH_TIMEOUT(!info->shownTexts().isEmpty(), 5000);
    EXPECT_EQ(info->shownTexts().front(), QStringLiteral("GPS 없음"));

    window->send(UM_REAR_OPEN_FAILED, 0, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].code, 25);
    EXPECT_EQ(boxes[0].uiStateDuring, Paused) << "the front plays on, paused by the box";
    EXPECT_EQ(window->currentRecordingPath(), "/x/drf0_20261209_101500.mp4");

    window->send(UM_OPEN_FAILED, 0, 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].code, 20);
    EXPECT_TRUE(window->currentRecordingPath().empty());
    EXPECT_TRUE(window->recordingReady());
}

TEST_F(MainWindowTest, LengthAndPositionReachThePositionBar) {
    window->send(UM_RECORDING_LENGTH, 123, 600);
    EXPECT_EQ(window->send(UM_GET_MARK, 0, 0), 123);
    EXPECT_EQ(window->send(UM_GET_DURATION, 0, 0), 600);
    EXPECT_EQ(positionSlider()->send(GSM_GETMAX, 0, 0), 600);
    EXPECT_EQ(positionSlider()->send(GSM_GETMIN, 0, 0), 0);

    window->post(UM_POSITION, 250, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->send(UM_GET_POSITION, 0, 0), 250);
    EXPECT_EQ(positionSlider()->send(GSM_GETPOS, 0, 0), 250);
    EXPECT_EQ(window->pane(PaneId::MovieSeek) ? dynamic_cast<MessageTarget*>(window->pane(PaneId::MovieSeek))
                                                    ->send(UM_GET_POSITION, 0, 0)
                                              : -1,
              250);
}

TEST_F(MainWindowTest, ForwardsReportsToThePanesThatShowThem) {
    auto* graph = paneAs<OstrelSensorGraph>(PaneId::SensorGraph);
    auto* speed = paneAs<OstrelShowSpeed>(PaneId::ShowSpeed);
    auto* heading = paneAs<OstrelShowDIrection>(PaneId::ShowDirection);
    auto* time = paneAs<OstrelShowTime>(PaneId::ShowTime);
    auto* total = paneAs<OstrelShowTotalTime>(PaneId::ShowTotalTime);
    ASSERT_TRUE(graph && speed && heading && time && total);

    // Three frames of telemetry for the graph, as an open leaves them.
    TelemetryRecord* records = reserveTelemetry(3);
    for (int i = 0; i < 3; ++i) {
        records[i].accelX = static_cast<int16_t>(25 * i);
        records[i].timeMs = static_cast<uint32_t>(2500 * i);
    }
    playbackState.telemetryCount = 3;
    const double degrees = 90.0;
    window->post(UM_TELEMETRY_LOADED, 0, 0);
    window->post(UM_TELEMETRY_TIME, 4321, 0);
    window->post(UM_HEADING, reinterpret_cast<WParam>(&degrees), 0);
    window->post(UM_SPEED, 0x10000 + 88, 0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(graph->graphFilled());
    EXPECT_EQ(graph->graphPositionMs(), 4321u);
    EXPECT_EQ(heading->headingDegrees(), 90.0);
    EXPECT_EQ(speed->speedValue(), 88u) << "speed is a 16-bit value";
    window->post(UM_TELEMETRY_CLEARED, 0, 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(graph->graphFilled());
    playbackState.telemetryCount = 0;

    // Time: the total display only for a total above 0; the time display with the current
    // time limited to the total.
    window->send(UM_TIME, 75, 60);
    EXPECT_EQ(total->totalSeconds(), 60u);
    EXPECT_EQ(time->currentSeconds(), 60u);
    EXPECT_EQ(time->totalSeconds(), 60u);
    window->send(UM_TIME, 12, 0);
    EXPECT_EQ(total->totalSeconds(), 60u) << "a total of 0 leaves the total display alone";
    EXPECT_EQ(time->currentSeconds(), 0u);

    // A formatted drive takes its entries out of the list; the others stay.
    QTemporaryDir card, other;
    list()->addPathsAsDropped(makeNamedFiles(card.path(), 2) + makeNamedFiles(other.path(), 1, "evt"));
    ASSERT_EQ(list()->recordings().count(), 3);
    const QString root = card.path();
    window->send(UM_DRIVE_FORMATTED, reinterpret_cast<WParam>(&root), 0);
    ASSERT_EQ(list()->recordings().count(), 1);
    EXPECT_EQ(list()->recordings().entry(0).fileName.substr(0, 3), "evt");
}

TEST_F(MainWindowTest, ScanShowsItsBoxAndRelaysFoldersOnlyWhileShown) {
    const QString folder = QStringLiteral("/media/card/DCIM");
    window->send(UM_SCAN_FOLDER, reinterpret_cast<WParam>(&folder), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(scanBox()->folderReference(), nullptr) << "hidden: nothing relayed";

    window->send(UM_SCAN_BEGIN, 0, 0);
    EXPECT_TRUE(scanBox()->isVisible());
    EXPECT_FALSE(window->button(kButtonOpenFiles)->isEnabled());
    EXPECT_FALSE(window->button(kButtonOpenFolder)->isEnabled());
    window->send(UM_SCAN_FOLDER, reinterpret_cast<WParam>(&folder), 0);
    EXPECT_EQ(scanBox()->folderReference(), nullptr) << "posted, not sent";
    QCoreApplication::processEvents();
    EXPECT_EQ(scanBox()->folderReference(), &folder);

    window->send(UM_SCAN_END, 0, 0);
    EXPECT_FALSE(scanBox()->isVisible());
    EXPECT_TRUE(window->button(kButtonOpenFiles)->isEnabled());
    EXPECT_TRUE(window->button(kButtonOpenFolder)->isEnabled());
}

TEST_F(MainWindowTest, AFolderScanDisablesTheOpenButtonsAndItsBoxStopsIt) {
    QTemporaryDir drive;
    for (const char* sub : {"a", "b", "c", "d"}) {
        ASSERT_TRUE(QDir(drive.path()).mkpath(QLatin1String(sub)));
        makeNamedFiles(drive.path() + QLatin1Char('/') + QLatin1String(sub), 2);
    }
    // Between directory items the scan serves the event queue; look at the window then, and
    // press the box's stop button once the first entries are in.
    bool sawBusyWindow = false;
    bool stopped = false;
    const QString* shownFolder = nullptr;
    list()->recordings().setEventDrain([&] {
        QCoreApplication::processEvents();
        if (scanBox()->isVisible() && !window->button(kButtonOpenFiles)->isEnabled() &&
            !window->button(kButtonOpenFolder)->isEnabled()) {
            sawBusyWindow = true;
        }
        if (scanBox()->folderReference() != nullptr) shownFolder = scanBox()->folderReference();
        if (!stopped && list()->recordings().count() >= 2) {
            stopped = true;
            scanBox()->stopButton()->click();
        }
    });
    list()->addPathsAsDropped({drive.path()});
    EXPECT_TRUE(sawBusyWindow);
    EXPECT_EQ(shownFolder, &list()->recordings().currentFolder()) << "the box shows the folder being read";
    EXPECT_TRUE(stopped);
    EXPECT_GE(list()->recordings().count(), 2) << "what was found stays";
    EXPECT_LT(list()->recordings().count(), 8) << "the stop request reached the scan";
    EXPECT_FALSE(scanBox()->isVisible());
    EXPECT_TRUE(window->button(kButtonOpenFiles)->isEnabled());
    EXPECT_TRUE(window->button(kButtonOpenFolder)->isEnabled());
}

TEST_F(MainWindowTest, ResetPanCentresBothViews) {
    auto* front = static_cast<VideoView*>(window->pane(PaneId::FrontView));
    auto* rear = static_cast<VideoView*>(window->pane(PaneId::RearView));
    std::vector<uint8_t> pixels(1280 * 720 * 4);
    playbackState.frontPicture = pixels.data();
    playbackState.rearPicture = pixels.data();
    playbackState.frontSizeIndex = kLargeSizeIndex;
    playbackState.rearSizeIndex = kLargeSizeIndex;
    for (VideoView* view : {front, rear}) {
        mouse(view, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
        mouse(view, QEvent::MouseMove, {60, 30}, Qt::LeftButton, Qt::NoButton);
        mouse(view, QEvent::MouseButtonRelease, {60, 30}, Qt::NoButton);
        ASSERT_EQ(view->panX(), 50);
    }
    window->post(UM_RESET_PAN, 0, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(front->panX(), 0);
    EXPECT_EQ(rear->panY(), 0);
}

// ---- Slider panes' messages

TEST_F(MainWindowTest, SettingsFromTheSliderPanes) {
    window->send(UM_SET_VOLUME, 128, 0);
    EXPECT_EQ(playbackState.volume.load(), 128);
    window->send(UM_SEEK_DRAG, 0, 0);
    EXPECT_EQ(playbackState.positionDragging.load(), 1);
    window->send(UM_SEEK_DRAG_END, 0, 0);
    EXPECT_EQ(playbackState.positionDragging.load(), 0);

    // Colour: re-rendered at once only while paused.
    loadPlayingRecording();
    window->send(UM_SET_BRIGHTNESS, 80, 0);
    EXPECT_EQ(playbackState.brightness.load(), 80);
    EXPECT_EQ(log->take(), Calls{"applyColour"});
    playbackState.uiState = Paused;
    window->send(UM_SET_CONTRAST, 20, 0);
    EXPECT_EQ(playbackState.contrast.load(), 20);
    EXPECT_EQ(log->take(), (Calls{"applyColour", "frontZoom 0"}));
    window->button(kButtonResetContrast)->click();
    EXPECT_EQ(playbackState.contrast.load(), 50);
    EXPECT_EQ(static_cast<OstrelContrastCtrl*>(window->pane(PaneId::Contrast))->slider()->send(GSM_GETPOS, 0, 0), 50);
    EXPECT_EQ(log->take(), (Calls{"applyColour", "frontZoom 0"}));

    // Speed steps.
    const double factors[] = {0.33, 0.5, 1.0, 1.5, 2.0};
    for (int step : {0, 1, 3, 4, 9}) {
        window->send(UM_SET_SPEED, static_cast<WParam>(step), 0);
        EXPECT_EQ(playbackState.speedFactor.load(), factors[step > 4 ? 4 : step]);
    }
    EXPECT_EQ(log->take(), (Calls{"pauseSound", "pauseSound", "pauseSound", "pauseSound", "pauseSound"}));
    window->send(UM_RECORDING_LENGTH, 0, 600);
    positionSlider()->send(GSM_SETPOS, 321, 0);
    // Back to 1.0 while paused: the factor and the sound's position change, the sound stays
    // paused under the still picture (Play brings it back).
    window->send(UM_SET_SPEED, 2, 0);
    EXPECT_EQ(playbackState.speedFactor.load(), 1.0);
    EXPECT_EQ(playbackState.seekTargetMs.load(), 32100);
    EXPECT_EQ(playbackState.audioSeekPending.load(), 1);
    EXPECT_TRUE(log->take().empty());
    playbackState.uiState = Stopped;
    window->send(UM_SET_SPEED, 0, 0);
    window->send(UM_SET_SPEED, 2, 0);
    EXPECT_EQ(log->take(), Calls{"pauseSound"}) << "stopped: no sound either";
    // While playing the sound resumes at the position.
    playbackState.uiState = Playing;
    window->send(UM_SET_SPEED, 2, 0);
    EXPECT_EQ(log->take(), Calls{"resumeSound"});
}

TEST_F(MainWindowTest, SeekFollowsThePlayState) {
    loadPlayingRecording(FrontOnly);
    window->send(UM_SEEK, 45, 0);
    EXPECT_EQ(playbackState.seekTargetMs.load(), 4500);
    EXPECT_EQ(playbackState.frontSeekPending.load(), 1);
    EXPECT_EQ(playbackState.rearSeekPending.load(), 0) << "front only";
    EXPECT_EQ(playbackState.audioSeekPending.load(), 1);
    EXPECT_TRUE(log->take().empty());

    playbackState.uiState = Paused;
    window->send(UM_SEEK, 46, 0);
    playbackState.uiState = Stopped;
    window->send(UM_SEEK, 47, 0);
    EXPECT_EQ(playbackState.uiState.load(), Paused);
    EXPECT_EQ(log->take(), (Calls{"seekStill 46", "seekStill 47"}));
}

// ---- Commands by message

TEST_F(MainWindowTest, PlaybackCommandsByMessage) {
    // Nothing loaded: navigation does nothing, stop still queues its command.
    window->send(UM_CMD_STEP_FORWARD, 0, 0);
    window->send(UM_CMD_NEXT_RECORDING, 0, 0);
    window->send(UM_PLAY_END, 0, 0);
    window->send(UM_CMD_PAUSE, 0, 0);
    window->send(UM_CMD_PLAY, 0, 0);
    EXPECT_TRUE(log->take().empty());
    window->send(UM_CMD_STOP, 0, 0);
    EXPECT_EQ(log->take(), Calls{"CmdStop"});

    loadPlayingRecording();
    window->send(UM_CMD_PAUSE, 0, 0);
    EXPECT_EQ(playbackState.uiState.load(), Paused);
    EXPECT_EQ(playbackState.engineState.load(), Paused);
    EXPECT_EQ(log->take(), Calls{"pauseOutput"});
    window->send(UM_CMD_PLAY, 0, 0);
    EXPECT_EQ(playbackState.uiState.load(), Playing);
    EXPECT_EQ(log->take(), Calls{"CmdPlay"});

    window->send(UM_CMD_STEP_BACK, 0, 0);
    EXPECT_EQ(log->take(), (Calls{"pauseOutput", "CmdStepBack", "pauseOutput"}));
    EXPECT_EQ(playbackState.uiState.load(), Paused);
    window->send(UM_CMD_STOP, 0, 0);
    window->send(UM_CMD_STEP_FORWARD, 0, 0);
    EXPECT_EQ(playbackState.uiState.load(), Paused) << "a step from stopped ends paused";
    EXPECT_EQ(log->take(), (Calls{"CmdStop", "CmdStepForward", "pauseOutput"}));

    // Next, previous and end of play with nothing selected in the list: the recording stops
    // and nothing is opened.
    window->send(UM_CMD_NEXT_RECORDING, 0, 0);
    window->send(UM_CMD_PREV_RECORDING, 0, 0);
    window->send(UM_PLAY_END, 0, 0);
    EXPECT_EQ(playbackState.uiState.load(), Stopped);
    EXPECT_EQ(log->take(), (Calls{"CmdStop", "CmdStop", "CmdStop"}));
}

TEST_F(MainWindowTest, PlayOpensTheSelectedRecordingOrSaysItIsMissing) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));  // so that a repaint paints at once
    QTemporaryDir folder;
    const std::string present = folder.filePath(QStringLiteral("evt0_20261209_101500.mp4")).toStdString();
    {
        QFile file(QString::fromStdString(present));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    std::string selected = folder.filePath(QStringLiteral("drf0_20261209_090000.mp4")).toStdString();
    window->setSelectedPathSource([&] { return selected; });

    window->send(UM_CMD_PLAY, 0, 0);
    EXPECT_EQ(log->take(), Calls{"CmdStop"});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].code, 10);
    EXPECT_TRUE(window->currentRecordingPath().empty());

    selected = present;
    window->send(UM_CMD_PLAY, 0, 0);
    EXPECT_EQ(log->take(), (Calls{"CmdStop", "CmdOpen"}));
    EXPECT_EQ(log->lastOpenPath, present);
    EXPECT_EQ(window->currentRecordingPath(), present);
    EXPECT_EQ(window->currentRecordingName(), QStringLiteral("evt0_20261209_101500.mp4"));
    EXPECT_FALSE(window->recordingReady());
    EXPECT_TRUE(window->waitCursorShown());
    EXPECT_EQ(paneAs<OstrelFileInfo>(PaneId::FileInfo)->recordingKind(), 1) << "an event recording";
    EXPECT_EQ(paneAs<OstrelShowFileName>(PaneId::ShowFileName)->shownName(),
              QStringLiteral("evt0_20261209_101500.mp4"))
        << "the name field was redrawn at once";

    window->send(UM_OPEN_DONE, 0, 600);
    EXPECT_FALSE(window->waitCursorShown());
    log->take();
    // The same selection again: no reopen.
    window->send(UM_CMD_PLAY, 0, 0);
    EXPECT_EQ(log->take(), Calls{"CmdPlay"});
}

// ---- The behaviour-by-state table of the playback commands, on the recorder: every cell
// whose outcome is the window's own (states, queued commands, direct engine calls).

TEST_F(MainWindowTest, PlayByStateAndSelection) {
    QTemporaryDir folder;
    list()->addPathsAsDropped(makeNamedFiles(folder.path(), 2));
    const RecordingList& recordings = list()->recordings();
    ASSERT_EQ(recordings.count(), 2);
    const std::string first = recordings.entry(0).path();
    const std::string second = recordings.entry(1).path();

    // No recording, nothing selected: nothing.
    window->button(kButtonPlay)->click();
    EXPECT_TRUE(log->take().empty());
    EXPECT_EQ(playbackState.uiState.load(), Stopped);

    // No recording, an entry selected: opens it, named by the list.
    mouse(list(), QEvent::MouseButtonRelease, rowPoint(0), Qt::NoButton);
    ASSERT_EQ(recordings.selection(), 0);
    window->button(kButtonPlay)->click();
    EXPECT_EQ(log->take(), (Calls{"CmdStop", "CmdOpen"}));
    EXPECT_EQ(log->lastOpenPath, first);
    EXPECT_EQ(window->currentRecordingName(), QString::fromStdString(recordings.entry(0).fileName));
    window->send(UM_OPEN_DONE, 0, 0);
    EXPECT_EQ(log->take(), Calls{"CmdPlay"});
    EXPECT_EQ(playbackState.uiState.load(), Playing);

    // The selected entry is the current recording: nothing while it plays (a second Play would
    // make the clock wait for the sound again), resume while paused or stopped; never a reopen.
    for (int state : {Playing, Paused, Stopped}) {
        playbackState.uiState = state;
        playbackState.engineState = state;
        window->button(kButtonPlay)->click();
        EXPECT_EQ(log->take(), state == Playing ? Calls{} : Calls{"CmdPlay"}) << state;
        EXPECT_EQ(playbackState.uiState.load(), Playing) << state;
        EXPECT_TRUE(window->recordingReady()) << state;
    }

    // Another entry selected: opens it from every state.
    for (int state : {Playing, Paused, Stopped}) {
        playbackState.uiState = state;
        const int other = recordings.selection() == 0 ? 1 : 0;
        mouse(list(), QEvent::MouseButtonRelease, rowPoint(other), Qt::NoButton);
        window->button(kButtonPlay)->click();
        EXPECT_EQ(log->take(), (Calls{"CmdStop", "CmdOpen"})) << state;
        EXPECT_EQ(log->lastOpenPath, other == 0 ? first : second) << state;
        EXPECT_EQ(playbackState.uiState.load(), Stopped) << "until the engine answers";
        EXPECT_FALSE(window->recordingReady());
        window->send(UM_OPEN_DONE, 0, 0);
        log->take();
    }

    // Nothing selected (the list was emptied), a recording loaded: Play plays it from any state,
    // although the list still remembers the path it had selected last (here another entry).
    const int other = recordings.entry(0).path() == window->currentRecordingPath() ? 1 : 0;
    mouse(list(), QEvent::MouseButtonRelease, rowPoint(other), Qt::NoButton);
    QTest::keyPress(window.get(), Qt::Key_Delete);
    ASSERT_EQ(recordings.selection(), -1);
    ASSERT_FALSE(recordings.selectedPath().empty());
    const std::string loaded = window->currentRecordingPath();
    playbackState.engineState = Stopped;
    for (int state : {Stopped, Playing, Paused}) {
        playbackState.uiState = state;
        window->button(kButtonPlay)->click();
        EXPECT_EQ(log->take(), Calls{"CmdPlay"}) << state;
        EXPECT_EQ(playbackState.uiState.load(), Playing);
        EXPECT_EQ(window->currentRecordingPath(), loaded);
    }
}

TEST_F(MainWindowTest, PauseStopAndFrameStepsByState) {
    // No recording: pause and steps do nothing; stop still queues its command.
    window->button(kButtonPause)->click();
    window->button(kButtonStepForward)->click();
    window->button(kButtonStepBack)->click();
    window->button(kButtonStop)->click();
    EXPECT_EQ(log->take(), Calls{"CmdStop"});
    EXPECT_EQ(playbackState.uiState.load(), Stopped);

    loadPlayingRecording();
    // Playing: pause pauses; paused: pause changes nothing that matters (stays paused).
    window->button(kButtonPause)->click();
    EXPECT_EQ(playbackState.uiState.load(), Paused);
    EXPECT_EQ(playbackState.engineState.load(), Paused);
    window->button(kButtonPause)->click();
    EXPECT_EQ(playbackState.uiState.load(), Paused);
    log->take();
    // Stopped: pause does nothing.
    window->button(kButtonStop)->click();
    EXPECT_EQ(log->take(), Calls{"CmdStop"});
    window->button(kButtonPause)->click();
    EXPECT_TRUE(log->take().empty());
    EXPECT_EQ(playbackState.uiState.load(), Stopped);

    // Steps: from stopped they end paused; from playing they pause first; from paused they step.
    window->button(kButtonStepForward)->click();
    EXPECT_EQ(log->take(), (Calls{"CmdStepForward", "pauseOutput"}));
    EXPECT_EQ(playbackState.uiState.load(), Paused);
    window->button(kButtonStepBack)->click();
    EXPECT_EQ(log->take(), (Calls{"pauseOutput", "CmdStepBack", "pauseOutput"}));
    playbackState.uiState = Playing;
    playbackState.engineState = Playing;
    window->button(kButtonStepForward)->click();
    EXPECT_EQ(log->take(), (Calls{"pauseOutput", "CmdStepForward", "pauseOutput"}));
    EXPECT_EQ(playbackState.engineState.load(), Paused);
    // Stop from playing and from paused.
    for (int state : {Playing, Paused}) {
        playbackState.uiState = state;
        window->button(kButtonStop)->click();
        EXPECT_EQ(playbackState.uiState.load(), Stopped);
        EXPECT_EQ(log->take(), Calls{"CmdStop"});
    }

    // After a failed open the ready flag is set but nothing is loaded: steps and seeks do not
    // leave a "paused" player without a recording.
    window->send(UM_OPEN_FAILED, 0, 0);
    ASSERT_TRUE(window->recordingReady());
    ASSERT_TRUE(window->currentRecordingPath().empty());
    log->take();
    window->button(kButtonStepForward)->click();
    window->send(UM_SEEK, 30, 0);
    EXPECT_TRUE(log->take().empty());
    EXPECT_EQ(playbackState.uiState.load(), Stopped);
    EXPECT_EQ(playbackState.frontSeekPending.load(), 0);
}

TEST_F(MainWindowTest, RearMirrorAndFlipOnlyWithARearWhileNotStopped) {
    auto toggles = [&] {
        window->button(kButtonMirror)->click();
        window->button(kButtonFlip)->click();
    };
    toggles();
    EXPECT_FALSE(window->rearLeftRight());
    EXPECT_FALSE(window->rearUpDown());
    loadPlayingRecording(FrontOnly);
    toggles();
    EXPECT_FALSE(window->rearLeftRight()) << "front only";
    EXPECT_TRUE(log->take().empty());
    loadPlayingRecording(FrontAndRear);
    playbackState.uiState = Stopped;
    toggles();
    EXPECT_FALSE(window->rearLeftRight()) << "stopped";
    EXPECT_TRUE(log->take().empty());

    for (int state : {Playing, Paused}) {
        playbackState.uiState = state;
        toggles();
        const bool on = state == Playing;
        EXPECT_EQ(window->rearLeftRight(), on) << state;
        EXPECT_EQ(window->rearUpDown(), on) << state;
        EXPECT_EQ(playbackState.mirrorHorizontal.load(), on ? 1 : 0);
        EXPECT_EQ(playbackState.flipVertical.load(), on ? 1 : 0);
        // The engine re-renders the stills only while paused (it checks that itself).
        EXPECT_EQ(log->take(), (Calls{"frontZoom 0", "frontZoom 0"}));
    }
}

TEST_F(MainWindowTest, ListDoubleClickNextPreviousAndEndOfPlayOpenTheEntries) {
    QTemporaryDir folder;
    list()->addPathsAsDropped(makeNamedFiles(folder.path(), 3));
    const RecordingList& recordings = list()->recordings();
    ASSERT_EQ(recordings.count(), 3);
    auto pathOf = [&](int i) { return recordings.entry(i).path(); };
    auto openedAndReady = [&](int i) {
        EXPECT_EQ(log->take(), (Calls{"CmdStop", "CmdOpen"}));
        EXPECT_EQ(log->lastOpenPath, pathOf(i));
        EXPECT_EQ(window->currentRecordingPath(), pathOf(i));
        EXPECT_EQ(recordings.selection(), i);
        window->send(UM_OPEN_DONE, 0, 0);
        EXPECT_EQ(log->take(), Calls{"CmdPlay"});
    };

    // Next before anything was opened: nothing (not ready).
    window->button(kButtonNext)->click();
    EXPECT_TRUE(log->take().empty());

    QTest::mouseDClick(list(), Qt::LeftButton, Qt::NoModifier, rowPoint(1));
    openedAndReady(1);

    // Next and previous stop the recording, then the list moves and the window opens the entry.
    window->button(kButtonNext)->click();
    EXPECT_EQ(playbackState.uiState.load(), Stopped);
    // The first Stop stops the playing recording, the second begins the open.
    EXPECT_EQ(log->take(), (Calls{"CmdStop", "CmdStop", "CmdOpen"}));
    EXPECT_EQ(log->lastOpenPath, pathOf(2));
    EXPECT_EQ(recordings.selection(), 2);
    window->send(UM_OPEN_DONE, 0, 0);
    log->take();
    // From the last entry, next wraps to the first; from the first, previous to the last.
    window->button(kButtonNext)->click();
    log->take();
    EXPECT_EQ(recordings.selection(), 0);
    EXPECT_EQ(window->currentRecordingPath(), pathOf(0));
    window->send(UM_OPEN_DONE, 0, 0);
    window->button(kButtonPrevious)->click();
    EXPECT_EQ(recordings.selection(), 2);
    EXPECT_EQ(window->currentRecordingPath(), pathOf(2));
    EXPECT_EQ(log->lastOpenPath, pathOf(2));
    window->send(UM_OPEN_DONE, 0, 0);
    log->take();

    // While an open is in flight the navigation waits for its answer.
    window->send(UM_CMD_NEXT_RECORDING, 0, 0);
    log->take();
    EXPECT_FALSE(window->recordingReady());
    window->send(UM_PLAY_END, 0, 0);
    window->send(UM_CMD_PREV_RECORDING, 0, 0);
    EXPECT_TRUE(log->take().empty());
    EXPECT_EQ(recordings.selection(), 0);
    window->send(UM_OPEN_DONE, 0, 0);
    log->take();

    // End of play (no repeat) goes on with the next entry.
    window->send(UM_PLAY_END, 0, 0);
    EXPECT_EQ(log->take(), (Calls{"CmdStop", "CmdStop", "CmdOpen"}));
    EXPECT_EQ(recordings.selection(), 1);
    EXPECT_EQ(window->currentRecordingPath(), pathOf(1));
}

TEST_F(MainWindowTest, OpenFolderAndOpenFilesButtonsFillTheList) {
    QTemporaryDir folder, loose;
    makeNamedFiles(folder.path(), 3);
    const QStringList files = makeNamedFiles(loose.path(), 2, "mod");
    list()->setFolderChooser([&](QWidget*) { return folder.path(); });
    list()->setFilesChooser([&](QWidget*) { return files; });
    window->button(kButtonOpenFolder)->click();
    EXPECT_EQ(list()->recordings().count(), 3);
    window->button(kButtonOpenFiles)->click();
    ASSERT_EQ(list()->recordings().count(), 2) << "the chosen files replace the list";
    EXPECT_EQ(list()->recordings().entry(0).type, RecordingType::Motion);
}

TEST_F(MainWindowTest, CommandLinePathsAreListedOnceTheEventLoopRuns) {
    QTemporaryDir drive, loose;
    ASSERT_TRUE(QDir(drive.path()).mkpath(QStringLiteral("DCIM/100")));
    makeNamedFiles(drive.path() + QStringLiteral("/DCIM/100"), 2);
    const QStringList single = makeNamedFiles(loose.path(), 1, "evt");
    // A file name the list does not take is left out, without a notice.
    QFile other(loose.path() + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));

    window->openAtStart({drive.path(), single.front(), other.fileName()});
    EXPECT_EQ(list()->recordings().count(), 0) << "not before the event loop runs";
    QTRY_COMPARE_WITH_TIMEOUT(list()->recordings().count(), 3, 20000);
    EXPECT_EQ(list()->recordings().entry(2).fileName.substr(0, 3), "evt") << "in the order given";
    EXPECT_TRUE(boxes.empty());

    // The program takes every argument after its name as a path, relative ones included.
    char program[] = "moksel-viewer", first[] = "/media/card", second[] = "drf0_20261209_101500.mp4";
    char* argv[] = {program, first, second, nullptr};
    EXPECT_EQ(COstrelApp::commandLinePaths(3, argv),
              (QStringList{QStringLiteral("/media/card"), QStringLiteral("drf0_20261209_101500.mp4")}));
    EXPECT_TRUE(COstrelApp::commandLinePaths(1, argv).isEmpty());
}

// ---- An engine that ends on its own

TEST_F(MainWindowTest, AnEngineThatEndsUnaskedLeavesTheWindowOpenUntilExit) {
    QTemporaryDir folder;
    list()->addPathsAsDropped(makeNamedFiles(folder.path(), 1));
    log->ended = true;
    window->post(UM_ENGINE_ENDED, 0, 0);
    QTRY_VERIFY_WITH_TIMEOUT(!window->engineRunning(), 20000);
    EXPECT_EQ(log->take(), Calls{"join"});
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->shutDownDone());
    EXPECT_TRUE(window->isVisible());

    // Opening a recording now says it cannot be read instead of waiting for an answer.
    QTest::mouseDClick(list(), Qt::LeftButton, Qt::NoModifier, rowPoint(0));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].code, 20);
    EXPECT_FALSE(window->waitCursorShown());
    EXPECT_TRUE(window->currentRecordingPath().empty());

    // Exit closes at once: there is no engine left to wait for.
    log->take();
    window->button(kButtonExit)->click();
    EXPECT_TRUE(window->shutDownDone());
    EXPECT_TRUE(log->take().empty()) << "nothing queued for an engine that is gone";
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

// ---- Boxes

TEST_F(MainWindowTest, BoxesPauseFirstAndStayPaused) {
    window->send(UM_SHOW_MESSAGE, 22, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].uiStateDuring, Stopped) << "nothing loaded: nothing to pause";
    EXPECT_TRUE(log->take().empty());

    loadPlayingRecording();
    window->send(UM_SHOW_MESSAGE, 3, 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].code, 3);
    EXPECT_FALSE(boxes[1].twoButtons);
    EXPECT_EQ(boxes[1].uiStateDuring, Paused);
    EXPECT_EQ(log->take(), Calls{"pauseOutput"});
    EXPECT_EQ(playbackState.uiState.load(), Paused);
    EXPECT_EQ(playbackState.engineState.load(), Paused);

    askAnswer = 2;
    EXPECT_EQ(window->send(UM_ASK, 0, 0), 2);
    askAnswer = 1;
    EXPECT_EQ(window->send(UM_ASK, 0, 0), 1);
    EXPECT_TRUE(boxes.back().twoButtons);
}

TEST_F(MainWindowTest, RealBoxesRunModallyAndAnswer) {
    window->setBoxRunners(nullptr, nullptr);
    loadPlayingRecording();
    int uiStateWhileShown = 0;
    auto pressWhenShown = [&](bool ok) {
        QTimer::singleShot(50, [&, ok] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            uiStateWhileShown = playbackState.uiState.load();
            // The box's buttons are named by their control ids: 1 OK, 2 cancel.
            auto* target = box->findChild<BitmapButton*>(ok ? QStringLiteral("1") : QStringLiteral("2"));
            ASSERT_NE(target, nullptr);
            target->click();
        });
    };
    pressWhenShown(true);
    window->send(UM_SHOW_MESSAGE, 7, 0);
    EXPECT_EQ(uiStateWhileShown, Paused);
    pressWhenShown(false);
    EXPECT_EQ(window->send(UM_ASK, 0, 0), 2);
    pressWhenShown(true);
    EXPECT_EQ(window->send(UM_ASK, 0, 0), 1);
}

TEST_F(MainWindowTest, EndingWhileABoxWaitsClosesItAndOpensNoOther) {
    // The end of the session (a signal) arrives while a question waits for the user.
    window->setBoxRunners(nullptr, nullptr);
    loadPlayingRecording();
    QTimer::singleShot(50, [&] { window->exitViewer(); });
    // Should the box stay, this answers it after a while, and the answer tells.
    QTimer::singleShot(8000, [] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            if (auto* button = box->findChild<BitmapButton*>(QStringLiteral("1"))) button->click();
        }
    });
    EXPECT_EQ(window->send(UM_ASK, 1, 0), 0) << "answered no, at once";
    // And nothing more is shown or asked on the way out.
    window->send(UM_SHOW_MESSAGE, 7, 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(window->send(UM_ASK, 1, 0), 0);
}

// ---- Capture

TEST_F(MainWindowTest, CaptureRunsThroughBothViews) {
    window->button(kButtonCapture)->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].code, 19);
    window->setCurrentRecording("/x/drf0_20261209_101500.mp4", QStringLiteral("drf0_20261209_101500.mp4"));
    window->button(kButtonCapture)->click();
    EXPECT_EQ(boxes.back().code, 2) << "stopped";

    QTemporaryDir folder;
    std::vector<uint8_t> pixels(1280 * 720 * 4, 0x80);
    playbackState.frontLargePicture = pixels.data();
    playbackState.rearLargePicture = pixels.data();
    int asked = 0;
    VideoView::setSaveNameChooser([&](QWidget*, const QString&) {
        return folder.filePath(QStringLiteral("shot%1.jpg").arg(++asked));
    });
    loadPlayingRecording();
    boxes.clear();
    window->button(kButtonCapture)->click();
    // The pause step runs before the capture and again before each notice.
    EXPECT_EQ(log->take(), (Calls{"pauseOutput", "largeStills 0", "pauseOutput", "pauseOutput"}));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].code, 7);
    EXPECT_EQ(boxes[1].code, 8);
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("shot1.jpg"))));
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("shot2.jpg"))));
}

// ---- Under Wayland the viewer asks for X11 so that its fixed place holds.

TEST(ViewerStartUp, AsksForX11UnderWaylandOnlyWhenItIsThereAndNothingWasChosen) {
    const QByteArray saved[] = {qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"), qgetenv("QT_QPA_PLATFORM")};
    auto run = [](const char* wayland, const char* x11, const char* chosen) {
        auto set = [](const char* name, const char* value) {
            if (value) qputenv(name, value); else qunsetenv(name);
        };
        set("WAYLAND_DISPLAY", wayland);
        set("DISPLAY", x11);
        set("QT_QPA_PLATFORM", chosen);
        COstrelApp::preferX11UnderWayland();
        return qgetenv("QT_QPA_PLATFORM");
    };
    EXPECT_EQ(run("wayland-0", ":0", nullptr), QByteArray("xcb"));
    EXPECT_EQ(run("wayland-0", nullptr, nullptr), QByteArray()) << "no XWayland: Qt's own choice";
    EXPECT_EQ(run("wayland-0", ":0", "wayland"), QByteArray("wayland")) << "the user's choice stands";
    EXPECT_EQ(run(nullptr, ":0", nullptr), QByteArray());
    qputenv("WAYLAND_DISPLAY", saved[0]);
    qputenv("DISPLAY", saved[1]);
    qputenv("QT_QPA_PLATFORM", saved[2]);
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY", "QT_QPA_PLATFORM"}) {
        if (qgetenv(name).isEmpty()) qunsetenv(name);
    }
}

}  // namespace
}  // namespace moksel
