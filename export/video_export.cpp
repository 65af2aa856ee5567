// The video export: reads the planned recordings, composes each output frame from the front
// and rear pictures due at its time plus the overlay panel, and writes the MP4 under a
// temporary name that becomes the final one only when the file and its record are complete.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <deque>
#include <future>
#include <memory>
#include <thread>

#include "export/export_options.h"
#include "export/export_plan.h"
#include "export/export_record.h"
#include "export/mp4_writer.h"
#include "export/overlay_painter.h"
#include "export/panel_blender.h"
#include "export/picture_composer.h"
#include "export/picture_queue.h"
#include "export/recording_reader.h"
#include "recording/telemetry.h"

extern "C" {
#include <libavutil/log.h>
#include <libavutil/rational.h>
}

namespace moksel::exporting {

namespace fs = std::filesystem;

namespace {

// The event mark stays on the pictures this long after the flagged frame.
constexpr int64_t kEventMarkMs = 3000;
// The output pictures' times count in this unit: each picture keeps its source frame's time, so
// a recording with dropped frames or a drive whose recordings differ in rate stays in step with
// its sound (the nominal frame rate only names the usual interval).
constexpr AVRational kPictureTimeBase{1, 90000};
// The panel's values change at most this often: readable, and a still panel costs the encoder
// next to nothing between changes.
constexpr int64_t kOverlayRefreshMs = 200;

bool usesFront(Layout l) { return l != Layout::RearOnly; }
bool usesRear(Layout l) { return l != Layout::FrontOnly; }

// Telemetry of one recording, ordered by time for lookups by frame time.
struct SegmentTelemetry {
    std::vector<TelemetryRecord> records;
    uint32_t eventMs = 0;

    void load(TelemetryBox& box, const Segment& s) {
        records.clear();
        eventMs = 0;
        if (!box.read(s.frontPath)) return;
        records.resize(s.frontTimesMs.size());
        const int n = box.buildRecords(s.frontTimesMs.data(), int(s.frontTimesMs.size()),
                                       records.data(), int(records.size()), eventMs);
        records.resize(size_t(std::max(0, n)));
        std::stable_sort(records.begin(), records.end(),
                         [](const TelemetryRecord& a, const TelemetryRecord& b) {
                             return a.timeMs < b.timeMs;
                         });
    }
    // The record of the frame at `ms`: the last whose time is not later, unless that is more
    // than `staleMs` older (a box with fewer entries than frames gives the rest none).
    const TelemetryRecord* at(int64_t ms, int64_t staleMs) const {
        auto it = std::upper_bound(records.begin(), records.end(), ms,
                                   [](int64_t t, const TelemetryRecord& r) { return t < r.timeMs; });
        if (it == records.begin() || ms - int64_t((it - 1)->timeMs) > staleMs) return nullptr;
        return &*(it - 1);
    }
};

class VideoExport {
public:
    VideoExport(const ExportRequest& r, const ProgressCallback& p, const std::atomic<bool>* c)
        : request_(r), progress_(p), cancel_(c) {}
    ~VideoExport() { stopEncoding(); }

    ExportResult run();

private:
    bool fail(const std::string& message) {
        result_.status = ExportStatus::Failed;
        result_.error = message;
        return false;
    }
    bool prepare();
    bool exportSegment(const Segment& s, int& done);
    bool drain();
    int64_t pictureTime(double outMs);
    void startEncoding();
    bool stopEncoding();  // false when the encoder failed

