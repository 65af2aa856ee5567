// moksel-gen: writes sample recordings for the viewer (one pair, or a whole sample card).
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

extern "C" {
#include <libavutil/log.h>
}

#include "recording_generator.h"
#include "sample_drive.h"

namespace {

using namespace moksel::gen;

constexpr const char* kUsage =
    R"(usage: moksel-gen [options]        write one front/rear recording pair
       moksel-gen --drive OUTDIR         write a sample SD card (6+ pairs, 1280x720)

Pair options:
  --out DIR               output folder (default: current folder; created when missing)
  --type drf|evt|mod      recording type in the names (default drf)
  --date YYYYMMDD         date in the names (default 20120301)
  --time HHMMSS           time in the names (default 081500)
  --utc-offset MINUTES    GPS time = name time - offset (default 540)
  --frames N              front video frames, 1..65536 (default 300)
  --fps N                 frames per second (default 30)
  --size WxH              picture size, even numbers (default 1280x720)
  --keyint N              frames between key frames; 0 = first frame only (default 30)
  --bframes N             B-frames between references, reordered (default 0; x264's own
                          defaults are --bframes 3 --keyint 250)
  --timescale N           video time units per second (default 1000; e.g. 90000, 15360)
  --no-sound              front file without sound stream
  --sample-rate HZ        sound sample rate (default 22050; e.g. 48000, 16000)
  --stereo                two sound channels (default mono)
  --sine-hz F             sine frequency of the sound (default 1000)
  --no-udat               no telemetry box
  --no-finf               telemetry box without its flag sub-box
  --udat-entries N        entries per telemetry sub-box (default: one per front frame)
  --rear KIND             normal | missing | sound-only | not-mp4 | empty (default normal)
  --rear-frames N         rear video frames (default: as many as the front)
  --two-video             front file with a second video stream
  --faststart             index (moov) right after ftyp, before the media data, in both files
  --extra-box TYPE        one extra top-level box of that four-character type after ftyp
  --gps MODE              mixed | fix | none | void (default mixed: starts without data and
                          has a short void stretch in the middle)
  --hemisphere XY         N or S, then E or W (default NE)
  --lat DEG --lon DEG     start position, magnitudes in degrees (default 37.5665 126.978)
  --parked | --driving    telemetry of a parked car or of a drive (default: parked for mod)
  --drive-offset S        where in the drive script the recording starts (default 10)
  --shock-frame N         frame of the shock and of the finf flag; -1 none (default: middle of
                          evt recordings, none otherwise)
  --seed N                G-sensor noise seed (default 1)
  --threads N             encoder threads per video stream; 0 = automatic (default 1)
  --serial                encode front and rear one after the other
  --help                  this text

Every frame shows its 0-based frame number as a readable pattern and as digits; the front file
holds H.264 video at millisecond time stamps, AAC sound at 22050 Hz (a sine of amplitude 0.25)
and the udat box (GPSI, SENS, finf) as the last child of moov.
)";

bool parseInt(std::string_view text, int& out) {
    try {
        size_t used = 0;
        const int v = std::stoi(std::string(text), &used);
        if (used != text.size()) return false;
        out = v;
        return true;
    } catch (...) {
        return false;
    }
}

bool parseDouble(std::string_view text, double& out) {
    try {
        size_t used = 0;
        const double v = std::stod(std::string(text), &used);
        if (used != text.size()) return false;
        out = v;
        return true;
    } catch (...) {
        return false;
    }
}

bool parseDigits(std::string_view text, size_t length, int (&parts)[3]) {
    if (text.size() != length) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    const size_t first = length - 4;  // YYYY or HH
    parts[0] = std::stoi(std::string(text.substr(0, first)));
    parts[1] = std::stoi(std::string(text.substr(first, 2)));
    parts[2] = std::stoi(std::string(text.substr(first + 2, 2)));
    return true;
}

