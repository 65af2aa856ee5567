// Exports of generated pairs, read back the way a recipient would: the frame numbers drawn in
// every picture, the sound's phase (the generator's slow sine tells the source time of every
// sample), the overlay's pixels, the files left behind, the record's hashes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "export/export_options.h"
#include "export/overlay_painter.h"
#include "frame_pattern.h"
#include "media_probe.h"
#include "recording_generator.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace moksel::exporting {
namespace {

namespace fs = std::filesystem;
using gen::test::Bgra;

constexpr double kSineHz = 5;  // one cycle per 200 ms: the phase gives the time to the ms

gen::GenResult makePair(const std::string& folder, int frames, int second = 0,
                        gen::RearKind rear = gen::RearKind::Normal, int fps = 30) {
    gen::GenOptions o;
    o.fps = fps;
    o.rear = rear;
    o.outputDir = folder;
    o.frames = frames;
    o.width = 320;
    o.height = 180;
    o.start.second = second;
    o.signal.frequencyHz = kSineHz;
    o.gps = gen::GpsMode::AllFix;
    gen::GenResult r;
    std::string error;
    EXPECT_TRUE(gen::generatePair(o, r, error)) << error;
    return r;
}

// Copies a recording without the video frames [from, from + count) of its first stream, the
// others keeping their times: a camera that dropped frames while its card stalled.
bool copyWithoutFrames(const std::string& in, const std::string& out, int from, int count) {
    AVFormatContext* source = nullptr;
    AVFormatContext* copy = nullptr;
    AVPacket* packet = av_packet_alloc();
    bool ok = avformat_open_input(&source, in.c_str(), nullptr, nullptr) >= 0 &&
              avformat_find_stream_info(source, nullptr) >= 0 &&
              avformat_alloc_output_context2(&copy, nullptr, "mp4", out.c_str()) >= 0;
    for (unsigned i = 0; ok && i < source->nb_streams; ++i) {
        AVStream* stream = avformat_new_stream(copy, nullptr);
        ok = stream && avcodec_parameters_copy(stream->codecpar, source->streams[i]->codecpar) >= 0;
        if (ok) stream->codecpar->codec_tag = 0, stream->time_base = source->streams[i]->time_base;
    }
    ok = ok && avio_open(&copy->pb, out.c_str(), AVIO_FLAG_WRITE) >= 0 &&
         avformat_write_header(copy, nullptr) >= 0;
    for (int video = 0; ok && av_read_frame(source, packet) >= 0; av_packet_unref(packet)) {
        if (packet->stream_index == 0 && video++ >= from && video <= from + count) continue;
        av_packet_rescale_ts(packet, source->streams[packet->stream_index]->time_base,
                             copy->streams[packet->stream_index]->time_base);
        ok = av_interleaved_write_frame(copy, packet) >= 0;
    }
    ok = ok && av_write_trailer(copy) >= 0;
    if (copy && copy->pb) avio_closep(&copy->pb);
    avformat_free_context(copy);
    avformat_close_input(&source);
    av_packet_free(&packet);
    return ok;
}

// The times of the video's pictures in seconds, in display order.
std::vector<double> pictureTimes(const std::string& path) {
    const gen::test::Probe probe = gen::test::probe(path);
    std::vector<double> times;
    if (probe.streams.empty()) return times;
    const double tick = double(probe.streams[0].timeBaseNum) / probe.streams[0].timeBaseDen;
    for (const gen::test::PacketInfo& p : probe.packetsOf(0)) times.push_back(double(p.pts) * tick);
    std::sort(times.begin(), times.end());
    return times;
}

struct Mark {
    int front = -1, rear = -1;  // frame numbers of the left and right halves (or whole picture)
};

std::vector<Mark> readMarks(const std::string& path, bool sideBySide) {
    std::vector<Mark> marks;
    gen::test::decodeVideo(path, 0, {}, [&](int, const Bgra& b) {
        Mark m;
        const int half = sideBySide ? b.width / 2 : b.width;
        gen::FrameMark left, right;
        if (gen::readFrameMark(b.pixels.data(), half, b.height, b.stride(), left) &&
            left.camera == gen::Camera::Front)
            m.front = left.frameNumber;
        if (sideBySide &&
            gen::readFrameMark(b.pixels.data() + half * 4, half, b.height, b.stride(), right) &&
            right.camera == gen::Camera::Rear)
            m.rear = right.frameNumber;
        marks.push_back(m);
    });
    return marks;
}

// Where the sine of `samples[begin, begin + count)` stands, as the source time in ms modulo
// one period, and its amplitude.
void sinePhase(const std::vector<float>& samples, int rate, size_t begin, size_t count,
               double& timeMs, double& amplitude) {
    double s = 0, c = 0;
    const double w = 2 * M_PI * kSineHz / rate;
    for (size_t j = 0; j < count; ++j) {
        s += samples[begin + j] * std::sin(w * double(j));
        c += samples[begin + j] * std::cos(w * double(j));
    }
    amplitude = 2 * std::hypot(s, c) / double(count);
    const double phase = std::atan2(c, s);  // y = A sin(w j + phase)
    timeMs = std::fmod(phase / (2 * M_PI) * 1000 / kSineHz + 1000, 1000 / kSineHz);
}

// Difference of two times modulo the sine's period, in -100..100 ms.
double periodDifference(double aMs, double bMs) {
    const double period = 1000 / kSineHz;
    double d = std::fmod(aMs - bMs, period);
    if (d > period / 2) d -= period;
    if (d < -period / 2) d += period;
    return d;
}

std::string sha256sum(const std::string& path) {
    const std::string command = "sha256sum '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    char hex[65] = {};
    const bool ok = pipe && std::fscanf(pipe, "%64s", hex) == 1;
    if (pipe) pclose(pipe);
    return ok ? hex : "";
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    return names;
}

// A range of a side-by-side export: pictures of exactly the range's frames (both halves),
// sound in step with them, the record's hashes those of the files.
TEST(VideoExport, SideBySideRangeKeepsFramesSoundAndHashes) {
    const std::string folder = gen::test::freshFolder("export-side");
    const gen::GenResult pair = makePair(folder + "/src", 120);
    ExportRequest r;
    r.frontPath = pair.frontPath;
    r.outputPath = folder + "/clip.mp4";
    r.fromMs = 2100;  // frame 63; 100 ms off the sine's period, so an uncut sound shows
    r.toMs = 3500;    // frame 105 is the first left out
    const ExportResult result = exportVideo(r, nullptr, nullptr);
    ASSERT_EQ(result.status, ExportStatus::Done) << result.error;
    EXPECT_EQ(result.frames, 42);

    const gen::test::Probe probe = gen::test::probe(r.outputPath);
    ASSERT_EQ(probe.videoStreams(), 1);
    ASSERT_EQ(probe.audioStreams(), 1);
    EXPECT_EQ(probe.streams[0].width, 640);
    EXPECT_EQ(probe.streams[0].height, 180);
    const std::vector<Mark> marks = readMarks(r.outputPath, true);
    ASSERT_EQ(marks.size(), 42u);
    for (size_t i = 0; i < marks.size(); ++i) {
        EXPECT_EQ(marks[i].front, 63 + int(i)) << "picture " << i;
        EXPECT_EQ(marks[i].rear, 63 + int(i)) << "picture " << i;
    }

    std::vector<float> sound;
    int rate = 0;
    ASSERT_TRUE(gen::test::decodeSound(r.outputPath, sound, rate));
    ASSERT_EQ(rate, 22050);
    EXPECT_NEAR(double(sound.size()), 1.4 * rate, 1024) << "sound as long as the pictures";
    double timeMs = 0, amplitude = 0;
    sinePhase(sound, rate, 0, size_t(0.4 * rate), timeMs, amplitude);
    EXPECT_NEAR(amplitude, pair.signal.amplitude, 0.05);
    EXPECT_NEAR(periodDifference(timeMs, 2100), 0, 8) << "sound out of step with the pictures";

    // The record names both recordings and the video with hashes a recipient can recompute.
    QFile json(QString::fromStdString(result.recordPath));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonObject record = QJsonDocument::fromJson(json.readAll()).object();
    EXPECT_EQ(record["output"]["sha256"].toString().toStdString(), sha256sum(r.outputPath));
    const QJsonArray sources = record["sources"].toArray();
    ASSERT_EQ(sources.size(), 2);
    EXPECT_EQ(sources[0]["sha256"].toString().toStdString(), sha256sum(pair.frontPath));
    EXPECT_EQ(sources[1]["sha256"].toString().toStdString(), sha256sum(pair.rearPath));
    EXPECT_EQ(record["layout"].toString(), "side");
    EXPECT_DOUBLE_EQ(record["range"]["from_s"].toDouble(), 2.1);
}

// A front that lost a second of frames: every picture keeps its source frame's time, so the
// pictures after the gap meet their sound and the video lasts as long as the sound.
TEST(VideoExport, DroppedFramesKeepTheirTimes) {
    const std::string folder = gen::test::freshFolder("export-gap");
    const gen::GenResult pair = makePair(folder + "/src", 90);  // key frames at 0, 30, 60
    fs::create_directory(folder + "/gap");
    const std::string front = folder + "/gap/" + fs::path(pair.frontPath).filename().string();
    ASSERT_TRUE(copyWithoutFrames(pair.frontPath, front, 30, 30));
    fs::copy_file(pair.rearPath, folder + "/gap/" + fs::path(pair.rearPath).filename().string());
    ExportRequest r;
    r.frontPath = front;
    r.outputPath = folder + "/gap.mp4";
    r.overlay = false;
    const ExportResult result = exportVideo(r, nullptr, nullptr);
    ASSERT_EQ(result.status, ExportStatus::Done) << result.error;

    const std::vector<Mark> marks = readMarks(r.outputPath, true);
    ASSERT_EQ(marks.size(), 60u);
    const std::vector<double> times = pictureTimes(r.outputPath);
    ASSERT_EQ(times.size(), marks.size());
    for (size_t i = 0; i < marks.size(); ++i) {
        const int expected = i < 30 ? int(i) : int(i) + 30;
        EXPECT_EQ(marks[i].front, expected) << "picture " << i;
        EXPECT_EQ(marks[i].rear, expected) << "picture " << i;
        EXPECT_NEAR(times[i], expected / 30.0, 0.017) << "picture " << i << " off its source time";
    }
    std::vector<float> sound;
    int rate = 0;
    ASSERT_TRUE(gen::test::decodeSound(r.outputPath, sound, rate));
    EXPECT_NEAR(double(sound.size()) / rate, times.back() + 1 / 30.0, 0.05)
        << "the video does not last as long as the sound";
}

// A drive whose second recording has another frame rate (25 then 30 fps): its pictures keep
// their own spacing instead of the first recording's.
TEST(VideoExport, DriveThatChangesFrameRateKeepsItsTimes) {
    const std::string folder = gen::test::freshFolder("export-rates");
    ExportRequest request;
    request.frontPath = makePair(folder + "/src", 50, 0, gen::RearKind::Normal, 25).frontPath;  // 2 s
    makePair(folder + "/src", 30, 2, gen::RearKind::Normal, 30);  // 08:15:02, 1 s
    request.outputPath = folder + "/drive.mp4";
    request.layout = Layout::FrontOnly;
    request.overlay = false;
    request.continueDrive = true;
    const ExportResult result = exportVideo(request, nullptr, nullptr);
    ASSERT_EQ(result.status, ExportStatus::Done) << result.error;

    const std::vector<double> times = pictureTimes(request.outputPath);
    ASSERT_EQ(times.size(), 80u);
    for (size_t i = 0; i < times.size(); ++i) {
        const double expected = i < 50 ? i / 25.0 : 2.0 + double(i - 50) / 30.0;
        EXPECT_NEAR(times[i], expected, 0.002) << "picture " << i;
    }
    std::vector<float> sound;
    int rate = 0;
    ASSERT_TRUE(gen::test::decodeSound(request.outputPath, sound, rate));
    EXPECT_NEAR(double(sound.size()) / rate, 3.0, 0.05);
}

// The overlay changes the pixels of its panel and nothing else.
TEST(VideoExport, OverlayDrawsOnlyInItsPanel) {
    const std::string folder = gen::test::freshFolder("export-overlay");
    const gen::GenResult pair = makePair(folder + "/src", 30);
    ExportRequest r;
    r.frontPath = pair.frontPath;
    r.layout = Layout::FrontOnly;
    r.toMs = 500;
    r.outputPath = folder + "/with.mp4";
    ASSERT_EQ(exportVideo(r, nullptr, nullptr).status, ExportStatus::Done);
    r.overlay = false;
    r.outputPath = folder + "/bare.mp4";
    ASSERT_EQ(exportVideo(r, nullptr, nullptr).status, ExportStatus::Done);

    std::vector<Bgra> with, bare;
    gen::test::decodeVideo(folder + "/with.mp4", 0, {}, [&](int, const Bgra& b) { with.push_back(b); });
    gen::test::decodeVideo(folder + "/bare.mp4", 0, {}, [&](int, const Bgra& b) { bare.push_back(b); });
    ASSERT_EQ(with.size(), 15u);
    ASSERT_EQ(bare.size(), with.size());

    const OverlayPainter painter(180, true);
    const QRect panel(QPoint(painter.margin(), 180 - painter.margin() - painter.size().height()),
                      painter.size());
    for (size_t i = 0; i < with.size(); ++i) {
        double inside = 0, outside = 0;
        int nInside = 0, nOutside = 0;
        for (int y = 0; y < 180; ++y) {
            for (int x = 0; x < 320; ++x) {
                const size_t at = size_t(y * with[i].stride() + x * 4);
                double d = 0;
                for (int c = 0; c < 3; ++c) d += std::abs(with[i].pixels[at + c] - bare[i].pixels[at + c]);
                // Leave a few pixels at the panel's edge to the encoder's blur.
                if (panel.adjusted(3, 3, -3, -3).contains(x, y)) {
                    inside += d, ++nInside;
                } else if (!panel.adjusted(-8, -8, 8, 8).contains(x, y)) {
                    outside += d, ++nOutside;
                }
            }
        }
        EXPECT_GT(inside / nInside, 40) << "no panel in picture " << i;
        EXPECT_LT(outside / nOutside, 3) << "picture " << i << " changed outside the panel";
        EXPECT_EQ(gen::readFrameNumber(with[i].pixels.data(), 320, 180, with[i].stride()), int(i));
    }
}

// The rear alone, mirrored and upside down as the viewer shows it when asked.
TEST(VideoExport, RearLayoutKeepsTheViewersFlips) {
    const std::string folder = gen::test::freshFolder("export-rear");
    const gen::GenResult pair = makePair(folder + "/src", 20);
    ExportRequest r;
    r.frontPath = pair.frontPath;
    r.outputPath = folder + "/rear.mp4";
    r.layout = Layout::RearOnly;
    r.rearMirror = r.rearFlip = true;
    r.overlay = false;
    ASSERT_EQ(exportVideo(r, nullptr, nullptr).status, ExportStatus::Done);
    int pictures = 0;
    gen::test::decodeVideo(r.outputPath, 0, {}, [&](int i, const Bgra& b) {
        gen::FrameMark mark;
        ASSERT_TRUE(gen::readFrameMark(b.pixels.data(), b.width, b.height, b.stride(), mark));
        EXPECT_EQ(mark.camera, gen::Camera::Rear);
        EXPECT_EQ(mark.orientation, gen::kMirroredFlipped);
        EXPECT_EQ(mark.frameNumber, i);
        ++pictures;
    });
    EXPECT_EQ(pictures, 20);
}

// A rear file that is not a video: the front alone, with a warning; the rear alone fails.
TEST(VideoExport, UnusableRearFallsBackToTheFront) {
    const std::string folder = gen::test::freshFolder("export-bad-rear");
    const gen::GenResult pair = makePair(folder + "/src", 10, 0, gen::RearKind::NotMp4);
    ExportRequest r;
    r.frontPath = pair.frontPath;
    r.outputPath = folder + "/front.mp4";
    const ExportResult result = exportVideo(r, nullptr, nullptr);
    ASSERT_EQ(result.status, ExportStatus::Done) << result.error;
    EXPECT_EQ(result.warnings.size(), 1u);
    const gen::test::Probe probe = gen::test::probe(r.outputPath);
    ASSERT_EQ(probe.videoStreams(), 1);
    EXPECT_EQ(probe.streams[0].width, 320);
    r.layout = Layout::RearOnly;
    r.outputPath = folder + "/rear.mp4";
    EXPECT_EQ(exportVideo(r, nullptr, nullptr).status, ExportStatus::Failed);
    EXPECT_FALSE(fs::exists(r.outputPath));
}

// A range that crosses into the next recording of the drive: one video, every frame once, and
// the sound of the next recording from the seam on.
TEST(VideoExport, RangeAcrossRecordingsIsContinuous) {
    const std::string folder = gen::test::freshFolder("export-drive");
    makePair(folder + "/src", 65);         // 08:15:00, 2.167 s long
    const gen::GenResult next = makePair(folder + "/src", 60, 2);  // 08:15:02
    makePair(folder + "/src", 30, 30);      // 08:15:30: not the same drive
    ExportRequest r;
    r.frontPath = folder + "/src/drf0_20120301_081500.mp4";
    r.outputPath = folder + "/drive.mp4";
    r.layout = Layout::SideBySide;
    r.overlay = false;
    r.fromMs = 1000;
    r.toMs = 3000;
    r.continueDrive = true;
    const ExportResult result = exportVideo(r, nullptr, nullptr);
    ASSERT_EQ(result.status, ExportStatus::Done) << result.error;
    ASSERT_EQ(result.sources.size(), 4u);
    EXPECT_EQ(result.sources[2], next.frontPath);

    const std::vector<Mark> marks = readMarks(r.outputPath, true);
    ASSERT_EQ(marks.size(), 60u);
    for (size_t i = 0; i < marks.size(); ++i) {
        const int expected = i < 35 ? 30 + int(i) : int(i) - 35;  // 30..64, then 0..24
        EXPECT_EQ(marks[i].front, expected) << "picture " << i;
        EXPECT_EQ(marks[i].rear, expected) << "picture " << i;
    }
    std::vector<float> sound;
    int rate = 0;
    ASSERT_TRUE(gen::test::decodeSound(r.outputPath, sound, rate));
    EXPECT_NEAR(double(sound.size()), 2.0 * rate, 1024);
    double timeMs = 0, amplitude = 0;
    const size_t seam = size_t(35 * rate / 30);  // output sample of the next recording's start
    sinePhase(sound, rate, seam + rate / 20, size_t(0.4 * rate), timeMs, amplitude);
    EXPECT_NEAR(amplitude, 0.25, 0.05);
    EXPECT_NEAR(periodDifference(timeMs, 50), 0, 8) << "the next recording's sound is not in step";
    // Without continuing, the same range ends with the first recording.
    r.continueDrive = false;
    const ExportResult alone = exportVideo(r, nullptr, nullptr);
    EXPECT_EQ(alone.status, ExportStatus::Failed);
    EXPECT_NE(alone.error.find("after the end"), std::string::npos) << alone.error;
}

// Cancelling, and a folder that cannot be written: a clear status, nothing under the final
// name, no temporary file left.
TEST(VideoExport, CancelAndUnwritableFolderLeaveNothing) {
    const std::string folder = gen::test::freshFolder("export-cancel");
    const gen::GenResult pair = makePair(folder + "/src", 60);
    fs::create_directory(folder + "/out");
    ExportRequest r;
    r.frontPath = pair.frontPath;
    r.outputPath = folder + "/out/clip.mp4";
    std::atomic<bool> cancel{false};
    int last = 0;
    const ExportResult cancelled = exportVideo(
        r, [&](int done, int) { cancel = (last = done) >= 10; }, &cancel);
    EXPECT_EQ(cancelled.status, ExportStatus::Cancelled);
    EXPECT_EQ(last, 10);
    EXPECT_TRUE(filesIn(folder + "/out").empty());

    fs::create_directory(folder + "/locked");
    fs::permissions(folder + "/locked", fs::perms::owner_read | fs::perms::owner_exec);
    // Permissions do not bind the superuser; a kernel folder refuses new files to everyone.
    r.outputPath = (geteuid() == 0 ? std::string("/sys") : folder + "/locked") + "/clip.mp4";
    const ExportResult failed = exportVideo(r, nullptr, nullptr);
    EXPECT_EQ(failed.status, ExportStatus::Failed);
    EXPECT_NE(failed.error.find("cannot write"), std::string::npos) << failed.error;
    EXPECT_FALSE(fs::exists(r.outputPath));
    EXPECT_TRUE(filesIn(folder + "/locked").empty());
    fs::permissions(folder + "/locked", fs::perms::owner_all);
}

}  // namespace
}  // namespace moksel::exporting
