#include "mainwindow/costrel_dlg.h"

#include <QApplication>
#include <QDialog>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QUrl>
#include <QWheelEvent>
#include <cstdio>

#include "engine/playback_state.h"
#include "engine/views/video_view.h"
#include "mainwindow/enlarged_window.h"
#include "mainwindow/keyboard_commands.h"
#include "mainwindow/message_boxes.h"
#include "mainwindow/messages.h"
#include "platform/bitmap_button.h"
#include "platform/fonts.h"
#include "platform/skin.h"

#include "controls/repeat_pointer.h"
#include "controls/slider_panes.h"
#include "dialogs/about_box.h"
#include "device/ostrel_config_popup.h"
#include "dialogs/scan_progress_box.h"
#include "displays/ostrel_sensor_graph.h"
#include "displays/ostrel_show_direction.h"
#include "displays/ostrel_show_speed.h"
#include "displays/recording_info_panes.h"
#include "displays/time_displays.h"
#include "displays/zoom_displays.h"
#include "library/ostrel_file_list.h"
#ifdef MOKSEL_HAVE_MAP_PANE
#include "displays/map/ostrel_popup_map.h"
#endif

namespace moksel {
namespace {

constexpr int kWindowWidth = 1024;
constexpr int kWindowHeight = 768;
constexpr int kIconBitmap = 128;
constexpr int kBackgroundBitmap = 129;
constexpr int kFlipIndicatorBitmap = 318;
constexpr int kMirrorIndicatorBitmap = 319;
const QRect kRepeatLabelRect(QPoint(198, 504), QPoint(297, 523));  // (198, 504) to (298, 524)

// The speed scale above the play speed slider: one label and tick per speed step, centred on
// the step's thumb position; the step in use is lit.
const char* const kSpeedStepLabels[] = {"0.33", "0.5", "1", "1.5", "2"};
const QColor kScaleDim(140, 144, 150);
const QColor kScaleLit(0, 204, 255);

int speedStepCentre(int step) { return 205 + 4 + (step * 101 + 2) / 4; }

void paintSpeedScale(QPainter& painter, int litStep) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(9);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferFullHinting);
    painter.setFont(font);
    for (int step = 0; step < 5; ++step) {
        const int cx = speedStepCentre(step);
        const QColor colour = step == litStep ? kScaleLit : kScaleDim;
        painter.fillRect(QRect(cx, 662, 1, 3), colour);
        painter.setPen(colour);
        painter.drawText(QRectF(cx - 14, 651, 28, 11), Qt::AlignCenter,
                         QString::fromLatin1(kSpeedStepLabels[step]));
    }
}

// Runs this thread's event loop for a few milliseconds. A local loop, unlike processEvents,
// also delivers events while the caller itself runs inside the delivery of a posted event.
void serveEventsBriefly() {
    QEventLoop serve;
    QTimer::singleShot(5, &serve, &QEventLoop::quit);
    serve.exec();
}

}  // namespace

COstrelDlg::COstrelDlg(std::unique_ptr<EngineLink> engine, QWidget* parent)
    : Window<QDialog>(parent),
      engine_(std::move(engine)),
      labelFont_(skinFont(QStringLiteral("Arial"), 13, 400)),
      oneButtonBox_(runOneButtonBox),
      twoButtonBox_(runTwoButtonBox) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowIcon(QIcon(skinBitmap(kIconBitmap)));
}

COstrelDlg::~COstrelDlg() {
    qApp->removeEventFilter(this);
    // A window torn down without the exit command still ends its engine the ordered way.
    if (engineStarted_ && !engineGone_ && !shutDownDone_) {
        if (!exiting_) {
            pushEngine(CmdStop);
            pushEngine(CmdClose);
            engine_->push(CmdQuit);
        }
        while (!engine_->waitForEnd(std::chrono::milliseconds(2))) serveEventsBriefly();
        engine_->join();
    }
    // Nothing may reach the windows once they are gone.
    if (playbackState.mainWindow.load() == this) playbackState.mainWindow = nullptr;
    playbackState.frontViewWindow = nullptr;
    playbackState.rearViewWindow = nullptr;
}

