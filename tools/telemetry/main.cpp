// moksel-telemetry FILE...: prints the telemetry records of front recordings as CSV, or with
// --gpx as one GPX 1.1 document with a track per recording.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "recording/packet_times.h"
#include "recording/recording_name.h"
#include "recording/telemetry.h"
#include "tools/telemetry/telemetry_export.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr const char* kUsage =
    "Usage: moksel-telemetry [--gpx] FILE...\n"
    "Prints the telemetry records of each front recording (e.g. drf0_20120301_081500.mp4).\n"
    "\n"
    "Without options: CSV, one block per file (a header line, then one line per video frame:\n"
    "  index, time in ms, acceleration X/Y/Z in g, latitude, longitude, speed in km/h, heading);\n"
    "  blocks of several files are separated by an empty line.\n"
    "--gpx: one GPX 1.1 document on standard output with one track per file and one point per\n"
    "  frame that has a GPS fix; a point's time is the file name's date and time (taken as\n"
    "  UTC) plus the frame's time.\n"
    "--help: this text.\n"
    "\n"
    "A file that is missing, unreadable or without telemetry is reported on standard error;\n"
    "the other files are still printed and the exit status is 1.\n";

// Reads one recording's records; false with a message on standard error when it has none.
bool loadTrack(moksel::TelemetryBox& box, const std::string& path, moksel::TelemetryTrack& track) {
    track.path = path;
    size_t slash = path.find_last_of('/');
    track.name = slash == std::string::npos ? path : path.substr(slash + 1);
    track.start = moksel::recordingStartOf(track.name);

    if (!box.read(path)) {
        std::fprintf(stderr, "moksel-telemetry: %s: %s\n", path.c_str(),
                     moksel::telemetryReadStatusText(box.status()));
        return false;
    }
    std::vector<int64_t> timesMs;
    std::string error;
    if (!moksel::readFrontPacketTimesMs(path, timesMs, error)) {
        std::fprintf(stderr, "moksel-telemetry: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    if (!error.empty())
        std::fprintf(stderr, "moksel-telemetry: %s: warning: %s\n", path.c_str(), error.c_str());
    // Entry i belongs to the i-th frame shown. The camera writes frames in the order they are
    // shown; a file with reordered frames stores them otherwise, so take the times in order.
    std::sort(timesMs.begin(), timesMs.end());
    track.records.resize(timesMs.size());
    uint32_t eventTimeMs = 0;
    int count = box.buildRecords(timesMs.data(), int(timesMs.size()), track.records.data(),
                                 int(track.records.size()), eventTimeMs);
    track.records.resize(size_t(count));
    if (count == 0) {
        std::fprintf(stderr, "moksel-telemetry: %s: no telemetry records (no video frames)\n",
                     path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool gpx = false;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!optionsEnded && arg == "--gpx") {
            gpx = true;
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "moksel-telemetry: unknown option %s\n%s", arg.c_str(), kUsage);
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    av_log_set_level(AV_LOG_ERROR);

    moksel::TelemetryBox box;  // one set of working arrays for every file
    bool allRead = true;
    bool firstBlock = true;
    std::vector<moksel::TelemetryTrack> tracks;
    for (const std::string& path : files) {
        moksel::TelemetryTrack track;
        if (!loadTrack(box, path, track)) {
            allRead = false;
            continue;
        }
        if (gpx) {
            size_t fixes = 0;
            for (const auto& record : track.records) fixes += moksel::hasFix(record);
            if (fixes == 0)
                std::fprintf(stderr, "moksel-telemetry: %s: note: no frame has a GPS fix\n",
                             path.c_str());
            if (!track.start)
                std::fprintf(stderr,
                             "moksel-telemetry: %s: note: the file name carries no date and time; "
                             "points have no time\n",
                             path.c_str());
            tracks.push_back(std::move(track));
        } else {
            if (!firstBlock) std::fputc('\n', stdout);
            firstBlock = false;
            std::fputs(moksel::telemetryCsvHeader().c_str(), stdout);
            std::fputs(moksel::telemetryCsvRows(track).c_str(), stdout);
        }
    }
    if (gpx && !tracks.empty()) std::fputs(moksel::telemetryGpx(tracks).c_str(), stdout);
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "moksel-telemetry: cannot write the output: %s\n",
                     std::strerror(errno));
        return 1;
    }
    return allRead ? 0 : 1;
}
