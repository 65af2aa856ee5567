#include "mainwindow/keyboard_commands.h"

#include <algorithm>

#include "controls/grp_scrl.h"
#include "controls/mul_div.h"
#include "controls/repeat_pointer.h"
#include "controls/slider_messages.h"
#include "controls/slider_panes.h"
#include "engine/picture_lock.h"
#include "engine/playback_state.h"
#include "library/ostrel_file_list.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/enlarged_window.h"
#include "mainwindow/key_card.h"
#include "mainwindow/messages.h"
#include "platform/bitmap_button.h"

namespace moksel {
namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kCtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

constexpr int kNormalSpeedStep = 2;  // the speed slider's step of 1.0

// Commands that act on what the enlarged window shows (its bar has the playback buttons and
// the position bar); the list, the files and the capture stay with the main window.
bool actsInEnlargedWindow(KeyCommand command) {
    switch (command) {
        case KeyCommand::ClearList:
        case KeyCommand::EnlargeFront:
        case KeyCommand::EnlargeRear:
        case KeyCommand::OpenFiles:
        case KeyCommand::OpenFolder:
        case KeyCommand::Capture:
        case KeyCommand::SavePair:
        case KeyCommand::Export:
            return false;
        default:
            return true;
    }
}

void clickButton(COstrelDlg& window, int id) {
    // A disabled button (open while a folder is scanned) ignores the click, as it ignores the
    // mouse.
    if (BitmapButton* button = window.button(id)) button->click();
}

GrpScrl* sliderOf(COstrelDlg& window, PaneId id) {
    auto* pane = dynamic_cast<SliderPane*>(window.pane(id));
    return pane != nullptr ? pane->slider() : nullptr;
}

// Moves a setting slider to `target` (clamped to its range) the way a click on it does: the
// thumb moves and the pane's message reaches the main window. Nothing when it does not move.
void moveSettingSlider(COstrelDlg& window, PaneId id, int target, unsigned notice) {
    GrpScrl* slider = sliderOf(window, id);
    if (slider == nullptr) return;
    const int maximum = static_cast<int>(slider->send(GSM_GETMAX, 0, 0));
    const int minimum = static_cast<int>(slider->send(GSM_GETMIN, 0, 0));
    const int position = static_cast<int>(slider->send(GSM_GETPOS, 0, 0));
    target = std::clamp(target, minimum, maximum);
    if (target == position) return;
    slider->send(GSM_SETPOS, static_cast<WParam>(target), 0);
    window.send(notice, static_cast<WParam>(target), 0);
}

int settingPosition(COstrelDlg& window, PaneId id) {
    GrpScrl* slider = sliderOf(window, id);
    return slider != nullptr ? static_cast<int>(slider->send(GSM_GETPOS, 0, 0)) : 0;
}

// The position bar's range; 0 while no recording gives it one (the bar never seeks then).
int positionMaximum(COstrelDlg& window) {
    GrpScrl* slider = sliderOf(window, PaneId::MovieSeek);
    return slider != nullptr ? static_cast<int>(slider->send(GSM_GETMAX, 0, 0)) : 0;
}

// Seeks as the position bar does when its thumb is put at `target` (tenths of a second).
void seekTo(COstrelDlg& window, int target) {
    GrpScrl* slider = sliderOf(window, PaneId::MovieSeek);
    const int maximum = positionMaximum(window);
    if (slider == nullptr || maximum == 0) return;
    target = std::clamp(target, 0, maximum);
    slider->send(GSM_SETPOS, static_cast<WParam>(target), 0);
    window.send(UM_SEEK, static_cast<WParam>(target), 0);
}

void seekBy(COstrelDlg& window, int tenths) {
    GrpScrl* slider = sliderOf(window, PaneId::MovieSeek);
    if (slider == nullptr || positionMaximum(window) == 0) return;
    seekTo(window, static_cast<int>(slider->send(GSM_GETPOS, 0, 0)) + tenths);
}

// Puts a repeat marker over the position bar's thumb, as dragging it there would.
void placeMarker(COstrelDlg& window, bool markerB) {
    GrpScrl* slider = sliderOf(window, PaneId::MovieSeek);
    auto* markers = dynamic_cast<OstrelRepeatPointer*>(window.pane(PaneId::RepeatPointer));
    const int maximum = positionMaximum(window);
    if (slider == nullptr || markers == nullptr || maximum == 0) return;
    const int position = static_cast<int>(slider->send(GSM_GETPOS, 0, 0));
    const int thumb = static_cast<int>(slider->send(GSM_GETTHUMB, 0, 0));
    // The marker's centre column reads back as this position through the slider's own
    // mapping: centre - thumb / 2 is the pixel, and the marker is as wide as the thumb.
    const int left = mulDiv(position, OstrelRepeatPointer::kWidth - thumb, maximum);
    markers->placeMarker(markerB, left);
    window.noteMarkerOnShownPicture(markerB, (markerB ? markers->markerB() : markers->markerA()).centre());
}

// Enter plays the selected row as the play button does; with no row chosen and nothing loaded
// (a folder just listed) it plays the first, so the keyboard alone can start a recording.
void playSelected(COstrelDlg& window) {
    OstrelFileList* list = window.fileList();
    if (list != nullptr && list->recordings().selection() < 0 && window.currentRecordingPath().empty() &&
        list->recordings().count() > 0) {
        list->recordings().play(0);
        return;
    }
    clickButton(window, kButtonPlay);
}

void enlarge(COstrelDlg& window, int camera) {
    // As a double click on the view: only a view that has a picture opens it.
    if (currentPicture(camera).load() == nullptr) return;
    window.post(UM_ENLARGE, camera == kRearCamera ? 1 : 0, 0);
}

}  // namespace