void COstrelDlg::initialise() {
    if (initialised_) return;
    initialised_ = true;

    // 1. Icon and title.
    setWindowIcon(QIcon(skinBitmap(kIconBitmap)));
    setWindowTitle(QStringLiteral("MOKSEL VIEWER"));
    // 2. The SD card format facility.
    checkFormatFacility();
    // 3. Tool tips come with each button (step 6); the keyboard filter sees every key first.
    qApp->installEventFilter(this);
    // 4. Place and size.
    setGeometry(0, 0, kWindowWidth, kWindowHeight);
    setFixedSize(kWindowWidth, kWindowHeight);
    // 5. The skin.
    background_ = skinBitmap(kBackgroundBitmap);
    // 6. Buttons; 7. panes.
    createButtons();
    createPanes();
    // 8, 9. Publish the windows and start the engine.
    startEngine();
    // 10. No recording.
    currentPath_.clear();
    currentName_.clear();
    // 11. The repeat button.
    repeat_ = false;
    {
        const ButtonSpec& entry = repeatButton();
        auto* repeat = new BitmapButton(this);
        repeat->setObjectName(QStringLiteral("button%1").arg(entry.id));
        repeat->setGeometry(QRect(entry.position, entry.size));
        repeat->setBitmaps(entry.normal, entry.pressed, entry.focus, entry.disabled);
        QObject::connect(repeat, &QAbstractButton::clicked, this, [this] { onButton(kButtonRepeat); });
        repeat->show();
        buttons_[entry.id] = repeat;
    }
    // 12. The repeat markers.
    createPane(repeatPointerPane());
    // 13. The map page, then the map hides and uncovers the list.
    sendToPane(PaneId::Map, UM_MAP_LOAD);
    if (QWidget* map = pane(PaneId::Map)) map->hide();
    // 14. The indicators.
    flipIndicator_ = skinBitmap(kFlipIndicatorBitmap);
    mirrorIndicator_ = skinBitmap(kMirrorIndicatorBitmap);
    // 15. The camera's card, when it is plugged in.
    watchForCards();
}

void COstrelDlg::createButtons() {
    for (const ButtonSpec& entry : mainButtons()) {
        auto* button = new BitmapButton(this);
        button->setObjectName(QStringLiteral("button%1").arg(entry.id));
        button->setGeometry(QRect(entry.position, entry.size));
        button->setBitmaps(entry.normal, entry.pressed, entry.focus, entry.disabled);
        if (entry.toolTip != nullptr) button->setToolTip(QString::fromUtf8(entry.toolTip));
        button->setVisible(entry.shownAtStart);
        const int id = entry.id;
        QObject::connect(button, &QAbstractButton::clicked, this, [this, id] { onButton(id); });
        buttons_[entry.id] = button;
    }
    buttons_[kButtonFormat]->setEnabled(formatAvailable_);
    // The host control of the template: hidden for the whole run.
    hostButton_ = new QPushButton(QStringLiteral("NONE"), this);
    hostButton_->setObjectName(QStringLiteral("button%1").arg(kButtonHost));
    hostButton_->hide();
}

void COstrelDlg::createPanes() {
    for (const PaneSpec& entry : mainPanes()) createPane(entry);
}

QWidget* COstrelDlg::createPane(const PaneSpec& entry) {
    QWidget* widget = nullptr;
    switch (entry.id) {
        case PaneId::Map:
#ifdef MOKSEL_HAVE_MAP_PANE
            widget = new OstrelPopupMap(this);
            wireMapPane(widget);
#endif
            // Built without the page view there is no map: the GPS button shows nothing.
            break;
        case PaneId::FileList: {
            auto* list = new OstrelFileList(this);
            // Play takes the list's selection: its full path and its file name.
            selectedPath_ = [list] {
                const RecordingList& recordings = list->recordings();
                return recordings.selection() >= 0 ? recordings.selectedPath() : std::string();
            };
            selectedName_ = [list](QString& name) { return list->recordings().GetSelectedName(name); };
            widget = list;
            break;
        }
        case PaneId::MovieSeek: widget = new OstrelMovieSeek(this); break;
        case PaneId::FileInfo: widget = new OstrelFileInfo(this); break;
        case PaneId::SensorGraph: widget = new OstrelSensorGraph(this); break;
        // A box of its own, placed beside the main window each time it shows.
        case PaneId::About: widget = new OstrelAbout(this); break;
        // A pop-up of its own, hidden until the CONFIG button; it places itself when shown.
        case PaneId::ConfigPopup: widget = new OstrelConfigPopup(this, devices_.drives); break;
        case PaneId::FrontView: widget = new OstrelMainView(this); break;
        case PaneId::RearView: widget = new OstrelRearView(this); break;
        case PaneId::ShowSpeed: widget = new OstrelShowSpeed(this); break;
        case PaneId::ShowDirection: widget = new OstrelShowDIrection(this); break;
        case PaneId::ShowZoom: widget = new OstrelShowZoom(this); break;
        case PaneId::ShowZoomRear: widget = new OstrelShowZoomRear(this); break;
        case PaneId::ShowFileName:
            // The field asks for the current recording's name at each paint.
            widget = new OstrelShowFileName(this, [this] { return currentName_; });
            break;
        case PaneId::ShowTime: widget = new OstrelShowTime(this); break;
        case PaneId::ShowTotalTime: widget = new OstrelShowTotalTime(this); break;
        case PaneId::PlaySpeed: widget = new OstrelPlaySpeedCtrl(this); break;
        case PaneId::SoundVolume: widget = new OstrelSoundVolumeCtrl(this); break;
        case PaneId::Brightness: widget = new OstrelBrightnessCtrl(this); break;
        case PaneId::Contrast: widget = new OstrelContrastCtrl(this); break;
        // A box of its own over the main window, shown only while the list scans.
        case PaneId::ScanBox: widget = new OstrelOpenningDirMsgBox(this); break;
        case PaneId::RepeatPointer: widget = new OstrelRepeatPointer(this); break;
    }
    if (widget == nullptr) return nullptr;
    widget->setObjectName(QString::fromLatin1(entry.className));
    if (!entry.rect.isEmpty()) widget->setGeometry(entry.rect);
    widget->setVisible(entry.shownAtStart);
    panes_[entry.id] = widget;
    return widget;
}

