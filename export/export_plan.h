// The recordings an export reads and which of their frames it takes.
//
// A drive is a chain of front recordings: the next one starts (by its file name) within a few
// seconds of the previous one's end. The export's timeline lays the chain's recordings back to
// back, each starting one frame after the previous one's last frame, so a range that crosses
// a file boundary gets every frame once. A frame belongs to a range when it starts less than
// half a frame before the range's start and more than half a frame before its end (the range
// is rounded to whole frames).
//
// Thread contract: plain functions and values; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/export_options.h"
#include "recording/recording_name.h"

namespace moksel::exporting {

// Seconds between a recording's end and the start of the next recording of the same drive.
inline constexpr int kDriveGapToleranceS = 5;
// Recordings one export may chain.
inline constexpr int kMaxChainedRecordings = 200;

// One recording of the chain and the part of it that is exported.
struct Segment {
    std::string frontPath;
    std::string rearPath;  // empty when the recording has no usable rear file
    std::optional<RecordingStart> start;  // from the file name
    std::vector<int64_t> frontTimesMs;  // front video frame times, ascending
    double timelineMs = 0;              // where the recording's first frame sits on the timeline
    double frameMs = 1000.0 / 30;       // the recording's own frame interval
    double lengthMs = 0;                // last frame - first frame + one frame
    // The exported part, in the recording's own frame times: first and last frame.
    int64_t fromMs = 0, lastMs = 0;
    int frames = 0;         // front frames from fromMs to lastMs
    double outStartMs = 0;  // where the part starts in the output
    double outEndMs = 0;    // where it ends (its last frame's end)
};

struct ExportPlan {
    std::vector<Segment> segments;  // only those with frames in the range
    double frameRate = 30;  // nominal rate of the output: the first recording's front video's
    int totalFrames() const;
    double durationMs() const;
};

// The front recording of the same drive that follows `frontPath` (lengthMs long): searched in
// its folder and in the folders beside it; none when no recording starts within
// kDriveGapToleranceS seconds of the end.
std::optional<std::string> nextRecordingOfDrive(const std::string& frontPath, int64_t lengthMs);

// Seconds of a recording start since 1970 (calendar arithmetic, no time zone).
int64_t startSeconds(const RecordingStart& start);

// Reads the recordings the request needs and cuts the range. False with a message for the
// user when the front recording cannot be read or the range is empty or outside it.
bool planExport(const ExportRequest& request, ExportPlan& plan, std::string& error,
                std::vector<std::string>& warnings);

}  // namespace moksel::exporting
