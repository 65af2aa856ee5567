// The viewer's keyboard: one table from a key (with its modifiers) to a command, and the
// commands themselves. Each command does what its button or slider does, through the same
// handler: the buttons are clicked, the sliders are moved and their message is sent, so the
// messages, the pause step before a box and the guards while nothing is loaded are the same.
//
//   Space          play / pause               Left / Right    5 s back / forward (Shift: 1 min)
//   Comma / Period one frame back / forward   Home / End      start / last frame
//   [ / ]          speed one step down / up   Backspace       speed 1.0
//   Up / Down      volume                     M               mute on / off
//   PgUp / PgDn    previous / next recording  Enter           play the selected recording
//   Delete         empty the recording list   F / R           enlarge the front / rear camera
//   A / B          repeat marker A / B at the position        Ctrl+R  repeat on / off
//   Ctrl+O         open files                 Ctrl+Shift+O    open a folder
//   S              capture                    Ctrl+S          save the recording pair
//   F1 or ?        the key card
// In the enlarged window only the playback keys act; F and Escape close it.
//
// Thread contract: UI thread only.
#pragma once

#include <Qt>
#include <optional>
#include <vector>

namespace moksel {

class COstrelDlg;

enum class KeyCommand {
    PlayPause,
    SeekBack,
    SeekForward,
    SeekBackLong,
    SeekForwardLong,
    StepBack,
    StepForward,
    GoToStart,
    GoToEnd,
    SpeedDown,
    SpeedUp,
    SpeedNormal,
    VolumeUp,
    VolumeDown,
    ToggleMute,
    PreviousRecording,
    NextRecording,
    PlaySelected,
    ClearList,
    EnlargeFront,
    EnlargeRear,
    CloseEnlarged,
    MarkerA,
    MarkerB,
    ToggleRepeat,
    OpenFiles,
    OpenFolder,
    Capture,
    SavePair,
    Export,
    ShowKeyCard,
};

// Where a key was pressed.
enum class KeyPlace { MainWindow, EnlargedWindow };

struct KeyBinding {
    int key;                          // Qt::Key
    Qt::KeyboardModifiers modifiers;  // Ctrl, Shift and Alt as they must be held
    bool anyShift;                    // a character that some layouts type with Shift ('?')
    KeyCommand command;
};

// One line of the key card: the keys and what they do, in the card's order.
struct KeyCardLine {
    const char* keys;
    const char* action;  // Korean, as the window's other labels
};

const std::vector<KeyBinding>& keyBindings();
const std::vector<KeyCardLine>& keyCardLines();

// The command of a key press in a place; nothing for keys the viewer does not use there.
std::optional<KeyCommand> commandForKey(int key, Qt::KeyboardModifiers modifiers, KeyPlace place);

// Seek steps of the arrows, in tenths of a second, and the volume step of Up / Down.
constexpr int kShortSeekTenths = 50;
constexpr int kLongSeekTenths = 600;
constexpr int kVolumeStep = 8;

// Runs a command on the main window; the key card shows over the window the key was pressed in.
void runKeyCommand(COstrelDlg& window, KeyCommand command, KeyPlace place);

}  // namespace moksel