void COstrelDlg::startEngine() {
    playbackState.frontViewWindow = paneTarget(PaneId::FrontView);
    playbackState.rearViewWindow = paneTarget(PaneId::RearView);
    playbackState.enlargedWindow = nullptr;  // the enlarged window exists only while shown
    playbackState.mainWindow = this;
    hostButton_->hide();
    engine_->start(this);
    engineStarted_ = true;
}

BitmapButton* COstrelDlg::button(int id) const {
    auto found = buttons_.find(id);
    return found == buttons_.end() ? nullptr : found->second;
}

QWidget* COstrelDlg::pane(PaneId id) const {
    auto found = panes_.find(id);
    return found == panes_.end() ? nullptr : found->second.data();
}

MessageTarget* COstrelDlg::paneTarget(PaneId id) const { return dynamic_cast<MessageTarget*>(pane(id)); }

OstrelFileList* COstrelDlg::fileList() const {
    return dynamic_cast<OstrelFileList*>(pane(PaneId::FileList));
}

void COstrelDlg::openAtStart(const QStringList& paths) {
    if (paths.isEmpty()) return;
    QTimer::singleShot(0, this, [this, paths] {
        if (OstrelFileList* list = fileList()) {
            list->openFromCommandLine(paths);
            return;
        }
        std::fputs("moksel-viewer: no recording list in this build; the given paths are ignored.\n", stderr);
    });
}

LResult COstrelDlg::sendToPane(PaneId id, unsigned number, WParam wParam, LParam lParam) {
    MessageTarget* target = paneTarget(id);
    return target != nullptr ? target->send(number, wParam, lParam) : 0;
}

void COstrelDlg::postToPane(PaneId id, unsigned number, WParam wParam, LParam lParam) {
    if (MessageTarget* target = paneTarget(id)) target->post(number, wParam, lParam);
}

void COstrelDlg::updatePane(PaneId id) {
    if (QWidget* widget = pane(id)) widget->update();
}

void COstrelDlg::repaintPane(PaneId id) {
    if (QWidget* widget = pane(id)) widget->repaint();
}

void COstrelDlg::serveEventsFor(int ms) {
    QEventLoop serve;
    QTimer::singleShot(ms, &serve, &QEventLoop::quit);
    serve.exec();
}

void COstrelDlg::setCurrentRecording(const std::string& path, const QString& name) {
    currentPath_ = path;
    currentName_ = name;
}

void COstrelDlg::setSelectedPathSource(std::function<std::string()> source) {
    selectedPath_ = std::move(source);
    selectedName_ = nullptr;
}

void COstrelDlg::setBoxRunners(BoxRunner oneButton, BoxRunner twoButton) {
    oneButtonBox_ = oneButton ? std::move(oneButton) : BoxRunner(runOneButtonBox);
    twoButtonBox_ = twoButton ? std::move(twoButton) : BoxRunner(runTwoButtonBox);
}

void COstrelDlg::showWaitCursor() {
    if (waitCursor_) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    waitCursor_ = true;
}

void COstrelDlg::endWaitCursor() {
    if (!waitCursor_) return;
    QApplication::restoreOverrideCursor();
    waitCursor_ = false;
}

