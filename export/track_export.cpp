// The track export: the telemetry records of the request's range, one track per recording,
// as GPX, KML or CSV, written through a temporary name.
#include <algorithm>
#include <filesystem>

#include "export/export_options.h"
#include "export/export_plan.h"
#include "export/export_record.h"
#include "recording/gps_sentence.h"
#include "recording/telemetry.h"
#include "tools/telemetry/telemetry_export.h"

namespace moksel::exporting {

namespace fs = std::filesystem;

ExportResult exportTrack(const ExportRequest& request, TrackFormat format) {
    ExportResult result;
    ExportPlan plan;
    std::string error;
    if (!planExport(request, plan, error, result.warnings)) {
        result.error = error;
        return result;
    }
    std::vector<TelemetryTrack> tracks;
    TelemetryBox box;
    std::vector<TelemetryRecord> records;
    for (const Segment& s : plan.segments) {
        result.sources.push_back(s.frontPath);
        if (!box.read(s.frontPath)) {
            result.warnings.push_back(s.frontPath + ": " + telemetryReadStatusText(box.status()));
            continue;
        }
        uint32_t eventMs = 0;
        records.resize(s.frontTimesMs.size());
        const int n = box.buildRecords(s.frontTimesMs.data(), int(s.frontTimesMs.size()),
                                       records.data(), int(records.size()), eventMs);
        TelemetryTrack track;
        track.path = s.frontPath;
        track.name = fs::path(s.frontPath).filename().string();
        track.start = s.start;
        for (int i = 0; i < n; ++i) {
            const int64_t t = records[size_t(i)].timeMs;
            if (t < s.fromMs || t > s.lastMs) continue;
            if (track.records.empty()) track.firstIndex = size_t(i);
            track.records.push_back(records[size_t(i)]);
            // The track is marked UTC: the GPS sentence's own time where it has one.
            int64_t utc = -1;
            if (!gpsSentenceUtcMs(box.gpsSentence(i), utc)) utc = -1;
            track.utcMs.push_back(utc);
        }
        tracks.push_back(std::move(track));
    }
    if (tracks.empty()) {
        result.error = "the recording has no telemetry";
        return result;
    }
    std::string text;
    switch (format) {
        case TrackFormat::Gpx:
            text = telemetryGpx(tracks);
            break;
        case TrackFormat::Kml:
            text = telemetryKml(tracks);
            break;
        case TrackFormat::Csv:
            text = "file," + telemetryCsvHeader();
            for (const TelemetryTrack& t : tracks) {
                const std::string rows = telemetryCsvRows(t);
                size_t begin = 0;
                while (begin < rows.size()) {
                    const size_t end = rows.find('\n', begin);
                    text += t.name + "," + rows.substr(begin, end - begin) + "\n";
                    begin = end == std::string::npos ? rows.size() : end + 1;
                }
            }
            break;
    }
    const fs::path out(request.outputPath);
    std::error_code ec;
    const fs::path folder = out.parent_path().empty() ? fs::path(".") : out.parent_path();
    if (out.filename().empty() || !fs::is_directory(folder, ec)) {
        result.error = request.outputPath + ": no such folder";
        return result;
    }
    if (!writeFileAtomically(request.outputPath, text, error)) {
        result.error = error;
        return result;
    }
    result.status = ExportStatus::Done;
    result.outputPath = request.outputPath;
    return result;
}

}  // namespace moksel::exporting
