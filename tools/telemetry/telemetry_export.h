// Text forms of a recording's telemetry records: CSV rows, a GPX 1.1 track and a KML line.
//
// Thread contract: pure functions, callable from any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "recording/recording_name.h"
#include "recording/telemetry.h"

namespace moksel {

// The records of one front recording, ready for export.
struct TelemetryTrack {
    std::string path;                     // as given by the user
    std::string name;                     // file name without folder
    std::optional<RecordingStart> start;  // from the file name, when it carries one
    std::vector<TelemetryRecord> records;
    size_t firstIndex = 0;  // frame number in its file of the first record
    // Per record, the UTC time its GPS sentence carries (ms since 1970), -1 without one; empty
    // when not known: the times then come from the name alone.
    std::vector<int64_t> utcMs;
};

// Header line of the CSV form, with its line end.
std::string telemetryCsvHeader();
// One line per record: index (the frame number in its file), time in ms, accelerations in g, latitude, longitude (decimal
// degrees), speed in km/h, heading in degrees.
std::string telemetryCsvRows(const TelemetryTrack& track);

// A record has a fix when its position is not 0, 0 and lies within the valid ranges.
bool hasFix(const TelemetryRecord& record);

// "YYYY-MM-DDThh:mm:ss.sssZ" for the recording start plus `offsetMs` (the name's time taken
// as UTC).
std::string isoTimeUtc(const RecordingStart& start, int64_t offsetMs);

// A GPX 1.1 document with one track per recording and one point per record with a fix.
// Points carry a time when their GPS sentence or the recording's name gives one: the sentence's
// UTC when it has one; else the name's time plus the record's, less the camera's offset from
// UTC that the track's other sentences show (none: the name's time taken as UTC).
std::string telemetryGpx(const std::vector<TelemetryTrack>& tracks);

// A KML 2.2 document with one placemark per recording: a line through its points with a fix,
// and the recording's time span (its first and last record's times, as in the GPX track).
std::string telemetryKml(const std::vector<TelemetryTrack>& tracks);

}  // namespace moksel
