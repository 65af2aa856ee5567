#include "tools/telemetry/telemetry_export.h"

#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace moksel {

namespace {

// Shortest fixed-point text (no exponent, as GPX decimals need) that reads back as the same
// double.
std::string exact(double value) {
    char text[400];
    auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    if (error != std::errc()) return "0";
    return std::string(text, end);
}

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                // Control characters other than tab are not allowed in XML 1.0.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
                    out += '?';
                } else {
                    out += c;
                }
        }
    }
    return out;
}

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t daysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = unsigned(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + int64_t(dayOfEra) - 719468;
}

void civilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = unsigned(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = int64_t(yearOfEra) + era * 400 + (month <= 2);
}

std::string isoTimeFromMs(int64_t ms) {
    int64_t days = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
    int64_t msOfDay = ms - days * 86400000;
    int64_t year;
    unsigned month, day;
    civilFromDays(days, year, month, day);
    char text[64];
    std::snprintf(text, sizeof text, "%04" PRId64 "-%02u-%02uT%02d:%02d:%02d.%03dZ", year, month,
                  day, int(msOfDay / 3600000), int(msOfDay / 60000 % 60), int(msOfDay / 1000 % 60),
                  int(msOfDay % 1000));
    return text;
}

int64_t startMs(const RecordingStart& start) {
    return (daysFromCivil(start.year, unsigned(start.month), unsigned(start.day)) * 86400 +
            start.hour * 3600 + start.minute * 60 + start.second) *
           1000;
}

// The times of a track's records (see telemetryGpx).
class TrackClock {
public:
    explicit TrackClock(const TelemetryTrack& track) : track_(track) {
        if (!track.start) return;
        for (size_t i = 0; i < track.records.size(); ++i) {
            if (!hasUtc(i)) continue;
            // The camera's offset from UTC, in whole quarter hours as time zones go.
            constexpr int64_t kQuarterHourMs = 15 * 60 * 1000;
            const double offset = double(nameMs(i) - track.utcMs[i]);
            zoneMs_ = std::llround(offset / kQuarterHourMs) * kQuarterHourMs;
            break;
        }
    }
    bool known(size_t i) const { return hasUtc(i) || track_.start.has_value(); }
    std::string at(size_t i) const {
        return isoTimeFromMs(hasUtc(i) ? track_.utcMs[i] : nameMs(i) - zoneMs_);
    }

private:
    bool hasUtc(size_t i) const { return i < track_.utcMs.size() && track_.utcMs[i] >= 0; }
    int64_t nameMs(size_t i) const { return startMs(*track_.start) + track_.records[i].timeMs; }

    const TelemetryTrack& track_;
    int64_t zoneMs_ = 0;
};

}  // namespace

std::string telemetryCsvHeader() {
    return "index,time_ms,accel_x_g,accel_y_g,accel_z_g,latitude,longitude,speed_kmh,heading\n";
}

std::string telemetryCsvRows(const TelemetryTrack& track) {
    std::string out;
    char line[128];
    for (size_t i = 0; i < track.records.size(); ++i) {
        const TelemetryRecord& r = track.records[i];
        std::snprintf(line, sizeof line, "%zu,%" PRIu32 ",%.2f,%.2f,%.2f,", track.firstIndex + i, r.timeMs,
                      r.accelX / 100.0, r.accelY / 100.0, r.accelZ / 100.0);
        out += line;
        // A position out of range comes from a garbled sentence: its speed and course mean
        // nothing either, and the row reads as one without a fix (as in the GPX track).
        if (!hasFix(r)) {
            out += "0,0,0,0\n";
            continue;
        }
        const bool courseValid = r.heading >= 0 && r.heading <= 360;
        out += exact(r.latitude) + "," + exact(r.longitude) + "," + std::to_string(r.speedKmh) +
               "," + (courseValid ? exact(r.heading) : std::string("0")) + "\n";
    }
    return out;
}

bool hasFix(const TelemetryRecord& record) {
    if (record.latitude == 0 && record.longitude == 0) return false;
    return record.latitude >= -90 && record.latitude <= 90 && record.longitude >= -180 &&
           record.longitude < 180;
}

std::string isoTimeUtc(const RecordingStart& start, int64_t offsetMs) {
    return isoTimeFromMs(startMs(start) + offsetMs);
}

std::string telemetryGpx(const std::vector<TelemetryTrack>& tracks) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<gpx version=\"1.1\" creator=\"MOKSEL VIEWER\" "
        "xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    for (const TelemetryTrack& track : tracks) {
        out += "  <trk>\n    <name>" + xmlEscaped(track.name) + "</name>\n    <trkseg>\n";
        const TrackClock clock(track);
        for (size_t i = 0; i < track.records.size(); ++i) {
            const TelemetryRecord& r = track.records[i];
            if (!hasFix(r)) continue;
            out += "      <trkpt lat=\"" + exact(r.latitude) + "\" lon=\"" + exact(r.longitude) +
                   "\">";
            if (clock.known(i)) out += "<time>" + clock.at(i) + "</time>";
            out += "</trkpt>\n";
        }
        out += "    </trkseg>\n  </trk>\n";
    }
    out += "</gpx>\n";
    return out;
}

std::string telemetryKml(const std::vector<TelemetryTrack>& tracks) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n  <Document>\n"
        "    <name>MOKSEL VIEWER</name>\n";
    for (const TelemetryTrack& track : tracks) {
        out += "    <Placemark>\n      <name>" + xmlEscaped(track.name) + "</name>\n";
        std::string coordinates;
        int points = 0;
        for (const TelemetryRecord& r : track.records) {
            if (!hasFix(r)) continue;
            coordinates += "          " + exact(r.longitude) + "," + exact(r.latitude) + ",0\n";
            ++points;
        }
        const TrackClock clock(track);
        const size_t last = track.records.size() - 1;
        if (!track.records.empty() && clock.known(0) && clock.known(last)) {
            out += "      <TimeSpan><begin>" + clock.at(0) + "</begin><end>" + clock.at(last) +
                   "</end></TimeSpan>\n";
        }
        // A line needs two points; a single fix is a point.
        if (points >= 2) {
            out += "      <LineString>\n        <tessellate>1</tessellate>\n"
                   "        <coordinates>\n" +
                   coordinates + "        </coordinates>\n      </LineString>\n";
        } else if (points == 1) {
            out += "      <Point><coordinates>" + coordinates.substr(10, coordinates.size() - 11) +
                   "</coordinates></Point>\n";
        }
        out += "    </Placemark>\n";
    }
    out += "  </Document>\n</kml>\n";
    return out;
}

}  // namespace moksel
