// The engine's command queue: commands that must run on the engine thread, taken one at a time
// in the order they were queued.
#pragma once

namespace moksel {

enum EngineCommand : int {
    CmdQuit = 26,         // leave the command loop and shut down
    CmdPlay = 27,         // start or resume playing
    CmdStop = 28,         // stop and rewind to the start
    CmdClose = 29,        // close the recording and free its packets
    CmdOpen = 30,         // open the recording whose front file is the path
    CmdStepForward = 31,  // show the next frame
    CmdStepBack = 32,     // show the previous frame
    CmdPrepare = 33,      // open the path ahead as the next recording of the drive (empty: none)
    CmdHandover = 34,     // the front decoder's end: play on with the prepared recording
};

// Queues a command for the engine thread. Any thread. `path` (UTF-8, front file) goes with
// CmdOpen and CmdPrepare and is copied, so the caller's buffer may change at once. Returns false when no
// engine is running to take it.
bool pushEngineCommand(EngineCommand command, const char* path = nullptr);

}  // namespace moksel