const std::vector<KeyBinding>& keyBindings() {
    static const std::vector<KeyBinding> table = {
        {Qt::Key_Space, kNone, false, KeyCommand::PlayPause},
        {Qt::Key_Left, kNone, false, KeyCommand::SeekBack},
        {Qt::Key_Right, kNone, false, KeyCommand::SeekForward},
        {Qt::Key_Left, kShift, false, KeyCommand::SeekBackLong},
        {Qt::Key_Right, kShift, false, KeyCommand::SeekForwardLong},
        {Qt::Key_Comma, kNone, false, KeyCommand::StepBack},
        {Qt::Key_Period, kNone, false, KeyCommand::StepForward},
        {Qt::Key_Home, kNone, false, KeyCommand::GoToStart},
        {Qt::Key_End, kNone, false, KeyCommand::GoToEnd},
        {Qt::Key_BracketLeft, kNone, false, KeyCommand::SpeedDown},
        {Qt::Key_BracketRight, kNone, false, KeyCommand::SpeedUp},
        {Qt::Key_Backspace, kNone, false, KeyCommand::SpeedNormal},
        {Qt::Key_Up, kNone, false, KeyCommand::VolumeUp},
        {Qt::Key_Down, kNone, false, KeyCommand::VolumeDown},
        {Qt::Key_M, kNone, false, KeyCommand::ToggleMute},
        {Qt::Key_PageUp, kNone, false, KeyCommand::PreviousRecording},
        {Qt::Key_PageDown, kNone, false, KeyCommand::NextRecording},
        {Qt::Key_Return, kNone, false, KeyCommand::PlaySelected},
        {Qt::Key_Enter, kNone, false, KeyCommand::PlaySelected},
        {Qt::Key_Delete, kNone, false, KeyCommand::ClearList},
        {Qt::Key_F, kNone, false, KeyCommand::EnlargeFront},
        {Qt::Key_R, kNone, false, KeyCommand::EnlargeRear},
        {Qt::Key_Escape, kNone, false, KeyCommand::CloseEnlarged},
        {Qt::Key_A, kNone, false, KeyCommand::MarkerA},
        {Qt::Key_B, kNone, false, KeyCommand::MarkerB},
        {Qt::Key_R, kCtrl, false, KeyCommand::ToggleRepeat},
        {Qt::Key_O, kCtrl, false, KeyCommand::OpenFiles},
        {Qt::Key_O, kCtrlShift, false, KeyCommand::OpenFolder},
        {Qt::Key_S, kNone, false, KeyCommand::Capture},
        {Qt::Key_S, kCtrl, false, KeyCommand::SavePair},
        {Qt::Key_E, kCtrl, false, KeyCommand::Export},
        {Qt::Key_F1, kNone, false, KeyCommand::ShowKeyCard},
        {Qt::Key_Question, kNone, true, KeyCommand::ShowKeyCard},
    };
    return table;
}

const std::vector<KeyCardLine>& keyCardLines() {
    static const std::vector<KeyCardLine> lines = {
        {"Space", "재생 / 일시 정지"},
        {"Left / Right", "5초 뒤로 / 앞으로 (Shift: 1분)"},
        {", / .", "1프레임 뒤로 / 앞으로"},
        {"Home / End", "처음 / 마지막 프레임"},
        {"[ / ]", "재생 속도 느리게 / 빠르게"},
        {"Backspace", "보통 속도 (1.0배)"},
        {"Up / Down", "음량 크게 / 작게"},
        {"M", "소리 끄기 / 켜기"},
        {"PgUp / PgDn", "이전 파일 / 다음 파일 재생"},
        {"Enter", "선택한 파일 재생"},
        {"Delete", "파일 목록 지우기"},
        {"F / R", "전방 / 후방 영상 크게 보기"},
        {"F, Esc", "크게 보기 닫기"},
        {"A / B", "구간 반복 시작점 / 끝점을 현재 위치에"},
        {"Ctrl+R", "구간 반복 켜기 / 끄기"},
        {"Ctrl+O", "파일 열기"},
        {"Ctrl+Shift+O", "폴더 열기"},
        {"S", "장면 저장"},
        {"Ctrl+S", "파일 저장"},
        {"Ctrl+E", "영상 내보내기"},
        {"F1, ?", "단축키 도움말"},
    };
    return lines;
}