    const ExportRequest& request_;
    const ProgressCallback& progress_;
    const std::atomic<bool>* cancel_;
    ExportResult result_;
    ExportPlan plan_;
    Layout layout_ = Layout::FrontOnly;
    AVRational frameRate_{30, 1};
    std::string temporary_;
    Mp4Writer writer_;
    PictureComposer composer_;
    std::unique_ptr<OverlayPainter> painter_;
    TelemetryBox box_;
    int width_ = 0, height_ = 0;
    int64_t lastPts_ = -1;
    std::shared_ptr<const Panel> panel_;  // the overlay as last painted
    int64_t overlaySlot_ = -1;            // the refresh interval it was painted for
    int panelX_ = 0, panelY_ = 0;
    // The panel of each picture in the graph, by its time (the graph may hold pictures back).
    std::deque<std::pair<int64_t, std::shared_ptr<const Panel>>> panels_;
    // Composed pictures go to the encoder thread through the queue.
    PictureQueue queue_{4};
    std::thread encoder_;
    std::string encoderError_;  // written by the encoder thread before it ends
    // The sources' SHA-256, worked out beside the export; in the order of sourcePaths_.
    std::vector<RecordSource> sourcePaths_;
    std::future<std::vector<std::string>> sourceHashes_;
    bool cancelled_ = false;
};

bool VideoExport::prepare() {
    std::string error;
    if (!planExport(request_, plan_, error, result_.warnings)) return fail(error);
    const fs::path out(request_.outputPath);
    std::error_code ec;
    if (out.empty() || out.filename().empty()) return fail("no output file name given");
    const fs::path folder = out.parent_path().empty() ? fs::path(".") : out.parent_path();
    if (!fs::is_directory(folder, ec)) return fail(folder.string() + ": no such folder");
    if (fs::is_directory(out, ec)) return fail(out.string() + " is a folder");
    for (const Segment& s : plan_.segments) {
        for (const std::string& source : {s.frontPath, s.rearPath}) {
            if (!source.empty() && fs::equivalent(out, source, ec))
                return fail(out.string() + " is one of the recordings; choose another name");
        }
    }
    if (fs::path(recordPathFor(out.string())) == out)
        return fail("the output name must not end in .json");

    layout_ = request_.layout;
    if (usesRear(layout_) && plan_.segments.front().rearPath.empty()) {
        if (layout_ == Layout::RearOnly) return fail("the recording has no rear video");
        result_.warnings.push_back("the recording has no rear video; only the front is exported");
        layout_ = Layout::FrontOnly;
    }
    frameRate_ = av_d2q(plan_.frameRate, 1001000);
    return true;
}

// A picture's output time in kPictureTimeBase: its source time, put on the nominal frame grid
// when it is within the millisecond the source's times are rounded to, so a steady recording
// gives evenly spaced pictures; always after the previous picture.
int64_t VideoExport::pictureTime(double outMs) {
    const double gridMs = 1000.0 / plan_.frameRate;
    const double nearest = std::round(outMs / gridMs) * gridMs;
    if (std::abs(outMs - nearest) <= 1.0) outMs = nearest;
    int64_t pts = std::llround(outMs / 1000.0 / av_q2d(kPictureTimeBase));
    if (pts <= lastPts_) pts = lastPts_ + 1;
    return lastPts_ = pts;
}

void VideoExport::startEncoding() {
    encoder_ = std::thread([this] {
        while (AVFrame* picture = queue_.pop()) {
            const bool ok = writer_.writePicture(picture, encoderError_);
            av_frame_free(&picture);
            if (!ok) {
                queue_.abort();
                return;
            }
        }
    });
}

bool VideoExport::stopEncoding() {
    if (!encoder_.joinable()) return true;
    queue_.close();
    encoder_.join();
    return encoderError_.empty();
}

bool VideoExport::drain() {
    while (AVFrame* picture = composer_.pull()) {
        while (!panels_.empty() && panels_.front().first < picture->pts) panels_.pop_front();
        if (!panels_.empty() && panels_.front().first == picture->pts && panels_.front().second) {
            if (av_frame_make_writable(picture) < 0) {
                av_frame_free(&picture);
                return fail("out of memory");
            }
            panels_.front().second->blendOnto(picture, panelX_, panelY_);
        }
        if (!queue_.push(picture)) {
            stopEncoding();
            return fail(encoderError_);
        }
        ++result_.frames;
    }
    return true;
}

bool VideoExport::exportSegment(const Segment& s, int& done) {
    std::string error;
    RecordingReader front, rear;
    if (!front.open(s.frontPath, usesFront(layout_), true, error)) return fail(error);
    bool withRear = usesRear(layout_) && !s.rearPath.empty() &&
                    rear.open(s.rearPath, true, false, error);
    if (usesRear(layout_) && !withRear) {
        // The first recording sets the layout: without its rear only the front is exported;
        // a later recording without one gets a black rear.
        if (painter_) {
            result_.warnings.push_back(s.frontPath + ": no usable rear video; its part is black");
        } else if (layout_ == Layout::RearOnly) {
            return fail(s.rearPath + ": no usable rear video");
        } else {
            result_.warnings.push_back(s.rearPath + ": no usable rear video; only the front is exported");
            layout_ = Layout::FrontOnly;
        }
    }

    // The first recording sets the encoders and the composition.
    if (!painter_) {
        Composition c;
        c.layout = layout_;
        if (const AVCodecContext* v = front.videoCodec())
            c.front = {v->width, v->height, v->pix_fmt};
        if (withRear) {
            const AVCodecContext* v = rear.videoCodec();
            c.rear = {v->width, v->height, v->pix_fmt};
        }
        if (!usesFront(layout_)) c.front = c.rear;
        c.rearMirror = request_.rearMirror;
        c.rearFlip = request_.rearFlip;
        c.timeBase = kPictureTimeBase;
        c.frameRate = frameRate_;
        composedSize(c, width_, height_);
        // The first recording tells whether the panel has telemetry lines.
        painter_ = std::make_unique<OverlayPainter>(height_, box_.read(s.frontPath));
        panelX_ = painter_->margin();
        panelY_ = height_ - painter_->margin() - painter_->size().height();
        if (!composer_.build(c, error)) return fail(error);

        VideoSettings video;
        video.width = width_;
        video.height = height_;
        video.frameRate = frameRate_;
        video.timeBase = kPictureTimeBase;
        video.crf = request_.crf;
        video.preset = request_.preset;
        video.threads = request_.encoderThreads;
        if (const AVCodecContext* v = front.videoCodec()) {
            video.colorSpace = v->colorspace;
            video.colorPrimaries = v->color_primaries;
            video.colorTransfer = v->color_trc;
        }
        SoundSettings sound;
        if (const AVCodecContext* a = front.soundCodec()) {
            sound.present = true;
            sound.sampleRate = a->sample_rate;
            sound.channels = std::clamp(a->ch_layout.nb_channels, 1, 2);
        }
        if (!writer_.open(temporary_, video, sound, error)) {
            // Name the file the user asked for, not the temporary one.
            for (size_t at; (at = error.find(temporary_)) != std::string::npos;)
                error.replace(at, temporary_.size(), request_.outputPath);
            return fail(error);
        }
        startEncoding();
    }

    const int rate = writer_.sampleRate();
    const int64_t soundEnd = std::llround(s.outEndMs * double(rate) / 1000.0);
    std::string soundError;
    front.soundSink = [&](const AVFrame* frame, double startMs) {
        const double outMs = s.outStartMs + (startMs - double(s.fromMs));
        if (soundError.empty())
            writer_.placeSound(frame, std::llround(outMs * rate / 1000.0), soundEnd, soundError);
    };
    SegmentTelemetry telemetry;
    telemetry.load(box_, s);
    panel_.reset();  // a new recording: its own time and values

    front.seek(s.fromMs);
    if (withRear) {
        rear.seek(s.fromMs);
        rear.readAhead();  // the rear decodes beside the front
    }
    const int64_t frameMs = std::llround(s.frameMs);
    const int64_t tolerance = frameMs / 2;
    const auto first = std::lower_bound(s.frontTimesMs.begin(), s.frontTimesMs.end(), s.fromMs);
    const auto last = std::upper_bound(s.frontTimesMs.begin(), s.frontTimesMs.end(), s.lastMs);
    for (auto it = first; it != last; ++it) {
        if (cancel_ && cancel_->load()) {
            cancelled_ = true;
            return false;
        }
        const int64_t t = *it;
        const AVFrame* frontPicture = usesFront(layout_) ? front.pictureAt(t, tolerance) : nullptr;
        const AVFrame* rearPicture = withRear ? rear.pictureAt(t, tolerance) : nullptr;
        const int64_t pts = pictureTime(s.outStartMs + double(t - s.fromMs));

        const int64_t recordMs = t - s.frontTimesMs.front();
        if (request_.overlay && (!panel_ || recordMs / kOverlayRefreshMs != overlaySlot_)) {
            overlaySlot_ = recordMs / kOverlayRefreshMs;
            OverlayFields fields;
            fields.start = s.start;
            fields.recordMs = recordMs;
            fields.telemetry = telemetry.at(t, frameMs);
            fields.event = telemetry.eventMs > 0 && t >= int64_t(telemetry.eventMs) &&
                           t < int64_t(telemetry.eventMs) + kEventMarkMs;
            fields.useMph = request_.useMph;
            panel_ = std::make_shared<const Panel>(painter_->paint(fields));
        }
        panels_.emplace_back(pts, panel_);
        if (!composer_.push(frontPicture, rearPicture, pts, error)) return fail(error);
        if (!drain()) return false;
        front.readSoundUntil(t + frameMs);
        if (!soundError.empty()) return fail(soundError);
        ++done;
        if (progress_) progress_(done, plan_.totalFrames());
    }
    front.readSoundUntil(s.lastMs + 2 * frameMs);
    if (!soundError.empty()) return fail(soundError);
    if (!writer_.padSoundTo(soundEnd, error)) return fail(error);
    return true;
}

ExportResult VideoExport::run() {
    if (!prepare()) return result_;
    temporary_ = temporaryPathFor(request_.outputPath);
    for (const Segment& s : plan_.segments) {
        sourcePaths_.push_back({s.frontPath, "front"});
        if (usesRear(layout_) && !s.rearPath.empty()) sourcePaths_.push_back({s.rearPath, "rear"});
    }
    sourceHashes_ = std::async(std::launch::async, [sources = sourcePaths_] {
        std::vector<std::string> hashes;
        for (const RecordSource& source : sources) hashes.push_back(fileSha256(source.path));
        return hashes;
    });
    int done = 0;
    bool ok = true;
    for (const Segment& s : plan_.segments) {
        if (!(ok = exportSegment(s, done))) break;
    }
    std::string error;
    if (ok) {
        // The last picture lasts its own recording's frame interval, so the video ends with the
        // sound.
        writer_.setLastPictureDuration(
            std::llround(plan_.segments.back().frameMs / 1000.0 / av_q2d(kPictureTimeBase)));
        ok = (composer_.finish() || fail("the pictures cannot be completed")) && drain() && (stopEncoding() || fail(encoderError_)) &&
             (writer_.finish(error) || fail(error));
    }
    std::error_code ec;
    if (!ok) {
        queue_.abort();
        stopEncoding();
        writer_.abandon();
        fs::remove(temporary_, ec);
        if (cancelled_) {
            result_.status = ExportStatus::Cancelled;
            result_.error = "the export was cancelled";
        }
        return result_;
    }

    RecordContents record;
    // The layout may have fallen back to the front alone after the hashing started.
    const std::vector<std::string> hashes = sourceHashes_.get();
    for (size_t i = 0; i < sourcePaths_.size(); ++i) {
        if (sourcePaths_[i].camera == "rear" && !usesRear(layout_)) continue;
        record.sources.push_back(sourcePaths_[i]);
        record.sources.back().sha256 = hashes[i];
        result_.sources.push_back(sourcePaths_[i].path);
    }
    record.request = request_;
    record.request.layout = layout_;
    record.fromMs = request_.fromMs;
    record.toMs = request_.fromMs + std::llround(plan_.durationMs());
    record.frames = result_.frames;
    record.durationMs = std::llround(plan_.durationMs());
    record.width = width_;
    record.height = height_;
    record.frameRate = std::to_string(frameRate_.num) + "/" + std::to_string(frameRate_.den);
    record.outputPath = request_.outputPath;
    record.outputSha256 = fileSha256(temporary_);
    const std::string recordPath = recordPathFor(request_.outputPath);
    if (record.outputSha256.empty() ||
        !writeFileAtomically(recordPath, exportRecordJson(record), error)) {
        fs::remove(temporary_, ec);
        fail(error.empty() ? "the finished video cannot be read back" : error);
        return result_;
    }
    fs::rename(temporary_, request_.outputPath, ec);
    if (ec) {
        fs::remove(temporary_, ec);
        fs::remove(recordPath, ec);
        fail("cannot write " + request_.outputPath + ": " + ec.message());
        return result_;
    }
    result_.status = ExportStatus::Done;
    result_.outputPath = request_.outputPath;
    result_.recordPath = recordPath;
    result_.durationMs = std::llround(plan_.durationMs());
    return result_;
}

}  // namespace

const char* layoutName(Layout layout) {
    switch (layout) {
        case Layout::SideBySide:
            return "side";
        case Layout::PictureInPicture:
            return "pip";
        case Layout::FrontOnly:
            return "front";
        case Layout::RearOnly:
            return "rear";
    }
    return "side";
}

bool layoutFromName(const std::string& name, Layout& out) {
    for (Layout l : {Layout::SideBySide, Layout::PictureInPicture, Layout::FrontOnly,
                     Layout::RearOnly}) {
        if (name == layoutName(l)) {
            out = l;
            return true;
        }
    }
    return false;
}

ExportResult exportVideo(const ExportRequest& request, const ProgressCallback& progress,
                         const std::atomic<bool>* cancel) {
    return VideoExport(request, progress, cancel).run();
}

}  // namespace moksel::exporting
