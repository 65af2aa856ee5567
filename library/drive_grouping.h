// Drives: the camera cuts a drive into recordings of a fixed interval (usually one minute).
// Recordings of the same camera that follow one another without a break form one drive, so the
// viewer can show the drive's route and go on from one recording to the next.
//
// Rules:
// - A recording's start is the date and time in its name; its end is start + its duration.
//   The duration is taken from the file when known (the caller supplies it); otherwise the
//   camera's nominal interval stands in for it: the most frequent gap between the starts of
//   consecutive normal recordings of that camera in the list (10 s .. 10 min), or 60 s when the
//   list shows no such gap.
// - The recordings of one camera, in order of start, join the drive before them when they
//   start no later than kDriveGapToleranceS seconds after the drive's end (the latest end of
//   its members so far); otherwise they begin a new drive. So an event or motion recording
//   joins the drive it falls in (or fills the hole where the camera moved a segment into an
//   event file), and recordings outside any drive (parked) chain among themselves.
// - Front and rear files (the camera digit of the name) never share a drive.
// - A name without a valid date and time forms a drive of its own with no neighbours.
// - Within a drive, the next recording of R is the member whose start lies within the
//   tolerance of R's end, a normal recording before an event or motion one, then the closest;
//   without such a member, the first member starting after R's end. The previous recording is
//   the mirror image (the member whose end lies nearest R's start). An event recording inside a
//   normal one thus never interrupts the chain of normal recordings.
//
// Thread contract: pure functions, callable from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moksel {

inline constexpr int kDriveGapToleranceS = 5;
inline constexpr std::int64_t kDefaultNominalIntervalMs = 60'000;

struct DriveRecording {
    std::string fileName;           // last path component, e.g. drf0_20261208_190200.mp4
    std::int64_t durationMs = -1;   // from the file; < 0 when unknown
};

struct DrivePlace {
    int drive = -1;     // drive number, 0.. in order of first start (per list)
    int previous = -1;  // index of the previous recording of the drive, -1 for none
    int next = -1;      // index of the next recording of the drive, -1 for none
    std::int64_t startMs = 0;  // start from the name, ms since 1970-01-01 00:00 camera time
    std::int64_t endMs = 0;    // start + duration (known or nominal)
};

struct DriveGrouping {
    std::vector<DrivePlace> places;        // one per input recording, same order
    std::vector<std::vector<int>> drives;  // members of each drive, by start (normal first on ties)
};

// Seconds since 1970-01-01 00:00 of the date and time in a recording name (camera local time,
// no zone); none for a name without a valid date and time.
std::optional<std::int64_t> recordingStartSeconds(std::string_view fileName);

// The stand-in duration for recordings of one camera whose own duration is unknown: the most
// frequent gap between consecutive starts of its normal recordings within 10 s .. 10 min.
std::int64_t nominalIntervalMs(const std::vector<std::int64_t>& normalStartsMs);

DriveGrouping groupDrives(const std::vector<DriveRecording>& recordings);

}  // namespace moksel
