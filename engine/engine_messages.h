// The reports the engine sends or posts to the main window, by number. The main window's full
// vocabulary (mainwindow/messages.h) includes these.
#pragma once

namespace moksel {

constexpr unsigned UM_PLAY_END = 0x408;           // posted after the engine stopped at the end
constexpr unsigned UM_RECORDING_LENGTH = 0x40B;   // sent: w = event mark, l = duration (tenths)
constexpr unsigned UM_POSITION = 0x40C;           // w = position in tenths of a second
constexpr unsigned UM_SPEED = 0x40D;              // w = speed in km/h
constexpr unsigned UM_TIME = 0x40E;               // w = current s, l = total s
constexpr unsigned UM_RESET_PAN = 0x40F;          // views reset after close
constexpr unsigned UM_INFO_CHANGED = 0x410;       // redraw the information pane
constexpr unsigned UM_TELEMETRY_LOADED = 0x411;   // telemetry records were built
constexpr unsigned UM_TELEMETRY_TIME = 0x412;     // w = frame time in ms
constexpr unsigned UM_TELEMETRY_CLEARED = 0x413;  // the recording was closed
constexpr unsigned UM_MAP_POSITION = 0x415;       // w = &latitude, l = &longitude (double)
constexpr unsigned UM_ENGINE_ENDED = 0x41D;       // the engine thread has ended
constexpr unsigned UM_OPEN_DONE = 0x41E;          // sent: the pair is open; l = duration (tenths)
constexpr unsigned UM_OPEN_FAILED = 0x431;        // the front file could not be opened or read
constexpr unsigned UM_ENLARGED_FRAME = 0x434;     // to the enlarged window: a new picture
constexpr unsigned UM_HEADING = 0x436;            // w = &heading (double, degrees)
constexpr unsigned UM_REAR_OPEN_FAILED = 0x442;   // the rear file exists but did not open

}  // namespace moksel
