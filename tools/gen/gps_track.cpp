#include "gps_track.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>

namespace moksel::gen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGravity = 9.80665;           // m/s^2 per g
constexpr double kMetresPerDegree = 111320.0;  // along a meridian
constexpr double kKmhPerKnot = 1.852;

// One leg of the endless drive script: over `durationS` the speed moves linearly to
// `endSpeedKmh` and the heading turns by `turnDeg` (positive = to the right).
struct Leg {
    double durationS, endSpeedKmh, turnDeg;
};

constexpr std::array<Leg, 13> kDriveScript = {{
    {3, 0, 0},       // waiting at the lights
    {6, 45, 0},      // pulling away
    {6, 50, 0},      // town road
    {3, 25, 0},      // slowing for the corner
    {4, 20, 90},     // right turn
    {8, 80, 0},      // onto the arterial road
    {10, 120, 0},    // highway
    {10, 120, -25},  // long left bend
    {6, 120, 0},
    {8, 60, 0},    // off ramp
    {5, 30, -90},  // left turn
    {6, 0, 0},     // braking to a stop
    {4, 0, 0},     // standing
}};

double scriptLengthS() {
    double total = 0;
    for (const Leg& leg : kDriveScript) total += leg.durationS;
    return total;
}

struct Motion {
    double speedKmh;
    double turnRateDegPerS;
    double accelMs2;  // along the road
};

Motion motionAt(double t) {
    const double cycle = scriptLengthS();
    t = std::fmod(std::max(0.0, t), cycle);
    double startSpeed = kDriveScript.back().endSpeedKmh;
    for (const Leg& leg : kDriveScript) {
        if (t < leg.durationS) {
            const double f = t / leg.durationS;
            const double speed = startSpeed + (leg.endSpeedKmh - startSpeed) * f;
            return {speed, leg.turnDeg / leg.durationS,
                    (leg.endSpeedKmh - startSpeed) / 3.6 / leg.durationS};
        }
        t -= leg.durationS;
        startSpeed = leg.endSpeedKmh;
    }
    return {0, 0, 0};
}

int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// Degrees and minutes as written with four decimals of minutes; returns the written value back
// in decimal degrees through `written`.
void splitDegrees(double magnitude, int& degrees, double& minutes, double& written) {
    degrees = static_cast<int>(std::floor(magnitude));
    minutes = std::round((magnitude - degrees) * 60.0 * 10000.0) / 10000.0;
    if (minutes >= 60.0) {
        degrees += 1;
        minutes = 0.0;
    }
    written = degrees + minutes / 60.0;
}

double roundTo(double v, double unit) {
    return std::round(v / unit) * unit;
}

}  // namespace

DateTime addSeconds(const DateTime& t, int64_t seconds) {
    int64_t total = daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 +
                    t.second + seconds;
    int64_t days = total >= 0 ? total / 86400 : (total - 86399) / 86400;
    int64_t rest = total - days * 86400;
    DateTime r;
    civilFromDays(days, r.year, r.month, r.day);
    r.hour = static_cast<int>(rest / 3600);
    r.minute = static_cast<int>(rest / 60 % 60);
    r.second = static_cast<int>(rest % 60);
    return r;
}

int64_t frameTimeMs(int index, int fps) {
    return (static_cast<int64_t>(index) * 1000 + fps / 2) / fps;
}

uint8_t nmeaChecksum(std::string_view s) {
    size_t begin = 0, end = s.size();
    if (!s.empty() && s[0] == '$') begin = 1;
    if (const size_t star = s.find('*'); star != std::string_view::npos) end = star;
    uint8_t sum = 0;
    for (size_t i = begin; i < end; ++i) sum ^= static_cast<uint8_t>(s[i]);
    return sum;
}

bool nmeaChecksumValid(std::string_view s) {
    const size_t star = s.find('*');
    if (s.empty() || s[0] != '$' || star == std::string_view::npos || star + 3 > s.size())
        return false;
    char expected[3];
    std::snprintf(expected, sizeof expected, "%02X", nmeaChecksum(s));
    return s[star + 1] == expected[0] && s[star + 2] == expected[1];
}

std::string formatRmc(const DateTime& utc, int centiseconds, bool fix, double latitudeDeg,
                      double longitudeDeg, double speedKnots, double headingDeg) {
    char body[112];
    const int yy = utc.year % 100;
    if (fix) {
        int latD, lonD;
        double latM, lonM, ignored;
        splitDegrees(std::fabs(latitudeDeg), latD, latM, ignored);
        splitDegrees(std::fabs(longitudeDeg), lonD, lonM, ignored);
        std::snprintf(body, sizeof body,
                      "GPRMC,%02d%02d%02d.%02d,A,%02d%07.4f,%c,%03d%07.4f,%c,%.3f,%.2f,"
                      "%02d%02d%02d,,,A",
                      utc.hour, utc.minute, utc.second, centiseconds, latD, latM,
                      latitudeDeg < 0 ? 'S' : 'N', lonD, lonM, longitudeDeg < 0 ? 'W' : 'E',
                      speedKnots, headingDeg, utc.day, utc.month, yy);
    } else {
        std::snprintf(body, sizeof body, "GPRMC,%02d%02d%02d.%02d,V,,,,,,,%02d%02d%02d,,,N",
                      utc.hour, utc.minute, utc.second, centiseconds, utc.day, utc.month, yy);
    }
    char sentence[128];
    std::snprintf(sentence, sizeof sentence, "$%s*%02X", body, nmeaChecksum(body));
    return sentence;
}

