// The main window's playback commands: state changes of the playback record, engine commands
// queued, and the direct engine operations. None of them waits for the engine.
#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <utility>

#include "dialogs/message_texts.h"
#include "engine/playback_state.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/enlarged_window.h"
#include "mainwindow/messages.h"
#include "recording/recording_name.h"
#include "platform/bitmap_button.h"

#include "controls/slider_messages.h"
#include "controls/slider_panes.h"

namespace moksel {
namespace {


const QRect kMirrorIndicatorRect(kMirrorIndicatorAt, kIndicatorSize);
const QRect kFlipIndicatorRect(kFlipIndicatorAt, kIndicatorSize);
const QRect kRepeatLabelArea(QPoint(198, 504), QPoint(297, 523));

double speedFactorOfStep(int step) {
    switch (step) {
        case 0: return 0.33;
        case 1: return 0.5;
        case 2: return 1.0;
        case 3: return 1.5;
        default: return 2.0;
    }
}

}  // namespace

void COstrelDlg::pauseStep() {
    if (currentPath_.empty() || playbackState.uiState.load() == Stopped) return;
    playbackState.uiState = Paused;
    engine_->pauseOutput();
    playbackState.engineState = Paused;
}

void COstrelDlg::showMessage(int code, const QString& detail) {
    if (exiting_) return;  // the viewer is ending: nobody is there to read it
    pauseStep();
    const QString outer = std::exchange(messageDetail_, detail);
    if (oneButtonBox_) oneButtonBox_(this, code);
    messageDetail_ = outer;
}

int COstrelDlg::ask(int code) {
    if (exiting_) return 0;  // ending: the answer is no
    pauseStep();
    return twoButtonBox_ ? twoButtonBox_(this, code) : 0;
}

void COstrelDlg::play() {
    // The list following a handover asks to play what already plays.
    if (repairRunning() || followingHandover_) return;
    std::string candidate = repairedPathFor(selectedPath_ ? selectedPath_() : std::string());
    // Play while the loaded recording plays changes nothing (a second Play would make the
    // clock wait for the sound again and put the pictures behind it).
    const bool sameRecording = candidate.empty() || candidate == currentPath_;
    if (sameRecording && !currentPath_.empty() && playbackState.uiState.load() == Playing &&
        playbackState.engineState.load() == Playing) {
        return;
    }
    if (!candidate.empty() && candidate == currentPath_) {
        engine_->push(CmdPlay);
        playbackState.uiState = Playing;
        prepareNextInDrive();
        return;
    }
    if (candidate.empty()) {
        if (!currentPath_.empty()) {
            engine_->push(CmdPlay);
            playbackState.uiState = Playing;
            prepareNextInDrive();
        }
        return;
    }
    if (!repairBeforeOpen(candidate)) return;
    // Another recording: stop the one playing and open the candidate.
    activateWindow();
    repaint();
    recordingReady_ = false;
    playbackState.uiState = Stopped;
    pushEngine(CmdStop);
    const QString path = QString::fromStdString(candidate);
    QString name;
    if (!(selectedName_ && selectedName_(name))) name = QFileInfo(path).fileName();
    currentName_ = name;
    currentPath_ = candidate;
    if (!QFileInfo(path).isFile()) {
        currentPath_.clear();
        showMessage(kMsgFileMissing);
        return;
    }
    if (engineGone_) {
        // No engine answers an open any more: say the recording cannot be read rather than
        // wait for an answer that never comes.
        std::fputs("moksel-viewer: the playback engine is not running; the recording cannot be opened.\n",
                   stderr);
        recordingReady_ = true;
        currentPath_.clear();
        showMessage(kMsgFrontOpenFailed);
        return;
    }
    showWaitCursor();
    // The engine copies the path it is given; the buffer keeps the last one for reference.
    std::strncpy(playbackState.openPathBuffer, candidate.c_str(), sizeof playbackState.openPathBuffer - 1);
    playbackState.openPathBuffer[sizeof playbackState.openPathBuffer - 1] = '\0';
    pushEngine(CmdOpen, candidate.c_str());
    if (routeSeekPath_ != candidate) routeSeekPath_.clear();
    showCurrentRecording();
}

void COstrelDlg::showCurrentRecording() {
    showDriveOnMap();
    const QChar first = currentName_.isEmpty() ? QChar() : currentName_.front();
    WParam kind = first == QLatin1Char('d') ? 0 : first == QLatin1Char('e') ? 1 : 2;
    // A file that does not carry the camera's name (listed because it holds an MP4) has no
    // recording type: the information pane says so instead of guessing one.
    if (!isFrontRecordingName(currentName_.toStdString())) kind = kUnknownRecordingKind;
    sendToPane(PaneId::FileInfo, UM_RECORDING_KIND, kind);
    repaintPane(PaneId::ShowFileName);
}

void COstrelDlg::stop() {
    playbackState.uiState = Stopped;
    pushEngine(CmdStop);
}

void COstrelDlg::stepFrame(bool forward) {
    // After a failed open the ready flag is set but nothing is loaded: a step would leave the
    // player "paused" on no recording, so it needs both.
    if (!recordingReady_ || currentPath_.empty()) return;
    pauseStep();
    engine_->push(forward ? CmdStepForward : CmdStepBack);
    // A step from the stopped state leaves the player paused on the stepped frame.
    playbackState.uiState = Paused;
    engine_->pauseOutput();
    playbackState.engineState = Paused;
}

void COstrelDlg::nextRecording(bool forward) {
    if (!recordingReady_) return;
    playbackState.uiState = Stopped;
    pushEngine(CmdStop);
    sendToPane(PaneId::FileList, forward ? UM_LIST_NEXT : UM_LIST_PREV);
}

void COstrelDlg::endOfPlay() {
    if (repeat_) {
        // Back to marker A: the position bar seeks there through its own notice, then the
        // recording that just ended plays again (a row merely selected in the list meanwhile
        // does not take its place).
        const LResult markerA = sendToPane(PaneId::RepeatPointer, UM_GET_MARKER_A);
        sendToPositionSlider(GSM_SETPOSFROMPIXEL, static_cast<WParam>(markerA));
        if (!currentPath_.empty()) {
            engine_->push(CmdPlay);
            playbackState.uiState = Playing;
        }
        return;
    }
    if (recordingReady_) nextRecording(true);
}

void COstrelDlg::seek(int positionTenths) {
    // Nothing loaded: the position bar may still hold the range of a recording that is gone
    // (a failed open), and there is no picture to show.
    if (currentPath_.empty()) return;
    switch (playbackState.uiState.load()) {
        case Playing:
            playbackState.seekTargetMs = positionTenths * 100;
            playbackState.frontSeekPending = 1;
            if (playbackState.openState.load() == FrontAndRear) playbackState.rearSeekPending = 1;
            playbackState.audioSeekPending = 1;
            break;
        case Paused:
            engine_->seekStill(positionTenths);
            break;
        default:
            playbackState.uiState = Paused;
            engine_->seekStill(positionTenths);
            break;
    }
    if (enlargedView_ && playbackState.uiState.load() == Paused) {
        // A still picture is made at the views' size; the enlarged window shows the large one.
        engine_->renderLargeStills(1);
        if (enlarged_ != nullptr) enlarged_->repaint();
    }
}

void COstrelDlg::goToLastFrame() {
    if (currentPath_.empty() || !recordingReady_) return;
    // Playing, the pause step comes first; stopped, the player becomes paused as a seek makes it.
    if (playbackState.uiState.load() == Playing) pauseStep();
    playbackState.uiState = Paused;
    engine_->showLastFrame();
    if (enlargedView_) {
        engine_->renderLargeStills(1);
        if (enlarged_ != nullptr) enlarged_->repaint();
    }
}

void COstrelDlg::setSpeedStep(int step) {
    const int lit = step < 0 ? 0 : (step > 4 ? 4 : step);
    if (lit != speedStep_) {
        speedStep_ = lit;
        repaint(speedScaleRect());
    }
    if (step == 2) {
        const LResult position = sendToPane(PaneId::MovieSeek, UM_GET_POSITION);
        playbackState.seekTargetMs = static_cast<int>(position) * 100;
        playbackState.audioSeekPending = 1;
        playbackState.speedFactor = 1.0;
        // The sound comes back only while playing: paused or stopped, an unpaused sound device
        // would play under a still picture. Play unpauses it at speed 1.0.
        if (playbackState.uiState.load() == Playing) engine_->resumeSoundAtNormalSpeed();
        return;
    }
    playbackState.speedFactor = speedFactorOfStep(step);
    engine_->pauseSound();
}

void COstrelDlg::setBrightness(int value) {
    playbackState.brightness = value;
    engine_->applyColourAdjustment();
    if (playbackState.uiState.load() == Paused) engine_->changeFrontZoom(0);
}

void COstrelDlg::setContrast(int value) {
    playbackState.contrast = value;
    engine_->applyColourAdjustment();
    if (playbackState.uiState.load() == Paused) engine_->changeFrontZoom(0);
}

void COstrelDlg::resetBrightness() {
    sendToPane(PaneId::Brightness, UM_SET_BRIGHTNESS, 50);
    setBrightness(50);
}

void COstrelDlg::resetContrast() {
    sendToPane(PaneId::Contrast, UM_SET_CONTRAST, 50);
    setContrast(50);
}

void COstrelDlg::toggleRearMirror() {
    if (playbackState.uiState.load() == Stopped || playbackState.openState.load() != FrontAndRear) return;
    rearLeftRight_ = !rearLeftRight_;
    repaint(kMirrorIndicatorRect);
    playbackState.mirrorHorizontal = playbackState.mirrorHorizontal.load() ? 0 : 1;
    engine_->changeFrontZoom(0);
}

void COstrelDlg::toggleRearFlip() {
    if (playbackState.uiState.load() == Stopped || playbackState.openState.load() != FrontAndRear) return;
    rearUpDown_ = !rearUpDown_;
    repaint(kFlipIndicatorRect);
    playbackState.flipVertical = playbackState.flipVertical.load() ? 0 : 1;
    engine_->changeFrontZoom(0);
}

void COstrelDlg::muteOn() {
    playbackState.soundOn = 0;
    if (BitmapButton* indicator = button(kButtonMute)) indicator->show();
}

void COstrelDlg::muteOff() {
    playbackState.soundOn = 1;
    if (BitmapButton* indicator = button(kButtonMute)) indicator->hide();
}

void COstrelDlg::capture() {
    if (currentPath_.empty()) {
        showMessage(kMsgCaptureNoRecording);
        return;
    }
    if (playbackState.uiState.load() == Stopped) {
        showMessage(kMsgCaptureNotPlaying);
        return;
    }
    pauseStep();
    engine_->renderLargeStills(0);
    sendToPane(PaneId::FrontView, UM_CAPTURE);
}

void COstrelDlg::toggleRepeat() {
    if (currentName_.size() < 4) {
        showMessage(kMsgRepeatNeedsRecording);
        return;
    }
    repeat_ = !repeat_;
    repaint(kRepeatLabelArea);
    if (recordingReady_) prepareNextInDrive();
    if (repeat_) {
        const LResult markerB = sendToPane(PaneId::RepeatPointer, UM_GET_MARKER_B);
        const LResult fraction = sendToPane(PaneId::MovieSeek, UM_PIXEL_TO_FRACTION, static_cast<WParam>(markerB));
        if (fraction > 0) {
            playbackState.repeatEndFraction = static_cast<float>(fraction) / 10000.0f;
        } else if (playbackState.repeatEndFraction.load() <= 0.0f) {
            // The position bar has no range yet and no end point was ever set: an end point of
            // 0 would end every pass after its first frame, so the pass runs to the end instead.
            playbackState.repeatEndFraction = 1.0f;
        }
    }
    playbackState.repeatEndOn = repeat_ ? 1 : 0;
}

}  // namespace moksel