std::optional<KeyCommand> commandForKey(int key, Qt::KeyboardModifiers modifiers, KeyPlace place) {
    const Qt::KeyboardModifiers held =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    for (const KeyBinding& binding : keyBindings()) {
        if (binding.key != key) continue;
        const Qt::KeyboardModifiers compared = binding.anyShift ? (held & ~Qt::ShiftModifier) : held;
        if (compared != binding.modifiers) continue;
        KeyCommand command = binding.command;
        if (place == KeyPlace::EnlargedWindow) {
            // F toggles the enlarged window: it opened it, it closes it.
            if (command == KeyCommand::EnlargeFront) command = KeyCommand::CloseEnlarged;
            if (!actsInEnlargedWindow(command)) return std::nullopt;
        } else if (command == KeyCommand::CloseEnlarged) {
            return std::nullopt;  // Escape in the main window stays without effect
        }
        return command;
    }
    return std::nullopt;
}

void runKeyCommand(COstrelDlg& window, KeyCommand command, KeyPlace place) {
    switch (command) {
        case KeyCommand::PlayPause:
            clickButton(window, playbackState.uiState.load() == Playing ? kButtonPause : kButtonPlay);
            break;
        case KeyCommand::SeekBack: seekBy(window, -kShortSeekTenths); break;
        case KeyCommand::SeekForward: seekBy(window, kShortSeekTenths); break;
        case KeyCommand::SeekBackLong: seekBy(window, -kLongSeekTenths); break;
        case KeyCommand::SeekForwardLong: seekBy(window, kLongSeekTenths); break;
        case KeyCommand::StepBack: clickButton(window, kButtonStepBack); break;
        case KeyCommand::StepForward: clickButton(window, kButtonStepForward); break;
        case KeyCommand::GoToStart: seekTo(window, 0); break;
        case KeyCommand::GoToEnd:
            if (positionMaximum(window) != 0) window.goToLastFrame();
            break;
        case KeyCommand::SpeedDown:
            moveSettingSlider(window, PaneId::PlaySpeed, settingPosition(window, PaneId::PlaySpeed) - 1,
                              UM_SET_SPEED);
            break;
        case KeyCommand::SpeedUp:
            moveSettingSlider(window, PaneId::PlaySpeed, settingPosition(window, PaneId::PlaySpeed) + 1,
                              UM_SET_SPEED);
            break;
        case KeyCommand::SpeedNormal:
            moveSettingSlider(window, PaneId::PlaySpeed, kNormalSpeedStep, UM_SET_SPEED);
            break;
        case KeyCommand::VolumeUp:
            moveSettingSlider(window, PaneId::SoundVolume,
                              settingPosition(window, PaneId::SoundVolume) + kVolumeStep, UM_SET_VOLUME);
            break;
        case KeyCommand::VolumeDown:
            moveSettingSlider(window, PaneId::SoundVolume,
                              settingPosition(window, PaneId::SoundVolume) - kVolumeStep, UM_SET_VOLUME);
            break;
        case KeyCommand::ToggleMute:
            // The mute rectangle turns the sound off; the indicator shown there turns it on.
            if (playbackState.soundOn.load()) {
                window.muteOn();
            } else {
                clickButton(window, kButtonMute);
            }
            break;
        case KeyCommand::PreviousRecording: clickButton(window, kButtonPrevious); break;
        case KeyCommand::NextRecording: clickButton(window, kButtonNext); break;
        case KeyCommand::PlaySelected: playSelected(window); break;
        case KeyCommand::ClearList:
            if (MessageTarget* list = window.paneTarget(PaneId::FileList)) list->send(UM_LIST_CLEAR, 0, 0);
            break;
        case KeyCommand::EnlargeFront: enlarge(window, kFrontCamera); break;
        case KeyCommand::EnlargeRear: enlarge(window, kRearCamera); break;
        case KeyCommand::CloseEnlarged:
            if (OstrelMovieEntire* enlarged = window.enlargedWindow(); enlarged != nullptr && enlarged->isVisible()) {
                enlarged->closeByUser();
            }
            break;
        case KeyCommand::MarkerA: placeMarker(window, false); break;
        case KeyCommand::MarkerB: placeMarker(window, true); break;
        case KeyCommand::ToggleRepeat: clickButton(window, kButtonRepeat); break;
        case KeyCommand::OpenFiles: clickButton(window, kButtonOpenFiles); break;
        case KeyCommand::OpenFolder: clickButton(window, kButtonOpenFolder); break;
        case KeyCommand::Capture: clickButton(window, kButtonCapture); break;
        case KeyCommand::SavePair: clickButton(window, kButtonSave); break;
        case KeyCommand::Export: clickButton(window, kButtonExport); break;
        case KeyCommand::ShowKeyCard: {
            QWidget* over = &window;
            if (place == KeyPlace::EnlargedWindow && window.enlargedWindow() != nullptr) {
                over = window.enlargedWindow();
            }
            KeyCard::showOver(over);
            break;
        }
    }
}

}  // namespace moksel
