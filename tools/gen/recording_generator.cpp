#include "recording_generator.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "mp4_boxes.h"
#include "recording_encoder.h"

namespace moksel::gen {
namespace {

bool validate(const GenOptions& o, std::string& error) {
    if (o.type.size() != 3 || o.type.find_first_of("/\\.") != std::string::npos)
        error = "the recording type must be three characters (drf, evt or mod)";
    else if (o.frames < 1 || o.frames > kMaxPatternFrameNumber + 1)
        error = "frames must lie in 1..65536";
    else if (o.rearFrames > kMaxPatternFrameNumber + 1)
        error = "rear frames must lie in 1..65536";
    else if (o.rearFrames == 0 && o.rear == RearKind::Normal)
        error = "a rear file with video needs at least one frame";
    else if (o.fps < 1 || o.fps > 240)
        error = "fps must lie in 1..240";
    else if (o.width < 64 || o.height < 36 || o.width % 2 || o.height % 2 || o.width > 4096 ||
             o.height > 2304)
        error = "the picture size must be even, from 64x36 up to 4096x2304";
    else if (o.keyInterval < 0)
        error = "the key frame interval must be 0 (first frame only) or more";
    else if (o.signal.channels < 1 || o.signal.channels > 2)
        error = "sound channels must be 1 or 2";
    else if (o.sampleRate < 8000 || o.sampleRate > 96000)
        error = "the sample rate must lie in 8000..96000 Hz";
    else if (o.signal.frequencyHz <= 0 || o.signal.frequencyHz >= o.sampleRate / 2.0)
        error = "the sound frequency must lie between 0 Hz and half the sample rate";
    else if (o.bFrames < 0 || o.bFrames > 16)
        error = "B-frames must lie in 0..16";
    else if (o.videoTimeScale < 1 || o.videoTimeScale > 1000000)
        error = "the video time scale must lie in 1..1000000";
    else if (!o.extraBoxType.empty() && o.extraBoxType.size() != 4)
        error = "the extra box type must be four characters";
    else if (o.start.month < 1 || o.start.month > 12 || o.start.day < 1 || o.start.day > 31 ||
             o.start.hour > 23 || o.start.minute > 59 || o.start.second > 59 ||
             o.start.year < 1000 || o.start.year > 9999)
        error = "the start date or time is out of range";
    else
        return true;
    return false;
}

bool writeBytes(const std::string& path, const std::string& bytes, std::string& error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) {
        error = path + ": write error";
        return false;
    }
    return true;
}

}  // namespace

std::string recordingFileName(const std::string& type, int camera, const DateTime& t) {
    char name[64];
    std::snprintf(name, sizeof name, "%.3s%d_%04d%02d%02d_%02d%02d%02d.mp4", type.c_str(), camera,
                  t.year, t.month, t.day, t.hour, t.minute, t.second);
    return name;
}