int fail(const std::string& message) {
    std::cerr << "moksel-gen: " << message << "\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);  // the encoders' banners and statistics are noise here
    GenOptions o;
    std::string driveRoot;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        auto value = [&](std::string_view& v) {
            if (i + 1 >= argc) return false;
            v = argv[++i];
            return true;
        };
        std::string_view v;
        int parts[3];
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--no-sound") {
            o.sound = false;
        } else if (a == "--stereo") {
            o.signal.channels = 2;
        } else if (a == "--no-udat") {
            o.telemetry = false;
        } else if (a == "--no-finf") {
            o.flags = false;
        } else if (a == "--two-video") {
            o.secondVideoStream = true;
        } else if (a == "--faststart") {
            o.movieFirst = true;
        } else if (a == "--parked") {
            o.drive = DriveKind::Parked;
        } else if (a == "--driving") {
            o.drive = DriveKind::Driving;
        } else if (a == "--serial") {
            o.parallel = false;
        } else if (!value(v)) {
            return fail(std::string(a) + ": unknown option or missing value (see --help)");
        } else if (a == "--drive") {
            driveRoot = v;
        } else if (a == "--extra-box") {
            o.extraBoxType = v;
        } else if (a == "--out") {
            o.outputDir = v;
        } else if (a == "--type") {
            o.type = v;
        } else if (a == "--date") {
            if (!parseDigits(v, 8, parts)) return fail("--date wants YYYYMMDD");
            o.start.year = parts[0], o.start.month = parts[1], o.start.day = parts[2];
        } else if (a == "--time") {
            if (!parseDigits(v, 6, parts)) return fail("--time wants HHMMSS");
            o.start.hour = parts[0], o.start.minute = parts[1], o.start.second = parts[2];
        } else if (a == "--size") {
            const size_t x = v.find('x');
            if (x == std::string_view::npos || !parseInt(v.substr(0, x), o.width) ||
                !parseInt(v.substr(x + 1), o.height))
                return fail("--size wants WIDTHxHEIGHT");
        } else if (a == "--rear") {
            if (v == "normal")
                o.rear = RearKind::Normal;
            else if (v == "missing")
                o.rear = RearKind::Missing;
            else if (v == "sound-only")
                o.rear = RearKind::SoundOnly;
            else if (v == "not-mp4")
                o.rear = RearKind::NotMp4;
            else if (v == "empty")
                o.rear = RearKind::Empty;
            else
                return fail("--rear wants normal, missing, sound-only, not-mp4 or empty");
        } else if (a == "--gps") {
            if (v == "mixed")
                o.gps = GpsMode::Mixed;
            else if (v == "fix")
                o.gps = GpsMode::AllFix;
            else if (v == "none")
                o.gps = GpsMode::NoData;
            else if (v == "void")
                o.gps = GpsMode::Void;
            else
                return fail("--gps wants mixed, fix, none or void");
        } else if (a == "--hemisphere") {
            if (v.size() != 2 || (v[0] != 'N' && v[0] != 'S') || (v[1] != 'E' && v[1] != 'W'))
                return fail("--hemisphere wants NE, NW, SE or SW");
            o.northSouth = v[0];
            o.eastWest = v[1];
        } else {
            int n = 0;
            double d = 0;
            const bool isInt = parseInt(v, n);
            const bool isDouble = parseDouble(v, d);
            if (a == "--frames" && isInt)
                o.frames = n;
            else if (a == "--fps" && isInt)
                o.fps = n;
            else if (a == "--keyint" && isInt)
                o.keyInterval = n;
            else if (a == "--bframes" && isInt)
                o.bFrames = n;
            else if (a == "--timescale" && isInt)
                o.videoTimeScale = n;
            else if (a == "--sample-rate" && isInt)
                o.sampleRate = n;
            else if (a == "--udat-entries" && isInt)
                o.telemetryEntries = n;
            else if (a == "--rear-frames" && isInt)
                o.rearFrames = n;
            else if (a == "--shock-frame" && isInt)
                o.shockFrame = n;
            else if (a == "--seed" && isInt)
                o.seed = static_cast<uint32_t>(n);
            else if (a == "--threads" && isInt)
                o.encoderThreads = n;
            else if (a == "--utc-offset" && isInt)
                o.utcOffsetMinutes = n;
            else if (a == "--sine-hz" && isDouble)
                o.signal.frequencyHz = d;
            else if (a == "--lat" && isDouble)
                o.latitudeDeg = d;
            else if (a == "--lon" && isDouble)
                o.longitudeDeg = d;
            else if (a == "--drive-offset" && isDouble)
                o.driveOffsetS = d;
            else
                return fail(std::string(a) + " " + std::string(v) +
                            ": not understood (see --help)");
        }
    }

    std::string error;
    if (!driveRoot.empty()) {
        if (!writeSampleDrive(driveRoot, std::cout, error)) return fail(error);
        return 0;
    }
    GenResult r;
    if (!generatePair(o, r, error)) return fail(error);
    std::cout << "wrote " << r.frontPath << " (" << r.frontFrames << " frames";
    if (r.secondStreamFrames) std::cout << " + " << r.secondStreamFrames << " in a second stream";
    std::cout << (o.sound ? ", sound" : ", no sound")
              << (r.telemetryEntries
                      ? ", " + std::to_string(r.telemetryEntries) + " telemetry entries"
                      : ", no telemetry")
              << ")\n";
    if (!r.rearPath.empty())
        std::cout << "wrote " << r.rearPath << " (" << r.rearFrames << " frames)\n";
    return 0;
}
