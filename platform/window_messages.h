// The private window messages that tie the engine, the main window and its panes together:
// one table of every UM_ number, below every window that uses them. One number can mean
// different things to different receivers; each constant's comment names its receiver.
// Positions, marks and durations are tenths of a second unless a name says "Ms".
//
// Thread contract: constants only.
#pragma once

namespace moksel {

// ---- Engine reports
// To the main window (wParam, lParam as noted; times in tenths of a second unless "Ms").
constexpr unsigned UM_PLAY_END = 0x408;          // posted: last front frame or repeat end shown
constexpr unsigned UM_RECORDING_LENGTH = 0x40B;  // sent: event mark / 100, duration ms / 100
constexpr unsigned UM_POSITION = 0x40C;          // posted: frame time ms / 100
constexpr unsigned UM_SPEED = 0x40D;             // posted (sent after a step back): km/h
constexpr unsigned UM_TIME = 0x40E;              // posted: whole seconds, total whole seconds
constexpr unsigned UM_RESET_PAN = 0x40F;         // posted after a close
constexpr unsigned UM_INFO_CHANGED = 0x410;      // posted after a telemetry report and a stop
constexpr unsigned UM_TELEMETRY_LOADED = 0x411;  // posted when records were built
constexpr unsigned UM_TELEMETRY_TIME = 0x412;    // posted: frame time in ms (low 32 bits)
constexpr unsigned UM_TELEMETRY_CLEARED = 0x413; // posted when the recording was closed
constexpr unsigned UM_MAP_POSITION = 0x415;      // posted: &latitude, &longitude (key frames)
constexpr unsigned UM_ENGINE_ENDED = 0x41D;      // posted by the engine thread as its last act
constexpr unsigned UM_OPEN_DONE = 0x41E;         // sent: 0, duration ms / 100
constexpr unsigned UM_OPEN_FAILED = 0x431;       // posted: the front file cannot be played
constexpr unsigned UM_HEADING = 0x436;           // posted: &heading (double, degrees)
constexpr unsigned UM_REAR_OPEN_FAILED = 0x442;  // posted: the rear file exists but is unusable
constexpr unsigned UM_HANDED_OVER = 0x443;       // posted: the prepared next recording plays on
                                                 // (0, duration ms / 100)

// To the enlarged video window.
constexpr unsigned UM_ENLARGED_FRAME = 0x434;  // posted: a new large picture is ready

// ---- Window and pane messages
// To the main window (COstrelDlg).
constexpr unsigned UM_CMD_PLAY = 0x401;
constexpr unsigned UM_CMD_STOP = 0x402;
constexpr unsigned UM_CMD_PAUSE = 0x403;
constexpr unsigned UM_CMD_STEP_FORWARD = 0x404;
constexpr unsigned UM_CMD_STEP_BACK = 0x405;
constexpr unsigned UM_CMD_NEXT_RECORDING = 0x406;
constexpr unsigned UM_CMD_PREV_RECORDING = 0x407;
constexpr unsigned UM_SET_SPEED = 0x419;           // w = speed step 0..4
constexpr unsigned UM_SEEK = 0x41A;                // w = position
constexpr unsigned UM_SEEK_DRAG = 0x41B;           // also to the position slider panes
constexpr unsigned UM_SEEK_DRAG_END = 0x41C;       // also to the position slider panes
constexpr unsigned UM_SET_VOLUME = 0x420;          // w = volume 0..128
constexpr unsigned UM_SCAN_BEGIN = 0x422;
constexpr unsigned UM_SCAN_END = 0x423;
constexpr unsigned UM_SHOW_MESSAGE = 0x424;        // w = one-button message code; l = 0 or a
                                                   // const QString* shown as a missing line 2
constexpr unsigned UM_ASK = 0x425;                 // w = two-button question code; result
constexpr unsigned UM_ENLARGE = 0x426;             // w = 0 front, 1 rear
constexpr unsigned UM_SCAN_CANCEL = 0x428;         // also to the recording list
constexpr unsigned UM_SCAN_FOLDER = 0x429;         // w = const wchar/QString* folder; also to the scan box
constexpr unsigned UM_CAPTURE_REAR = 0x42A;
constexpr unsigned UM_ENLARGE_CLOSING = 0x42B;
constexpr unsigned UM_GET_POSITION = 0x42C;        // result: position (also to the position pane)
constexpr unsigned UM_DRIVE_FORMATTED = 0x42F;     // w = address of the drive root; also to the list
constexpr unsigned UM_SET_BRIGHTNESS = 0x432;      // w = 0..100 (also to the brightness pane)
constexpr unsigned UM_SET_CONTRAST = 0x433;        // w = 0..100 (also to the contrast pane)
constexpr unsigned UM_IS_MAP_SHOWN = 0x435;        // result: nonzero while the map shows
constexpr unsigned UM_GET_MARK = 0x437;
constexpr unsigned UM_GET_DURATION = 0x438;
constexpr unsigned UM_REPEAT_OFF = 0x439;

// From the main window to its panes.
constexpr unsigned UM_LIST_NEXT = 0x406;           // recording list
constexpr unsigned UM_LIST_PREV = 0x407;           // recording list
constexpr unsigned UM_ZOOM_STEP = 0x40A;           // views: w = 1 towards view size, 0 towards large
constexpr unsigned UM_RECORDING_KIND = 0x414;      // information pane: 0 NORMAL, 1 EVENT, 2 MOTION
constexpr int kUnknownRecordingKind = 3;           // UM_RECORDING_KIND for a non-camera file name
constexpr unsigned UM_CAPTURE = 0x416;             // views
constexpr unsigned UM_LIST_OPEN_FOLDER = 0x417;    // recording list
constexpr unsigned UM_LIST_OPEN_FILES = 0x418;     // recording list
constexpr unsigned UM_MAP_LOAD = 0x41F;            // map pane
constexpr unsigned UM_LIST_WHEEL = 0x421;          // recording list: w = 1 up, 0 down
constexpr unsigned UM_GET_MARKER_A = 0x43A;        // repeat marker pane
constexpr unsigned UM_GET_MARKER_B = 0x43B;        // repeat marker pane
constexpr unsigned UM_PIXEL_TO_FRACTION = 0x43C;   // position slider panes
constexpr unsigned UM_LIST_CLEAR = 0x43E;          // recording list
constexpr unsigned UM_SCAN_DRIVE = 0x440;          // recording list: w = address of the card root

// Engine reports that the main window hands on to the pane that shows them, with these
// arguments; each display keeps its value and redraws only when it changes.
//   UM_SPEED   -> speed display (OstrelShowSpeed): w = km/h (16 bits)
//   UM_HEADING -> heading display (OstrelShowDIrection): w = address of the heading (double)
//   UM_TIME    -> total time display (OstrelShowTotalTime): w = l = total seconds, only when the
//                 total is above 0; time display (OstrelShowTime): w = current seconds limited
//                 to the total, l = total seconds; the enlarged window (while open): as received
//   UM_RECORDING_LENGTH, UM_POSITION -> the enlarged window (while open): as received

}  // namespace moksel