// ---- Buttons

void COstrelDlg::onButton(int id) {
    switch (id) {
        case kButtonExit: exitViewer(); break;
        case kButtonMinimise: showMinimized(); break;
        case kButtonPrevious: nextRecording(false); break;
        case kButtonStepBack: stepFrame(false); break;
        case kButtonStop: stop(); break;
        case kButtonPlay: play(); break;
        case kButtonPause: pauseStep(); break;
        case kButtonStepForward: stepFrame(true); break;
        case kButtonNext: nextRecording(true); break;
        case kButtonMirror: toggleRearMirror(); break;
        case kButtonFlip: toggleRearFlip(); break;
        case kButtonMute: muteOff(); break;
        case kButtonResetBrightness: resetBrightness(); break;
        case kButtonResetContrast: resetContrast(); break;
        case kButtonCapture: capture(); break;
        case kButtonOpenFiles:
            pauseStep();
            sendToPane(PaneId::FileList, UM_LIST_OPEN_FILES);
            break;
        case kButtonOpenFolder:
            pauseStep();
            sendToPane(PaneId::FileList, UM_LIST_OPEN_FOLDER);
            break;
        case kButtonSave: saveRecordingPair(); break;
        case kButtonExport: exportRecording(); break;
        case kButtonConfig: showConfiguration(); break;
        case kButtonFormat: formatSdCard(); break;
        case kButtonSpeedUnit:
            if (auto* speed = dynamic_cast<OstrelShowSpeed*>(pane(PaneId::ShowSpeed))) speed->toggleUnit();
            break;
        case kButtonHeadingStyle:
            if (auto* heading = dynamic_cast<OstrelShowDIrection*>(pane(PaneId::ShowDirection))) {
                heading->toggleStyle();
            }
            break;
        case kButtonLogo: QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerWebSite))); break;
        case kButtonMap:
            if (QWidget* map = pane(PaneId::Map); map != nullptr && map->isHidden()) {
                map->raise();
                map->show();
            }
            break;
        case kButtonFileList:
            if (QWidget* map = pane(PaneId::Map); map != nullptr && map->isVisible()) map->hide();
            break;
        case kButtonRepeat: toggleRepeat(); break;
        case kButtonAbout:
            if (auto* about = dynamic_cast<OstrelAbout*>(pane(PaneId::About))) about->toggle();
            break;
        default:  // 1010 stays hidden; 1019 is no command
            break;
    }
}

// ---- Painting and input

void COstrelDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (background_.isNull()) {
        painter.fillRect(rect(), QColor(30, 30, 30));
    } else {
        painter.drawPixmap(0, 0, background_);
    }
    if (rearUpDown_) painter.drawPixmap(kFlipIndicatorAt, flipIndicator_);
    if (rearLeftRight_) painter.drawPixmap(kMirrorIndicatorAt, mirrorIndicator_);
    paintSpeedScale(painter, speedStep_);
    painter.setFont(labelFont_);
    painter.setPen(QColor(222, 222, 222));
    painter.drawText(kRepeatLabelRect, Qt::AlignLeft | Qt::AlignTop,
                     repeat_ ? QStringLiteral("ON") : QStringLiteral("OFF"));
}

void COstrelDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        Window<QDialog>::mousePressEvent(event);
        return;
    }
    event->accept();
    if (kMuteRect.contains(event->position().toPoint())) return;
    if (!startSystemMove(this)) dragger_.press(this, event->globalPosition().toPoint());
}

