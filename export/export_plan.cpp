#include "export/export_plan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "recording/packet_times.h"

namespace moksel::exporting {

namespace fs = std::filesystem;

namespace {

std::string secondsText(double ms) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f s", ms / 1000.0);
    return text;
}

std::string fileNameOf(const std::string& path) { return fs::path(path).filename().string(); }

// Frame rate from a recording's frame times (ascending): the mean interval between frames that
// follow each other, snapped to a whole or 1000/1001 rate; 30 when there are too few frames to
// tell. Intervals longer than one and a half of the typical one are frames the camera dropped
// (a stalled card): they are left out, so that a recording with a gap keeps its true rate.
double frameRateOf(const std::vector<int64_t>& timesMs) {
    if (timesMs.size() < 2 || timesMs.back() <= timesMs.front()) return 30;
    std::vector<int64_t> intervals;
    for (size_t i = 1; i < timesMs.size(); ++i) intervals.push_back(timesMs[i] - timesMs[i - 1]);
    std::vector<int64_t> sorted = intervals;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const int64_t typical = sorted[sorted.size() / 2];
    int64_t sum = 0, count = 0;
    for (int64_t d : intervals) {
        if (d > 0 && 2 * d <= 3 * typical) sum += d, ++count;
    }
    if (count == 0 || sum <= 0) return 30;
    const double rate = double(count) * 1000.0 / double(sum);
    if (!(rate > 1 && rate < 241)) return 30;
    if (std::abs(rate - std::round(rate)) < 0.02) return std::round(rate);
    const double ntsc = std::round(rate * 1.001) / 1.001;
    if (std::abs(rate - ntsc) < 0.02) return ntsc;
    return rate;
}

std::string usableRear(const std::string& frontPath) {
    const std::string rear = rearPathForFront(frontPath);
    std::error_code ec;
    if (rear == frontPath || !fs::is_regular_file(rear, ec)) return {};
    return rear;
}

}  // namespace

int ExportPlan::totalFrames() const {
    int n = 0;
    for (const Segment& s : segments) n += s.frames;
    return n;
}

double ExportPlan::durationMs() const { return segments.empty() ? 0 : segments.back().outEndMs; }

int64_t startSeconds(const RecordingStart& s) {
    using namespace std::chrono;
    const sys_days day{year{s.year} / month{unsigned(s.month)} / s.day};
    return day.time_since_epoch().count() * 86400LL + s.hour * 3600 + s.minute * 60 + s.second;
}

std::optional<std::string> nextRecordingOfDrive(const std::string& frontPath, int64_t lengthMs) {
    const fs::path path(frontPath);
    const auto start = recordingStartOf(path.filename().string());
    if (!start || !isFrontRecordingName(path.filename().string())) return std::nullopt;
    const int64_t endS = startSeconds(*start) + (lengthMs + 500) / 1000;

    // The folder itself first, then its neighbours (cameras keep event and normal recordings
    // in folders side by side).
    std::vector<fs::path> folders{path.parent_path()};
    std::error_code ec;
    const fs::path parent = path.parent_path().parent_path();
    if (!path.parent_path().empty() && parent != path.parent_path()) {
        for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (it->is_directory(typeError) && it->path() != path.parent_path())
                folders.push_back(it->path());
        }
    }
    std::optional<std::string> best;
    int64_t bestGap = kDriveGapToleranceS + 1;
    for (const fs::path& folder : folders) {
        std::error_code listError;
        for (fs::directory_iterator it(folder.empty() ? "." : folder, listError), end;
             !listError && it != end; it.increment(listError)) {
            const std::string name = it->path().filename().string();
            if (!isFrontRecordingName(name) || it->path() == path) continue;
            const auto candidate = recordingStartOf(name);
            if (!candidate) continue;
            const int64_t candidateS = startSeconds(*candidate);
            // Later than this recording's own start, near its end.
            if (candidateS <= startSeconds(*start)) continue;
            const int64_t gap = std::llabs(candidateS - endS);
            if (gap < bestGap) {
                bestGap = gap;
                best = it->path().string();
            }
        }
    }
    return best;
}

