#include "recording/gps_sentence.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "recording/numeric.h"

namespace moksel {

namespace {

// Takes the next comma-terminated field off the front of `rest`. Without a comma the field is
// empty and `rest` stays as it is, so every later field is empty too.
std::string_view takeField(std::string_view& rest) {
    size_t comma = rest.find(',');
    if (comma == std::string_view::npos) return {};
    std::string_view field = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
    return field;
}

// The field as a decimal number in the C locale: leading blanks and one '+' are skipped, the
// longest numeric prefix is read; empty, non-numeric and non-finite text gives 0.
double fieldValue(std::string_view field) {
    while (!field.empty() && (field.front() == ' ' || field.front() == '\t'))
        field.remove_prefix(1);
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    double value = 0;
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    (void)end;
    if (error != std::errc() || !std::isfinite(value)) return 0;
    return value;
}

// ddmm.mmmm (or dddmm.mmmm) to decimal degrees: whole degrees are the integer part divided
// by 100 (integer division), the remainder is minutes.
double degreesFromField(std::string_view field) {
    double value = fieldValue(field);
    double whole = std::trunc(value);
    double degrees = std::fabs(whole) < 1e15
                         ? static_cast<double>(static_cast<int64_t>(whole) / 100)
                         : std::trunc(whole / 100);
    return degrees + (value - 100.0 * degrees) / 60.0;
}

bool hemisphereIs(std::string_view field, char letter) {
    while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
    return !field.empty() && (field.front() == letter || field.front() == letter + ('a' - 'A'));
}

}  // namespace

void parseGpsSentence(std::string_view text, TelemetryRecord& record) {
    constexpr double kKmhPerKnot = 1.852;
    std::string_view rest = text;
    takeField(rest);  // time of fix
    takeField(rest);  // status (valid / void): not consulted
    double latitude = degreesFromField(takeField(rest));
    if (hemisphereIs(takeField(rest), 'S')) latitude = -latitude;
    double longitude = degreesFromField(takeField(rest));
    if (hemisphereIs(takeField(rest), 'W')) longitude = -longitude;
    double knots = fieldValue(takeField(rest));
    double course = fieldValue(takeField(rest));

    record.latitude = latitude;
    record.longitude = longitude;
    record.speedKmh = static_cast<uint16_t>(truncatedLow16(knots * kKmhPerKnot));
    record.heading = course;
}

bool gpsSentenceUtcMs(std::string_view text, int64_t& utcMs) {
    std::string_view rest = text;
    const std::string_view time = takeField(rest);
    for (int i = 0; i < 7; ++i) takeField(rest);  // status, position, speed, course
    const std::string_view date = takeField(rest);
    auto digits = [](std::string_view field, size_t at) {
        return field[at] >= '0' && field[at] <= '9' && field[at + 1] >= '0' && field[at + 1] <= '9'
                   ? (field[at] - '0') * 10 + (field[at + 1] - '0')
                   : -1;
    };
    if (time.size() < 6 || date.size() != 6) return false;
    const int hour = digits(time, 0), minute = digits(time, 2), second = digits(time, 4);
    const int dd = digits(date, 0), mm = digits(date, 2), yy = digits(date, 4);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60 ||
        dd < 0 || mm < 0 || yy < 0)
        return false;
    double fraction = 0;
    if (time.size() > 6) {
        if (time[6] != '.') return false;
        fraction = fieldValue(time.substr(6));
    }
    const std::chrono::year_month_day ymd{std::chrono::year{yy >= 80 ? 1900 + yy : 2000 + yy},
                                          std::chrono::month{unsigned(mm)},
                                          std::chrono::day{unsigned(dd)}};
    if (!ymd.ok()) return false;
    utcMs = (int64_t(std::chrono::sys_days{ymd}.time_since_epoch().count()) * 86400 + hour * 3600 +
             minute * 60 + second) * 1000 +
            std::llround(fraction * 1000);
    return true;
}

std::string_view gpsEntryText(const char* entry, size_t entryBytes) {
    size_t length = strnlen(entry, entryBytes);
    if (length <= kGpsSentencePrefixBytes) return {};
    return std::string_view(entry + kGpsSentencePrefixBytes, length - kGpsSentencePrefixBytes);
}

}  // namespace moksel
