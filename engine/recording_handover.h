// Seamless playback across the recordings of a drive. While a recording plays, the main window
// names the next recording of its drive (CmdPrepare); the engine opens it ahead
// (PreparedRecording). When the front decoder reaches the end of the playing recording with a
// prepared one waiting, it queues CmdHandover instead of ending: the engine parks the decoders
// for a moment, swaps the prepared files, decoders, indexes and sound in, sets the clock so
// the next recording's first picture follows the last one at its frame time, and lets the
// decoders run on. The sound device stays open and playing throughout. The main window learns
// of it by UM_HANDED_OVER, after the telemetry and length reports of the new recording.
//
// Stop, Close, another Open and an empty CmdPrepare discard a prepared recording.
//
// Thread contract: engine thread (the command loop).
#pragma once

namespace moksel {

struct EngineContext;

// CmdPrepare: opens `path` ahead as the next recording (replacing one prepared before); an
// empty path, or one that cannot follow the playing recording, leaves none prepared.
void runPrepare(EngineContext& context, const char* path);
// Frees a prepared recording, if any.
void discardPrepared(EngineContext& context);
// CmdHandover: swaps the prepared recording in and plays on; without one (or when playing has
// stopped meanwhile) ends the playing recording as its end always does.
void runHandover(EngineContext& context);

}  // namespace moksel
