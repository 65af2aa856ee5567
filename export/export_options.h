// What an export is asked to do and what it reports back: one MP4 of a stretch of a recording
// (both cameras composed, the telemetry drawn in, the front sound) or the GPS track of the same
// stretch as GPX, KML or CSV.
//
// Thread contract: plain values; an ExportRequest is copied to the worker thread that runs it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace moksel::exporting {

// How the two cameras share the picture.
enum class Layout {
    SideBySide,        // front left, rear right, both at the front's height
    PictureInPicture,  // front full size, rear small in the lower right corner
    FrontOnly,
    RearOnly,
};

const char* layoutName(Layout layout);                    // "side", "pip", "front", "rear"
bool layoutFromName(const std::string& name, Layout& out);  // the reverse

enum class TrackFormat { Gpx, Kml, Csv };

struct ExportRequest {
    std::string frontPath;   // the front recording; its rear is found by the pairing rule
    std::string outputPath;  // the file to write (video or track)
    // Range in ms from the first frame of the front recording; toMs < 0 means to the end.
    int64_t fromMs = 0;
    int64_t toMs = -1;
    // Go on into the following recordings of the same drive (a front recording that starts
    // within a few seconds of the previous one's end) when the range reaches past the end.
    bool continueDrive = false;
    Layout layout = Layout::SideBySide;
    bool overlay = true;     // burn in date and time, speed, position, heading, G values
    bool useMph = false;     // speed unit on the overlay
    bool rearMirror = false;  // rear shown left-right exchanged, as in the viewer
    bool rearFlip = false;    // rear shown upside down
    int crf = 20;                         // x264 quality
    std::string preset = "veryfast";      // x264 speed preset
    int encoderThreads = 0;               // 0 = the encoder's own choice
};

// Progress of a running export: frames written so far of all the range's frames.
using ProgressCallback = std::function<void(int doneFrames, int totalFrames)>;

enum class ExportStatus { Done, Cancelled, Failed };

struct ExportResult {
    ExportStatus status = ExportStatus::Failed;
    std::string error;                  // the reason, for the user, when Failed
    std::vector<std::string> warnings;  // things the user should know (e.g. rear missing)
    std::string outputPath;             // the final file (only when Done)
    std::string recordPath;             // the JSON record beside a video (only when Done)
    int frames = 0;                     // video frames written
    int64_t durationMs = 0;             // length of the output video
    std::vector<std::string> sources;   // every recording file used, in order
};

// Writes the video export. Runs on the calling thread (a worker thread in the window); checks
// `cancel` once per frame. Needs a QGuiApplication (the overlay's fonts).
ExportResult exportVideo(const ExportRequest& request, const ProgressCallback& progress,
                         const std::atomic<bool>* cancel);

// Writes the GPS track of the request's range (one track per recording) in `format`.
ExportResult exportTrack(const ExportRequest& request, TrackFormat format);

}  // namespace moksel::exporting
