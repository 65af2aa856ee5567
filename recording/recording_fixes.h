// The positions a recording's telemetry holds, for drawing a drive's route: one point per front
// video packet with its time, position and speed, read without decoding or reading the video
// (packet times come from the file's sample index).
//
// Thread contract: readRecordingFixes keeps no shared state; call it from any thread (it is
// meant for a worker thread: it reads the file). Give each thread its own TelemetryBox.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace moksel {

class TelemetryBox;

struct RouteFix {
    std::int64_t timeMs = 0;  // time of the frame in the recording, ms
    double latitude = 0;      // decimal degrees; meaningful only with `fix`
    double longitude = 0;
    int speedKmh = 0;
    bool fix = false;  // false: the frame's entry holds no position (no sentence or a void one)
};

struct RecordingFixes {
    bool readable = false;      // the file opened as a media file with a video stream
    bool hasTelemetry = false;  // a telemetry box was found
    std::int64_t durationMs = -1;  // the file's duration, -1 when it does not say
    std::vector<RouteFix> points;  // one per front video packet that has a telemetry record
    std::string error;             // why the file could not be read
};

// Reads the telemetry box of `frontPath` with `box` and pairs its records with the times of the
// front video packets.
RecordingFixes readRecordingFixes(const std::string& frontPath, TelemetryBox& box);

}  // namespace moksel
