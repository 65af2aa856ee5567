// Box-level access to the MP4 files the generator writes: building the camera's telemetry box
// (`udat` with `GPSI`, `SENS`, `finf`), appending it as the movie box's last child, and listing
// boxes for checks.
//
// Thread contract: plain functions; files are opened per call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gps_track.h"

namespace moksel::gen {

inline constexpr int kGpsEntryBytes = 128;
inline constexpr int kSensorEntryBytes = 12;
inline constexpr int kFlagEntryBytes = 4;

// The telemetry box with `entries` entries per sub-box: entry i comes from track[i]; entries past
// the end of the track are all zeros. `withFlags` false leaves out the `finf` sub-box.
std::vector<uint8_t> buildTelemetryBox(const std::vector<TrackPoint>& track, int entries,
                                       bool withFlags);

struct Mp4Box {
    std::string type;     // four characters
    uint64_t offset = 0;  // of the box header in the file
    uint64_t size = 0;    // whole box, header included
    int headerSize = 8;   // 16 when the box uses a 64-bit size
};

// The boxes that follow one another from `begin` up to `end` (end of file when 0). Fails on a
// size that is too small or runs past the end.
bool listBoxes(const std::string& path, uint64_t begin, uint64_t end, std::vector<Mp4Box>& boxes,
               std::string& error);

// Appends `box` (a complete box, header included) at the end of the file and adds its size to
// the movie box, which must be the file's last top-level box with a 32-bit size.
bool appendToMovieBox(const std::string& path, const std::vector<uint8_t>& box, std::string& error);

// Lays the file's top-level boxes out the way other writers do: `movieFirst` moves the movie box
// right after ftyp (the index in front of the media data, as copy and editing tools write it);
// a non-empty `extraBox` (a complete box) is placed right after ftyp. The chunk offsets in the
// movie box follow the media data, so the file plays as before.
bool relayoutTopLevel(const std::string& path, bool movieFirst, const std::vector<uint8_t>& extraBox,
                      std::string& error);

// A complete box of `type` with `payload` zero bytes.
std::vector<uint8_t> makeBox(const char* type, size_t payload);

}  // namespace moksel::gen
