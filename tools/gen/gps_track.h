// The simulated drive behind a sample recording's telemetry: one point per video frame with the
// GPS position, speed and heading, the G-sensor sample, the event flag and the GPS sentence the
// camera would have stored for that frame.
//
// Thread contract: plain functions without shared state; safe from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace moksel::gen {

// Civil date and time (no time zone attached).
struct DateTime {
    int year = 2012, month = 3, day = 1;
    int hour = 8, minute = 15, second = 0;
};

// Adds whole seconds (may be negative), carrying into minutes, hours and days.
DateTime addSeconds(const DateTime& t, int64_t seconds);

enum class GpsMode {
    Mixed,   // valid fixes, except all-zero entries at the start (receiver still silent) and a
             // stretch of void ('V') sentences with empty fields in the middle
    AllFix,  // a valid fix in every entry
    NoData,  // every entry all zeros
    Void,    // every entry a void sentence (time and date only)
};

enum class DriveKind {
    Driving,  // stops, turns, town speeds and a highway stretch up to 120 km/h
    Parked,   // standing still with a fix (motion recordings)
};

struct TrackOptions {
    int frames = 300;
    int fps = 30;
    DriveKind kind = DriveKind::Driving;
    GpsMode gps = GpsMode::Mixed;
    double startLatitudeDeg = 37.5665;   // magnitude, degrees
    double startLongitudeDeg = 126.978;  // magnitude, degrees
    char northSouth = 'N';
    char eastWest = 'E';
    double startHeadingDeg = 30.0;
    DateTime startUtc;          // time of frame 0 as written in the sentences
    double driveOffsetS = 0.0;  // where in the endless drive script frame 0 falls (seconds)
    int shockFrame = -1;        // frame of the shock (finf = 1); -1 for none
    uint32_t seed = 1;          // noise of the G-sensor
};

// One frame's telemetry. Position, speed and heading hold the values exactly as written in the
// sentence (rounded to its digits), so a reader of the box can be compared against them.
struct TrackPoint {
    int64_t timeMs = 0;        // presentation time of the frame's video packet, ms
    bool hasSentence = false;  // false: the GPSI entry is all zeros
    bool fix = false;          // true: status 'A' with position; false with a sentence: 'V'
    double latitudeDeg = 0;    // signed decimal degrees (south negative); 0 without a fix
    double longitudeDeg = 0;   // signed decimal degrees (west negative); 0 without a fix
    double speedKnots = 0;     // as written
    double speedKmh = 0;       // speedKnots * 1.852
    double headingDeg = 0;     // course over ground as written, 0..360
    float accelX = 0, accelY = 0, accelZ = 0;  // g; X lateral, Y longitudinal, Z vertical
    bool event = false;                        // the frame's finf entry is 1
    double travelledM = 0;  // road travelled since the recording's first frame, metres
    std::string sentence;   // the GPSI entry's text ("" when hasSentence is false)
};

std::vector<TrackPoint> makeTrack(const TrackOptions& options);

// Presentation time of frame `index` in ms at `fps` frames per second (rounded to nearest).
int64_t frameTimeMs(int index, int fps);

// XOR of the characters between '$' and '*' (exclusive) of an NMEA sentence, or of `body` when
// it holds neither.
uint8_t nmeaChecksum(std::string_view sentence);

// True when the sentence has the form $...*hh and hh (two upper-case hex digits) is its checksum.
bool nmeaChecksumValid(std::string_view sentence);

// A recommended-minimum sentence ($GPRMC) with its checksum. Valid when `fix`, else void with
// empty position, speed and course fields.
std::string formatRmc(const DateTime& utc, int centiseconds, bool fix, double latitudeDeg,
                      double longitudeDeg, double speedKnots, double headingDeg);

}  // namespace moksel::gen