void COstrelDlg::mouseMoveEvent(QMouseEvent* event) {
    if (dragger_.active()) {
        dragger_.move(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    Window<QDialog>::mouseMoveEvent(event);
}

void COstrelDlg::mouseReleaseEvent(QMouseEvent* event) {
    dragger_.release();
    if (event->button() == Qt::LeftButton && kMuteRect.contains(event->position().toPoint())) {
        BitmapButton* indicator = button(kButtonMute);
        if (indicator != nullptr && indicator->isHidden()) muteOn();
    }
    event->accept();
}

void COstrelDlg::wheelEvent(QWheelEvent* event) {
    const QPoint point = event->position().toPoint();
    const int delta = event->angleDelta().y();
    const bool up = delta > 0;
    if (kListRect.contains(point)) postToPane(PaneId::FileList, UM_LIST_WHEEL, up ? 1 : 0);
    if (playbackState.uiState.load() != Stopped) {
        if (kFrontViewRect.contains(point)) {
            sendToPane(PaneId::FrontView, UM_ZOOM_STEP, up ? 1 : 0);
            engine_->changeFrontZoom(delta);
            updatePane(PaneId::ShowZoom);
        } else if (kRearViewRect.contains(point) && playbackState.openState.load() == FrontAndRear) {
            sendToPane(PaneId::RearView, UM_ZOOM_STEP, up ? 1 : 0);
            engine_->changeRearZoom(delta);
            updatePane(PaneId::ShowZoomRear);
        }
    }
    event->accept();
}

bool COstrelDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        QWidget* top = widget != nullptr ? widget->window() : nullptr;
        if (top != nullptr && (top == this || (enlarged_ != nullptr && top == enlarged_))) {
            // The viewer's keys act before any focused button sees them (keyboard_commands.h).
            auto* keyEvent = static_cast<QKeyEvent*>(event);
            const KeyPlace place = top == this ? KeyPlace::MainWindow : KeyPlace::EnlargedWindow;
            if (auto command = commandForKey(keyEvent->key(), keyEvent->modifiers(), place)) {
                runKeyCommand(*this, *command, place);
                return true;
            }
            const int key = keyEvent->key();
            if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter ||
                key == Qt::Key_Escape) {
                return true;  // swallowed: nothing in the main window reacts to them
            }
        }
    }
    return Window<QDialog>::eventFilter(watched, event);
}

void COstrelDlg::keyPressEvent(QKeyEvent* event) {
    // Escape and Enter never end the dialog; Exit is the way out.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        event->accept();
        return;
    }
    Window<QDialog>::keyPressEvent(event);
}

void COstrelDlg::closeEvent(QCloseEvent* event) {
    // A close asked by the desktop (task bar, window menu) takes the exit button's way.
    if (shutDownDone_) {
        event->accept();
        return;
    }
    event->ignore();
    exitViewer();
}

// ---- Shut-down

void COstrelDlg::exitViewer() {
    if (exiting_) return;
    exiting_ = true;
    // Ended by a signal while a box or a file dialog waits for the user: the box answers no
    // (nothing is replaced or deleted), and no box opens after it, so the viewer ends instead
    // of leaving a box on the screen with the window gone.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog != nullptr && dialog != this && dialog->isVisible() && dialog->isModal()) {
            dialog->done(QDialog::Rejected);
        }
    }
    cancelRepair();  // a repair in progress stops; nothing opens after it
    // A folder scan runs on this thread below the modal loop: stop it, or the loop could not
    // return (and the process not end) before the whole tree had been read.
    sendToPane(PaneId::FileList, UM_SCAN_CANCEL);
    if (!engineStarted_ || engineGone_) {
        finishShutDown();
        return;
    }
    pushEngine(CmdStop);
    pushEngine(CmdClose);
    engine_->push(CmdQuit);
    // Whatever the engine is busy with (a long open, a wait for its decoders), it ends now.
    engine_->requestQuit();
    // The window closes when the engine reports its end (UM_ENGINE_ENDED).
}

LResult COstrelDlg::onEngineEnded(WParam, LParam) {
    if (shutDownDone_ || engineGone_) return 0;
    if (!exiting_) {
        // Nobody asked the engine to end: it could not start (SDL, e.g. no sound device) or
        // failed on its own. Closing now would look like the window vanishing; it stays open
        // and only the exit command closes it.
        std::fputs("moksel-viewer: the playback engine has ended unexpectedly; the window stays "
                   "open, but recordings cannot be played until the viewer is restarted.\n",
                   stderr);
        waitForEngineEnd();
        engineGone_ = true;
        endWaitCursor();
        // An exit pressed while the window waited for the thread closes now.
        if (exiting_) finishShutDown();
        return 0;
    }
    waitForEngineEnd();
    engineGone_ = true;
    finishShutDown();
    return 0;
}

void COstrelDlg::waitForEngineEnd() {
    // The engine posts its end just before it ends. Wait for the end while serving this
    // thread's events: an engine thread still in a send or a repaint to this window needs them.
    QElapsedTimer waited;
    waited.start();
    while (!engine_->waitForEnd(std::chrono::milliseconds(2))) {
        serveEventsBriefly();
        if (waited.elapsed() > 10000) {
            std::fputs("Still waiting for the playback engine to end.\n", stderr);
            waited.restart();
        }
    }
    engine_->join();
}

void COstrelDlg::finishShutDown() {
    shutDownDone_ = true;
    endWaitCursor();
    if (playbackState.mainWindow.load() == this) playbackState.mainWindow = nullptr;
    done(QDialog::Accepted);
}

}  // namespace moksel