bool generatePair(const GenOptions& o, GenResult& result, std::string& error) {
    result = GenResult{};
    if (!validate(o, error)) return false;
    std::error_code ec;
    std::filesystem::create_directories(o.outputDir, ec);
    if (ec) {
        error = o.outputDir + ": " + ec.message();
        return false;
    }
    const std::filesystem::path dir(o.outputDir);
    result.frontPath = (dir / recordingFileName(o.type, 0, o.start)).string();
    const std::string rearPath = (dir / recordingFileName(o.type, 1, o.start)).string();
    // A stale rear file from an earlier run would contradict "rear missing".
    std::filesystem::remove(rearPath, ec);

    // Telemetry.
    TrackOptions track;
    track.frames = o.frames;
    track.fps = o.fps;
    track.kind = o.drive.value_or(o.type == "mod" ? DriveKind::Parked : DriveKind::Driving);
    track.gps = o.gps;
    track.startLatitudeDeg = o.latitudeDeg;
    track.startLongitudeDeg = o.longitudeDeg;
    track.northSouth = o.northSouth;
    track.eastWest = o.eastWest;
    track.startUtc = addSeconds(o.start, -static_cast<int64_t>(o.utcOffsetMinutes) * 60);
    track.driveOffsetS = o.driveOffsetS;
    track.shockFrame =
        o.shockFrame == kAutoShockFrame ? (o.type == "evt" ? o.frames / 2 : -1) : o.shockFrame;
    if (track.shockFrame >= o.frames) track.shockFrame = -1;
    track.seed = o.seed;
    result.track = makeTrack(track);
    result.shockFrame = track.shockFrame;

    // Front job.
    EncodeJob front;
    front.path = result.frontPath;
    front.width = o.width;
    front.height = o.height;
    front.fps = o.fps;
    front.keyInterval = o.keyInterval;
    front.bFrames = o.bFrames;
    front.videoTimeScale = o.videoTimeScale;
    front.encoderThreads = o.encoderThreads;
    std::vector<double> travelled;
    for (const TrackPoint& p : result.track) travelled.push_back(p.travelledM);
    front.videoTracks.push_back({Camera::Front, o.frames, travelled});
    if (o.secondVideoStream) front.videoTracks.push_back({Camera::Rear, o.frames, travelled});
    front.sound = o.sound;
    front.signal = o.signal;
    front.signal.sampleRate = o.sampleRate;

    // Rear job (video only, or sound only).
    const int rearFrames = o.rearFrames < 0 ? o.frames : o.rearFrames;
    EncodeJob rear = front;
    rear.path = rearPath;
    rear.videoTracks.clear();
    rear.sound = false;
    if (o.rear == RearKind::Normal)
        rear.videoTracks.push_back({Camera::Rear, rearFrames, travelled});
    if (o.rear == RearKind::SoundOnly) {
        rear.sound = true;
        rear.soundDurationS = static_cast<double>(rearFrames > 0 ? rearFrames : o.frames) / o.fps;
    }
    const bool encodeRear = o.rear == RearKind::Normal || o.rear == RearKind::SoundOnly;

    EncodeReport rearReport;
    std::string rearError;
    bool rearOk = true;
    std::thread rearThread;
    if (encodeRear && o.parallel)
        rearThread = std::thread([&] { rearOk = encodeRecording(rear, rearReport, rearError); });

    EncodeReport frontReport;
    const bool frontOk = encodeRecording(front, frontReport, error);
    if (rearThread.joinable()) rearThread.join();
    if (!frontOk) return false;
    if (encodeRear && !o.parallel) rearOk = encodeRecording(rear, rearReport, rearError);
    if (!rearOk) {
        error = rearError;
        return false;
    }

    result.frontFrames = frontReport.videoPackets.at(0);
    if (o.secondVideoStream) result.secondStreamFrames = frontReport.videoPackets.at(1);
    result.signal = front.signal;
    if (!o.sound) result.signal.channels = 0;

    if (o.telemetry) {
        const int entries = o.telemetryEntries < 0 ? result.frontFrames : o.telemetryEntries;
        if (!appendToMovieBox(result.frontPath, buildTelemetryBox(result.track, entries, o.flags),
                              error))
            return false;
        result.telemetryEntries = entries;
    }

    const bool relayout = o.movieFirst || !o.extraBoxType.empty();
    const std::vector<uint8_t> extra =
        o.extraBoxType.empty() ? std::vector<uint8_t>{} : makeBox(o.extraBoxType.c_str(), 64);
    if (relayout && !relayoutTopLevel(result.frontPath, o.movieFirst, extra, error)) return false;
    if (relayout && encodeRear && !relayoutTopLevel(rearPath, o.movieFirst, extra, error))
        return false;

    switch (o.rear) {
        case RearKind::Normal:
            result.rearFrames = rearReport.videoPackets.at(0);
            result.rearPath = rearPath;
            break;
        case RearKind::SoundOnly:
            result.rearPath = rearPath;
            break;
        case RearKind::NotMp4:
            if (!writeBytes(rearPath, "This is not a video recording.\n", error)) return false;
            result.rearPath = rearPath;
            break;
        case RearKind::Empty:
            if (!writeBytes(rearPath, "", error)) return false;
            result.rearPath = rearPath;
            break;
        case RearKind::Missing:
            break;
    }
    return true;
}

}  // namespace moksel::gen
