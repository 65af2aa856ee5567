// Numbers of the reports the engine sends or posts. The main window's message table includes
// this header, so the names are the ones every window uses.
//
// Thread contract: constants only.
#pragma once

namespace moksel {

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

// To the enlarged video window.
constexpr unsigned UM_ENLARGED_FRAME = 0x434;  // posted: a new large picture is ready

}  // namespace moksel
