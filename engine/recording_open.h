// Opening a recording pair: the front file's video and sound, its telemetry, and the rear file
// found by the pairing rule; every packet of both files is read into the packet indexes.
//
// Thread contract: engine thread only (CmdOpen). The outcome reaches the main window as
// UM_OPEN_FAILED, UM_TELEMETRY_LOADED, UM_RECORDING_LENGTH, UM_REAR_OPEN_FAILED and
// UM_OPEN_DONE.
#pragma once

namespace moksel {

struct EngineContext;

void openRecording(EngineContext& context, const char* path);

}  // namespace moksel
