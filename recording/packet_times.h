// Time stamps of the front video packets of a recording, in milliseconds, read with
// libavformat (used by the telemetry export; the engine keeps its own packet index).
//
// Thread contract: pure function, callable from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace moksel {

// Reads every packet of the first video stream of `path` in file order and stores its
// presentation time (the decode time when it has none; 0 when it has neither), converted from
// the stream's time base to milliseconds. Returns false with a message in `error` when the
// file cannot be opened, is not a media file or has no video stream.
bool readFrontPacketTimesMs(const std::string& path, std::vector<int64_t>& timesMs,
                            std::string& error);

}  // namespace moksel
