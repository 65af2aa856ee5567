#include "recording/recording_fixes.h"

#include <algorithm>

#include "recording/telemetry.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

namespace moksel {
namespace {

// Times of the first video stream's packets from the demuxer's sample index (file order), in
// ms; the file's duration in ms or -1. False when the file is no media file with video.
bool indexedVideoTimes(const std::string& path, std::vector<std::int64_t>& timesMs,
                       std::int64_t& durationMs, std::string& error) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        error = "cannot open the file as a recording";
        return false;
    }
    int video = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            video = static_cast<int>(i);
            break;
        }
    }
    if (video < 0) {
        error = "the file has no video stream";
        avformat_close_input(&format);
        return false;
    }
    AVStream* stream = format->streams[video];
    const AVRational ms{1, 1000};
    const int count = avformat_index_get_entries_count(stream);
    timesMs.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
        if (entry != nullptr) timesMs.push_back(av_rescale_q(entry->timestamp, stream->time_base, ms));
    }
    durationMs = -1;
    if (format->duration > 0) {
        durationMs = av_rescale_q(format->duration, AVRational{1, AV_TIME_BASE}, ms);
    } else if (stream->duration > 0) {
        durationMs = av_rescale_q(stream->duration, stream->time_base, ms);
    }
    avformat_close_input(&format);
    return true;
}

}  // namespace

RecordingFixes readRecordingFixes(const std::string& frontPath, TelemetryBox& box) {
    RecordingFixes result;
    std::vector<std::int64_t> times;
    if (!indexedVideoTimes(frontPath, times, result.durationMs, result.error)) return result;
    result.readable = true;
    result.hasTelemetry = box.read(frontPath);
    if (!result.hasTelemetry || times.empty()) return result;

    std::vector<TelemetryRecord> records(times.size());
    std::uint32_t eventTimeMs = 0;
    const int built = box.buildRecords(times.data(), static_cast<int>(times.size()), records.data(),
                                       static_cast<int>(records.size()), eventTimeMs);
    result.points.reserve(static_cast<size_t>(built));
    for (int i = 0; i < built; ++i) {
        const TelemetryRecord& r = records[i];
        RouteFix point;
        point.timeMs = r.timeMs;
        point.fix = (r.latitude != 0.0 || r.longitude != 0.0) && r.latitude >= -90.0 &&
                    r.latitude <= 90.0 && r.longitude >= -180.0 && r.longitude <= 180.0;
        if (point.fix) {
            point.latitude = r.latitude;
            point.longitude = r.longitude;
            point.speedKmh = r.speedKmh;
        }
        result.points.push_back(point);
    }
    return result;
}

}  // namespace moksel