bool planExport(const ExportRequest& request, ExportPlan& plan, std::string& error,
                std::vector<std::string>& warnings) {
    plan = {};
    std::error_code ec;
    if (!fs::is_regular_file(request.frontPath, ec)) {
        error = request.frontPath + ": no such recording";
        return false;
    }
    if (request.fromMs < 0 || (request.toMs >= 0 && request.toMs <= request.fromMs)) {
        error = "the range is empty: it must start at 0 s or later and end after its start";
        return false;
    }
    std::string path = request.frontPath;
    double timeline = 0;
    std::vector<Segment> chain;
    for (int n = 0; n < kMaxChainedRecordings; ++n) {
        Segment s;
        s.frontPath = path;
        s.start = recordingStartOf(fileNameOf(path));
        std::string readError;
        if (!readFrontPacketTimesMs(path, s.frontTimesMs, readError)) {
            if (n == 0) {
                error = path + ": " + readError;
                return false;
            }
            warnings.push_back(path + ": " + readError + "; the export stops before it");
            break;
        }
        if (!readError.empty()) warnings.push_back(path + ": " + readError);
        std::sort(s.frontTimesMs.begin(), s.frontTimesMs.end());
        // Each recording keeps its own rate (a drive's recordings may differ); the first one
        // gives the output its nominal rate.
        const double rate = frameRateOf(s.frontTimesMs);
        s.frameMs = 1000.0 / rate;
        if (n == 0) plan.frameRate = rate;
        s.rearPath = usableRear(path);
        s.timelineMs = timeline;
        s.lengthMs = s.frontTimesMs.back() - s.frontTimesMs.front() + s.frameMs;
        timeline += s.lengthMs;
        chain.push_back(std::move(s));
        const bool reached = request.toMs >= 0 && timeline >= request.toMs;
        if (!request.continueDrive || reached) break;
        const auto next = nextRecordingOfDrive(path, int64_t(chain.back().lengthMs));
        if (!next) break;
        path = *next;
    }

    const double toMs = request.toMs < 0 ? timeline : double(request.toMs);
    if (request.fromMs >= timeline) {
        error = "the range starts at " + secondsText(double(request.fromMs)) +
                ", after the end of the recording (" + secondsText(timeline) + ")";
        return false;
    }
    // Half a frame of slack: a range asked "to the end" in seconds may round up past it.
    if (toMs > timeline + chain.back().frameMs / 2) {
        error = "the range ends at " + secondsText(toMs) + ", after the end of the recording" +
                (chain.size() > 1 ? "s" : "") + " (" + secondsText(timeline) + ")";
        return false;
    }
    for (Segment& s : chain) {
        const int64_t first = s.frontTimesMs.front();
        // Frames starting in [from - half a frame, to - half a frame), in the recording's times.
        const double from = std::max(double(request.fromMs) - s.timelineMs, 0.0) - s.frameMs / 2;
        const double to = std::min(toMs - s.timelineMs, s.lengthMs) - s.frameMs / 2;
        if (to <= from) continue;
        const auto lo = std::lower_bound(s.frontTimesMs.begin(), s.frontTimesMs.end(),
                                         int64_t(std::ceil(first + from)));
        auto hi = std::lower_bound(s.frontTimesMs.begin(), s.frontTimesMs.end(),
                                   int64_t(std::ceil(first + to)));
        s.frames = int(hi - lo);
        if (s.frames <= 0) continue;
        s.fromMs = *lo;
        s.lastMs = *(hi - 1);
        plan.segments.push_back(std::move(s));
    }
    if (plan.segments.empty()) {
        error = "the range holds no video frame";
        return false;
    }
    // Output times: the first exported frame is 0; the parts follow each other on the timeline.
    const Segment& head = plan.segments.front();
    const double origin = head.timelineMs + double(head.fromMs - head.frontTimesMs[0]);
    for (Segment& s : plan.segments) {
        s.outStartMs = s.timelineMs + double(s.fromMs - s.frontTimesMs[0]) - origin;
        s.outEndMs = s.timelineMs + double(s.lastMs - s.frontTimesMs[0]) + s.frameMs - origin;
    }
    return true;
}

}  // namespace moksel::exporting
