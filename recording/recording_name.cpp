#include "recording/recording_name.h"

#include <array>
#include <cstdio>

namespace moksel {

bool isFrontRecordingName(std::string_view fileName) {
    return fileName.size() == 24 && fileName.find("mp4") != std::string_view::npos &&
           fileName[3] == '0' && fileName[4] == '_' && fileName[13] == '_';
}

std::optional<RecordingKind> recordingKindOf(std::string_view name) {
    if (name.find("drf") != std::string_view::npos) return RecordingKind::Normal;
    if (name.find("evt") != std::string_view::npos) return RecordingKind::Event;
    if (name.find("mod") != std::string_view::npos) return RecordingKind::Motion;
    return std::nullopt;
}

const char* recordingKindText(RecordingKind kind) {
    switch (kind) {
        case RecordingKind::Normal:
            return "NORMAL";
        case RecordingKind::Event:
            return "EVENT";
        case RecordingKind::Motion:
            return "MOTION";
    }
    return "";
}

std::string recordingDateText(std::string_view name) {
    if (name.size() < 20) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%c%c.%c%c.%c%c %c%c:%c%c:%c%c", name[7], name[8], name[9],
                  name[10], name[11], name[12], name[14], name[15], name[16], name[17], name[18],
                  name[19]);
    return text;
}

namespace {

// Reads `count` decimal digits at `pos`; -1 when any is not a digit.
int digitsAt(std::string_view text, size_t pos, size_t count) {
    int value = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

}  // namespace

std::optional<RecordingStart> recordingStartOf(std::string_view name) {
    if (name.size() < 20) return std::nullopt;
    RecordingStart start;
    start.year = digitsAt(name, 5, 4);
    start.month = digitsAt(name, 9, 2);
    start.day = digitsAt(name, 11, 2);
    start.hour = digitsAt(name, 14, 2);
    start.minute = digitsAt(name, 16, 2);
    start.second = digitsAt(name, 18, 2);
    static constexpr std::array<int, 12> kDaysInMonth = {31, 28, 31, 30, 31, 30,
                                                         31, 31, 30, 31, 30, 31};
    if (start.year < 0 || start.month < 1 || start.month > 12 || start.day < 1) return std::nullopt;
    int monthDays = kDaysInMonth[start.month - 1] + (start.month == 2 && isLeapYear(start.year));
    if (start.day > monthDays || start.hour < 0 || start.hour > 23 || start.minute < 0 ||
        start.minute > 59 || start.second < 0 || start.second > 59)
        return std::nullopt;
    return start;
}

std::string rearPathForFront(std::string_view frontPath) {
    std::string path(frontPath);
    for (const char* marker : {"evt0_", "mod0_", "drf0_"}) {
        size_t at = path.find(marker);
        if (at != std::string::npos) {
            path[at + 3] = '1';
            break;
        }
    }
    return path;
}

std::string rearPathForSave(std::string_view frontPath) {
    std::string path(frontPath);
    for (const char* marker : {"drf0_", "mod0_", "evt0_"}) {
        size_t at = path.find(marker);
        if (at == std::string::npos) continue;
        for (; at != std::string::npos; at = path.find(marker, at + 5)) path[at + 3] = '1';
        break;
    }
    return path;
}

}  // namespace moksel
