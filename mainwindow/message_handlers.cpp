// The main window's message table: every private message addressed to it, handled here or
// forwarded with the same arguments to the pane that shows it.
#include <QApplication>

#include "engine/playback_state.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/enlarged_window.h"
#include "mainwindow/messages.h"
#include "platform/bitmap_button.h"

#include "controls/slider_messages.h"
#include "controls/slider_panes.h"
#include "displays/recording_info_panes.h"

namespace moksel {

const MessageMap<COstrelDlg>& COstrelDlg::messageMap() {
    static const MessageMap<COstrelDlg> map = {
        {UM_CMD_PLAY, &COstrelDlg::onCmdPlay},
        {UM_CMD_STOP, &COstrelDlg::onCmdStop},
        {UM_CMD_PAUSE, &COstrelDlg::onCmdPause},
        {UM_CMD_STEP_FORWARD, &COstrelDlg::onCmdStepForward},
        {UM_CMD_STEP_BACK, &COstrelDlg::onCmdStepBack},
        {UM_CMD_NEXT_RECORDING, &COstrelDlg::onCmdNextRecording},
        {UM_CMD_PREV_RECORDING, &COstrelDlg::onCmdPrevRecording},
        {UM_PLAY_END, &COstrelDlg::onPlayEnd},
        {UM_RECORDING_LENGTH, &COstrelDlg::onRecordingLength},
        {UM_POSITION, &COstrelDlg::onPosition},
        {UM_SPEED, &COstrelDlg::onSpeed},
        {UM_TIME, &COstrelDlg::onTime},
        {UM_RESET_PAN, &COstrelDlg::onResetPan},
        {UM_INFO_CHANGED, &COstrelDlg::onInfoChanged},
        {UM_TELEMETRY_LOADED, &COstrelDlg::onTelemetryToGraph},
        {UM_TELEMETRY_TIME, &COstrelDlg::onTelemetryTime},
        {UM_TELEMETRY_CLEARED, &COstrelDlg::onTelemetryCleared},
        {UM_MAP_POSITION, &COstrelDlg::onMapPosition},
        {UM_SET_SPEED, &COstrelDlg::onSetSpeed},
        {UM_SEEK, &COstrelDlg::onSeek},
        {UM_SEEK_DRAG, &COstrelDlg::onSeekDrag},
        {UM_SEEK_DRAG_END, &COstrelDlg::onSeekDragEnd},
        {UM_ENGINE_ENDED, &COstrelDlg::onEngineEnded},
        {UM_OPEN_DONE, &COstrelDlg::onOpenDone},
        {UM_SET_VOLUME, &COstrelDlg::onSetVolume},
        {UM_SCAN_BEGIN, &COstrelDlg::onScanBegin},
        {UM_SCAN_END, &COstrelDlg::onScanEnd},
        {UM_SHOW_MESSAGE, &COstrelDlg::onShowMessage},
        {UM_ASK, &COstrelDlg::onAsk},
        {UM_ENLARGE, &COstrelDlg::onEnlarge},
        {UM_SCAN_CANCEL, &COstrelDlg::onScanCancel},
        {UM_SCAN_FOLDER, &COstrelDlg::onScanFolder},
        {UM_CAPTURE_REAR, &COstrelDlg::onCaptureRear},
        {UM_ENLARGE_CLOSING, &COstrelDlg::onEnlargeClosing},
        {UM_GET_POSITION, &COstrelDlg::onGetPosition},
        {UM_DRIVE_FORMATTED, &COstrelDlg::onDriveFormatted},
        {UM_OPEN_FAILED, &COstrelDlg::onOpenFailed},
        {UM_SET_BRIGHTNESS, &COstrelDlg::onSetBrightness},
        {UM_SET_CONTRAST, &COstrelDlg::onSetContrast},
        {UM_IS_MAP_SHOWN, &COstrelDlg::onIsMapShown},
        {UM_HEADING, &COstrelDlg::onHeading},
        {UM_GET_MARK, &COstrelDlg::onGetMark},
        {UM_GET_DURATION, &COstrelDlg::onGetDuration},
        {UM_REPEAT_OFF, &COstrelDlg::onRepeatOff},
        {UM_REAR_OPEN_FAILED, &COstrelDlg::onRearOpenFailed},
        {UM_HANDED_OVER, &COstrelDlg::onHandedOver},
    };
    return map;
}

LResult COstrelDlg::handleMessage(unsigned number, WParam wParam, LParam lParam) {
    return messageMap().dispatch(*this, number, wParam, lParam);
}

LResult COstrelDlg::sendToPositionSlider(unsigned number, WParam wParam, LParam lParam) {
    if (auto* seek = dynamic_cast<OstrelMovieSeek*>(pane(PaneId::MovieSeek))) {
        if (GrpScrl* slider = seek->slider()) return slider->send(number, wParam, lParam);
        return 0;
    }
    return sendToPane(PaneId::MovieSeek, number, wParam, lParam);
}

// ---- Commands from the enlarged window's control bar and the recording list

LResult COstrelDlg::onCmdPlay(WParam, LParam) {
    play();
    return 0;
}
LResult COstrelDlg::onCmdStop(WParam, LParam) {
    stop();
    return 0;
}
LResult COstrelDlg::onCmdPause(WParam, LParam) {
    pauseStep();
    return 0;
}
LResult COstrelDlg::onCmdStepForward(WParam, LParam) {
    stepFrame(true);
    return 0;
}
LResult COstrelDlg::onCmdStepBack(WParam, LParam) {
    stepFrame(false);
    return 0;
}
LResult COstrelDlg::onCmdNextRecording(WParam, LParam) {
    nextRecording(true);
    return 0;
}
LResult COstrelDlg::onCmdPrevRecording(WParam, LParam) {
    nextRecording(false);
    return 0;
}
LResult COstrelDlg::onPlayEnd(WParam, LParam) {
    endOfPlay();
    return 0;
}

// ---- Engine reports

LResult COstrelDlg::onRecordingLength(WParam mark, LParam duration) {
    markPosition_ = static_cast<int>(mark);
    duration_ = static_cast<int>(duration);
    sendToPositionSlider(GSM_SETRANGE, 0, duration_);
    sendToPositionSlider(GSM_SETMARK, static_cast<WParam>(markPosition_));
    if (MessageTarget* enlarged = playbackState.enlargedWindow.load(); enlarged && enlargedView_) {
        enlarged->send(UM_RECORDING_LENGTH, mark, duration);
    }
    return 0;
}

LResult COstrelDlg::onPosition(WParam position, LParam) {
    currentPosition_ = static_cast<int>(position);
    sendToPositionSlider(GSM_SETPOS, position);
    if (MessageTarget* enlarged = playbackState.enlargedWindow.load(); enlarged && enlargedView_) {
        enlarged->send(UM_POSITION, position, 0);
    }
    return 0;
}

// The value displays keep their own value and redraw only when it changes.
LResult COstrelDlg::onSpeed(WParam speed, LParam) {
    return sendToPane(PaneId::ShowSpeed, UM_SPEED, speed & 0xFFFF, 0);
}

LResult COstrelDlg::onTime(WParam current, LParam total) {
    const auto totalSeconds = static_cast<unsigned>(total);
    const auto currentSeconds = static_cast<unsigned>(current);
    MessageTarget* enlarged = enlargedView_ ? playbackState.enlargedWindow.load() : nullptr;
    if (totalSeconds > 0) {
        sendToPane(PaneId::ShowTotalTime, UM_TIME, totalSeconds, static_cast<LParam>(totalSeconds));
    }
    // The time display shows the pair (current limited to total, total); a total of 0 leaves
    // the total display alone and shows 0.
    const unsigned shown = currentSeconds < totalSeconds ? currentSeconds : totalSeconds;
    sendToPane(PaneId::ShowTime, UM_TIME, shown, static_cast<LParam>(totalSeconds));
    if (enlarged != nullptr) enlarged->send(UM_TIME, current, total);
    return 0;
}

LResult COstrelDlg::onResetPan(WParam, LParam) {
    sendToPane(PaneId::FrontView, UM_RESET_PAN);
    updatePane(PaneId::ShowZoom);
    sendToPane(PaneId::RearView, UM_RESET_PAN);
    updatePane(PaneId::ShowZoomRear);
    return 0;
}

LResult COstrelDlg::onInfoChanged(WParam, LParam) {
    updatePane(PaneId::FileInfo);
    return 0;
}

LResult COstrelDlg::onTelemetryToGraph(WParam w, LParam l) {
    return sendToPane(PaneId::SensorGraph, UM_TELEMETRY_LOADED, w, l);
}
LResult COstrelDlg::onTelemetryTime(WParam w, LParam l) {
    shownPictureMs_ = static_cast<int64_t>(static_cast<uint32_t>(w));
    return sendToPane(PaneId::SensorGraph, UM_TELEMETRY_TIME, w, l);
}
LResult COstrelDlg::onTelemetryCleared(WParam w, LParam l) {
    // Neither the map's marker, the position fields, the speed nor the heading may outlive
    // their recording (a next recording without telemetry reports none of its own).
    sendToPane(PaneId::Map, UM_TELEMETRY_CLEARED, w, l);
    static constexpr double kNoHeading = 0.0;
    sendToPane(PaneId::ShowSpeed, UM_SPEED, 0, 0);
    sendToPane(PaneId::ShowDirection, UM_HEADING, reinterpret_cast<WParam>(&kNoHeading), 0);
    if (auto* info = dynamic_cast<OstrelFileInfo*>(pane(PaneId::FileInfo))) {
        info->setPositionReported(false);
        updatePane(PaneId::FileInfo);
    }
    return sendToPane(PaneId::SensorGraph, UM_TELEMETRY_CLEARED, w, l);
}
LResult COstrelDlg::onMapPosition(WParam latitude, LParam longitude) {
    return sendToPane(PaneId::Map, UM_MAP_POSITION, latitude, longitude);
}
LResult COstrelDlg::onHeading(WParam heading, LParam) {
    // Posted with every record's report, before the information pane's repaint.
    if (auto* info = dynamic_cast<OstrelFileInfo*>(pane(PaneId::FileInfo))) info->setPositionReported(true);
    return sendToPane(PaneId::ShowDirection, UM_HEADING, heading, 0);
}

LResult COstrelDlg::onOpenDone(WParam, LParam durationTenths) {
    endWaitCursor();
    showSoundAvailability();
    recordingReady_ = true;
    playbackState.uiState = Playing;
    engine_->push(CmdPlay);
    // A recording without telemetry reports no position while it plays: its fields say so now
    // (they stayed empty until the next seek).
    if (playbackState.telemetryCount.load() <= 0) updatePane(PaneId::FileInfo);
    // A recording without a rear video: the rear view says so now (it was last drawn while
    // nothing was open).
    updatePane(PaneId::RearView);
    seekAfterOpenFromRoute();
    // The engine forgot what it had opened ahead when it opened this one.
    preparedPath_.clear();
    noteLoadedDuration(durationTenths);
    prepareNextInDrive();
    return 0;
}

void COstrelDlg::showSoundAvailability() {
    // A recording without sound shows the speaker muted, and a click cannot unmute it.
    if (BitmapButton* indicator = button(kButtonMute)) {
        const bool hasSound = playbackState.hasSound.load() != 0;
        indicator->setVisible(!hasSound || playbackState.soundOn.load() == 0);
        indicator->setEnabled(hasSound);
    }
}

LResult COstrelDlg::onOpenFailed(WParam, LParam) {
    endWaitCursor();
    recordingReady_ = true;
    showMessage(20);
    currentPath_.clear();
    return 0;
}

LResult COstrelDlg::onRearOpenFailed(WParam, LParam) {
    endWaitCursor();
    showMessage(25);
    return 0;
}

// ---- Slider panes

LResult COstrelDlg::onSetSpeed(WParam step, LParam) {
    setSpeedStep(static_cast<int>(step));
    return 0;
}
LResult COstrelDlg::onSeek(WParam position, LParam) {
    seek(static_cast<int>(position));
    return 0;
}
LResult COstrelDlg::onSeekDrag(WParam, LParam) {
    playbackState.positionDragging = 1;
    return 0;
}
LResult COstrelDlg::onSeekDragEnd(WParam, LParam) {
    playbackState.positionDragging = 0;
    return 0;
}
LResult COstrelDlg::onSetVolume(WParam volume, LParam) {
    playbackState.volume = static_cast<int>(volume);
    return 0;
}
LResult COstrelDlg::onSetBrightness(WParam value, LParam) {
    setBrightness(static_cast<int>(value));
    return 0;
}
LResult COstrelDlg::onSetContrast(WParam value, LParam) {
    setContrast(static_cast<int>(value));
    return 0;
}

// ---- Recording list and folder scan

LResult COstrelDlg::onScanBegin(WParam, LParam) {
    // A scan that begins while the viewer exits (a card or a drop queued before the exit)
    // ends at its first step.
    if (exiting_) {
        sendToPane(PaneId::FileList, UM_SCAN_CANCEL);
        return 0;
    }
    if (BitmapButton* b = button(kButtonOpenFiles)) b->setEnabled(false);
    if (BitmapButton* b = button(kButtonOpenFolder)) b->setEnabled(false);
    if (QWidget* box = pane(PaneId::ScanBox)) box->show();
    return 0;
}

LResult COstrelDlg::onScanEnd(WParam, LParam) {
    if (QWidget* box = pane(PaneId::ScanBox)) box->hide();
    if (BitmapButton* b = button(kButtonOpenFiles)) b->setEnabled(true);
    if (BitmapButton* b = button(kButtonOpenFolder)) b->setEnabled(true);
    return 0;
}

LResult COstrelDlg::onScanCancel(WParam w, LParam l) {
    cancelRepair();
    return sendToPane(PaneId::FileList, UM_SCAN_CANCEL, w, l);
}

LResult COstrelDlg::onScanFolder(WParam folder, LParam l) {
    QWidget* box = pane(PaneId::ScanBox);
    if (box != nullptr && box->isVisible()) postToPane(PaneId::ScanBox, UM_SCAN_FOLDER, folder, l);
    return 0;
}

LResult COstrelDlg::onDriveFormatted(WParam root, LParam l) {
    return sendToPane(PaneId::FileList, UM_DRIVE_FORMATTED, root, l);
}

LResult COstrelDlg::onIsMapShown(WParam, LParam) {
    QWidget* map = pane(PaneId::Map);
    return map != nullptr && map->isVisible() ? 1 : 0;
}

// ---- Boxes

LResult COstrelDlg::onShowMessage(WParam code, LParam detail) {
    const auto* text = reinterpret_cast<const QString*>(detail);
    showMessage(static_cast<int>(code), text != nullptr ? *text : QString());
    return 0;
}

LResult COstrelDlg::onAsk(WParam code, LParam) { return ask(static_cast<int>(code)); }

// ---- Views, capture and the enlarged window

LResult COstrelDlg::onEnlarge(WParam camera, LParam) {
    const int state = playbackState.uiState.load();
    if (state != Playing && state != Paused) return 0;
    // A second request queued while the window opens finds it open.
    if (enlargedView_) return 0;
    const int shown = camera == 1 ? kRearCamera : kFrontCamera;
    // The enlarged picture shows the camera as it recorded: the rear flips wait aside.
    savedFlipVertical_ = playbackState.flipVertical.load() ? 1 : 0;
    savedMirrorHorizontal_ = playbackState.mirrorHorizontal.load() ? 1 : 0;
    playbackState.enlargedShowsRear = shown;
    playbackState.enlargedOn = 1;
    playbackState.flipVertical = 0;
    playbackState.mirrorHorizontal = 0;
    // Paused, no decoder delivers: the current pictures become the large ones now.
    if (state == Paused) engine_->renderLargeStills(1);

    if (enlarged_ == nullptr) {
        enlarged_ = new OstrelMovieEntire(this, [this] { return currentName_; });
        enlarged_->setObjectName(QStringLiteral("OstrelMovieEntire"));
    }
    enlargedView_ = true;
    enlarged_->setCamera(shown);
    enlarged_->exec();

    enlargedView_ = false;
    playbackState.enlargedOn = 0;
    playbackState.flipVertical = savedFlipVertical_;
    playbackState.mirrorHorizontal = savedMirrorHorizontal_;
    // Paused, the views show their still pictures at their own sizes again.
    engine_->renderZoomStills();
    updatePane(PaneId::FrontView);
    updatePane(PaneId::RearView);
    return 0;
}

LResult COstrelDlg::onCaptureRear(WParam, LParam) { return sendToPane(PaneId::RearView, UM_CAPTURE); }

LResult COstrelDlg::onEnlargeClosing(WParam, LParam) {
    // The enlarged window may have shown the rear picture its own way round: the main window's
    // flags are the truth again.
    playbackState.mirrorHorizontal = rearLeftRight_ ? 1 : 0;
    playbackState.flipVertical = rearUpDown_ ? 1 : 0;
    playbackState.enlargedOn = 0;
    enlargedView_ = false;
    return 0;
}

LResult COstrelDlg::onGetPosition(WParam, LParam) { return currentPosition_; }
LResult COstrelDlg::onGetMark(WParam, LParam) { return markPosition_; }
LResult COstrelDlg::onGetDuration(WParam, LParam) { return duration_; }

LResult COstrelDlg::onRepeatOff(WParam, LParam) {
    markersRecording_ = currentPath_;  // a marker is being moved, on this recording
    repeat_ = false;
    repaint(QRect(QPoint(198, 504), QPoint(297, 523)));
    playbackState.repeatEndOn = 0;
    if (recordingReady_) prepareNextInDrive();
    return 0;
}

}  // namespace moksel