std::vector<TrackPoint> makeTrack(const TrackOptions& o) {
    std::vector<TrackPoint> track;
    if (o.frames <= 0 || o.fps <= 0) return track;
    track.reserve(static_cast<size_t>(o.frames));
    const double latSign = (o.northSouth == 'S' || o.northSouth == 's') ? -1.0 : 1.0;
    const double lonSign = (o.eastWest == 'W' || o.eastWest == 'w') ? -1.0 : 1.0;
    double lat = latSign * o.startLatitudeDeg;
    double lon = lonSign * o.startLongitudeDeg;
    double heading = o.startHeadingDeg;
    const double dt = 1.0 / o.fps;
    const bool driving = o.kind == DriveKind::Driving;

    // Drive the script up to the recording's start so consecutive recordings join up.
    auto advance = [&](double t) {
        const Motion m = driving ? motionAt(t) : Motion{0, 0, 0};
        const double metres = m.speedKmh / 3.6 * dt;
        const double h = heading * kPi / 180.0;
        lat += metres * std::cos(h) / kMetresPerDegree;
        lon += metres * std::sin(h) / (kMetresPerDegree * std::cos(lat * kPi / 180.0));
        heading = std::fmod(heading + m.turnRateDegPerS * dt + 360.0, 360.0);
    };
    const int warmup = static_cast<int>(std::lround(o.driveOffsetS * o.fps));
    for (int i = 0; i < warmup; ++i) advance(i * dt);

    const int silent = std::max(1, o.frames / 20);
    const int voidBegin = o.frames / 2;
    std::mt19937 rng(o.seed);
    std::normal_distribution<float> noise(0.0f, 0.012f);
    double travelled = 0;

    for (int i = 0; i < o.frames; ++i) {
        const double t = o.driveOffsetS + i * dt;
        const Motion m = driving ? motionAt(t) : Motion{0, 0, 0};
        TrackPoint p;
        p.timeMs = frameTimeMs(i, o.fps);

        bool sentence = true, fix = true;
        switch (o.gps) {
            case GpsMode::Mixed:
                sentence = i >= silent;
                fix = sentence && !(i >= voidBegin && i < voidBegin + silent);
                break;
            case GpsMode::AllFix:
                break;
            case GpsMode::NoData:
                sentence = fix = false;
                break;
            case GpsMode::Void:
                fix = false;
                break;
        }
        p.hasSentence = sentence;
        p.fix = fix;
        if (sentence) {
            const DateTime utc = addSeconds(o.startUtc, p.timeMs / 1000);
            const int centis = static_cast<int>(p.timeMs % 1000 / 10);
            const double knots = roundTo(m.speedKmh / kKmhPerKnot, 0.001);
            double course = roundTo(heading, 0.01);
            if (course >= 360.0) course -= 360.0;
            p.sentence = formatRmc(utc, centis, fix, lat, lon, knots, course);
            if (fix) {
                int d;
                double minutes, written;
                splitDegrees(std::fabs(lat), d, minutes, written);
                p.latitudeDeg = lat < 0 ? -written : written;
                splitDegrees(std::fabs(lon), d, minutes, written);
                p.longitudeDeg = lon < 0 ? -written : written;
                p.speedKnots = knots;
                p.speedKmh = knots * kKmhPerKnot;
                p.headingDeg = course;
            }
        }

        const double yawRate = m.turnRateDegPerS * kPi / 180.0;
        p.accelX = static_cast<float>(m.speedKmh / 3.6 * yawRate / kGravity) + noise(rng);
        p.accelY = static_cast<float>(m.accelMs2 / kGravity) + noise(rng);
        p.accelZ = 1.0f + noise(rng);
        if (o.shockFrame >= 0 && i >= o.shockFrame && i < o.shockFrame + 8) {
            const int k = i - o.shockFrame;
            const float decay = std::pow(0.55f, static_cast<float>(k)) * (k % 2 ? -1.0f : 1.0f);
            p.accelX += -1.6f * decay;
            p.accelY += 2.4f * decay;
            p.accelZ += 0.9f * decay;
        }
        p.event = i == o.shockFrame;
        p.travelledM = travelled;
        travelled += m.speedKmh / 3.6 * dt;
        track.push_back(std::move(p));
        advance(t);
    }
    return track;
}

}  // namespace moksel::gen
