// The sample recording generator: writes a front/rear recording pair with the camera's layout
// and naming, with options for every awkward case the viewer must survive.
//
// Front file by default: H.264 video (track time scale 1000, so packet times are milliseconds),
// AAC sound at 22050 Hz (mono by default; a steady sine, see sound_signal.h), and the telemetry
// box `udat` (`GPSI`, `SENS`, `finf`, one entry per front video packet) as the last child of the
// movie box. Top-level boxes: ftyp, free, mdat, moov; options give other time scales, sample
// rates, B-frames and top-level layouts. Rear file: H.264 video only, named by the pairing rule
// (camera digit 1). Every frame shows its own 0-based frame number as a readable pattern
// (frame_pattern.h); front and rear scenes differ in colour.
//
// Thread contract: generatePair keeps no state between calls; it may be called from any one
// thread at a time per output folder. With `parallel` it encodes the rear file on a second
// thread of its own and joins it before returning.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "gps_track.h"
#include "sound_signal.h"

namespace moksel::gen {

enum class RearKind {
    Normal,     // video only, rearFrames frames
    Missing,    // no rear file at all
    SoundOnly,  // a valid MP4 with sound and no video stream
    NotMp4,     // a file with the rear name that holds text, not an MP4
    Empty,      // a file with the rear name and no bytes
};

inline constexpr int kAutoShockFrame = -2;

struct GenOptions {
    std::string outputDir = ".";  // created when missing
    std::string type = "drf";     // three characters: drf, evt or mod (others make "other" names)
    DateTime start;               // local date and time in the file names
    int utcOffsetMinutes = 540;   // GPS time = start - offset (Korea: UTC+9)

    int frames = 300;  // front video frames, 1..65536
    int fps = 30;
    int width = 1280, height = 720;  // even, at least 64 x 36
    int keyInterval = 30;            // frames between key frames; 0 = only the first frame
    int bFrames = 0;                 // B-frames between references (reordered; x264's own: 3)
    int videoTimeScale = 1000;       // video track time units per second (1000: ms time stamps)

    bool sound = true;
    SoundSignal signal;  // channels 1 or 2; its sample rate is taken from sampleRate
    int sampleRate = 22050;

    bool telemetry = true;      // false: no udat box at all
    bool flags = true;          // false: udat without its finf sub-box
    int telemetryEntries = -1;  // entries per sub-box; < 0: one per front video packet

    RearKind rear = RearKind::Normal;
    int rearFrames = -1;             // < 0: as many as the front
    bool secondVideoStream = false;  // the front file gets a second video stream (rear scene)

    // Layouts other writers produce (both files): the movie box right after ftyp, and/or one
    // extra top-level box of this four-character type (64 zero bytes) right after ftyp.
    bool movieFirst = false;
    std::string extraBoxType;

    GpsMode gps = GpsMode::Mixed;
    char northSouth = 'N', eastWest = 'E';
    double latitudeDeg = 37.5665, longitudeDeg = 126.978;  // magnitudes at the drive's start
    std::optional<DriveKind> drive;    // unset: parked for "mod", driving otherwise
    double driveOffsetS = 10.0;        // position of frame 0 in the endless drive script
    int shockFrame = kAutoShockFrame;  // -1 none; auto: mid-recording for "evt", else none
    uint32_t seed = 1;

    int encoderThreads = 1;  // per video encoder; 0 = the encoder's choice (one each is fastest
                             // when front and rear encode side by side)
    bool parallel = true;    // encode front and rear at the same time
};

struct GenResult {
    std::string frontPath;
    std::string rearPath;           // empty when no rear file was written
    int frontFrames = 0;            // video packets written in the front file's first video stream
    int rearFrames = 0;             // video packets in the rear file (0 without rear video)
    int secondStreamFrames = 0;     // packets of the front file's second video stream, if any
    int telemetryEntries = 0;       // entries per sub-box (0 without udat)
    int shockFrame = -1;            // frame whose finf entry is 1, -1 for none
    SoundSignal signal;             // the front file's sound (channels 0 when it has none)
    std::vector<TrackPoint> track;  // one point per front frame
};

// "drf0_20120301_081500.mp4" for type "drf", camera 0 and 2012-03-01 08:15:00.
std::string recordingFileName(const std::string& type, int camera, const DateTime& start);

bool generatePair(const GenOptions& options, GenResult& result, std::string& error);

}  // namespace moksel::gen
