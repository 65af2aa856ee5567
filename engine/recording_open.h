// Opening a recording pair: the front file's video and sound, its telemetry, and the rear file
// found by the pairing rule; every packet of both files is entered in the packet indexes (where
// the file allows, by its place and size only: the data is read when decoded).
//
// Thread contract: engine thread only (CmdOpen). The outcome reaches the main window as
// UM_OPEN_FAILED, UM_TELEMETRY_LOADED, UM_RECORDING_LENGTH, UM_REAR_OPEN_FAILED and
// UM_OPEN_DONE.
#pragma once

extern "C" {
struct AVStream;
struct AVCodecContext;
}

namespace moksel {

struct EngineContext;
struct PreparedRecording;

void openRecording(EngineContext& context, const char* path);

// Opens the recording whose front file is `path` into `prepared` without touching the one that
// plays: files, decoders, packet indexes, the first front and rear pictures decoded, the
// telemetry records built (with the context's telemetry working arrays). False when its front
// cannot be played, or its sound cannot follow the playing sound on the open device (another
// sample rate or channel count): then the recording is opened the usual way when its turn
// comes. Engine thread.
bool prepareRecording(EngineContext& context, const char* path, PreparedRecording& prepared);

// Whether FFmpeg could tell a video stream's picture: a size and a pixel format the converter
// takes. A file whose media data is damaged may have an intact index and nothing decodable.
bool pictureKnown(const AVStream* stream);

// The stream's decoder as open makes it (threads for pictures above 1920 x 1088, low delay
// without reordered pictures); null when it cannot be opened. The caller frees it.
AVCodecContext* openDecoder(const AVStream* stream, bool video);

}  // namespace moksel
