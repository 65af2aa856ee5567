#include "device/camera_config_file.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace moksel {

// Key, padding, "= ", value: "=" stands at column 29 on most lines, 30 on parking_mode and
// md_sensitivity, 31 on summer_time and 15 on rec_quality (three TABs). Byte for byte what
// the camera writes itself.
const std::string_view SetupTemplate =
    "[system_set]\r\n"
    "rec_time                    = 60\r\n"
    "lang_mode                   = 1056\r\n"
    "rec_quality\t\t\t= 0\r\n"
    "parking_mode                 = 1\r\n"
    "resolution                  = 1\r\n"
    "boot_recording              = 1\r\n"
    "water_mark                  = 1\r\n"
    "record_mute                 = 1\r\n"
    "gsensor_level               = 2\r\n"
    "md_level                    = 1\r\n"
    "md_sensitivity               = 4\r\n"
    "pip_switch                  = 0\r\n"
    "bright_level                = 3\r\n"
    "speaker_volume              = 3\r\n"
    "microphone_volume           = 2\r\n"
    "udat_switch                 = 1\r\n"
    "switch_to_park_time         = 0\r\n"
    "time_zone                   = 9\r\n"
    "summer_time                   = 0\r\n"
    "voice_guide_mode            = 2\r\n"
    "keytone                     = 1\r\n"
    "gps_module                  = 0\r\n"
    "gps_frame_type              = 0\r\n"
    "tp_adjust_finish            = 1\r\n"
    "screen_save_time            = 0\r\n";

namespace {

// A configuration file is a few hundred bytes; anything past this is not read.
constexpr std::size_t kMaxSetupFileBytes = 1024 * 1024;
// The value text Windows hands back is at most this long (a 255-character buffer).
constexpr std::size_t kMaxValueChars = 254;

// One edited key: its member, its place in the written file and how many digits it takes.
struct Field {
    const char* key;
    std::int32_t DeviceSettings::*member;
    std::size_t offset;
    int digits;
};

// In the order the keys are read.
constexpr Field kFields[] = {
    {"screen_save_time", &DeviceSettings::screen_save_time, 830, 1},
    {"record_mute", &DeviceSettings::record_mute, 266, 1},
    {"voice_guide_mode", &DeviceSettings::voice_guide_mode, 665, 1},
    {"lang_mode", &DeviceSettings::lang_mode, 78, 4},
    {"gsensor_level", &DeviceSettings::gsensor_level, 299, 1},
    {"parking_mode", &DeviceSettings::parking_mode, 134, 1},
    {"summer_time", &DeviceSettings::summer_time, 632, 1},
    {"rec_quality", &DeviceSettings::rec_quality, 100, 1},
    {"md_sensitivity", &DeviceSettings::md_sensitivity, 366, 1},
};
constexpr std::size_t kTimeZoneOffset = 597;

// Relative to a drive root, in the order they are tried. The first is what a save of the viewer
// wrote and the camera has not taken in yet: the newest settings of the card. The first three
// belong to a card with prefixed naming.
constexpr const char* kReadNames[] = {"velta_setup.new", "setting/velta_setup.new",
                                      "setting/velta_setup.old", "setup.ini", "setting/setup.old"};
constexpr int kReadNameCount = 5;

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char ch) {
            return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + 32) : ch;
        };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Like atoi: optional leading white space and sign, then digits up to the first non-digit;
// 0 when no digit follows.
std::int32_t leadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (isBlank(text[i]) || text[i] == '\r' || text[i] == '\n')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < INT32_MAX) value = value * 10 + (text[i] - '0');
    }
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<std::int32_t>(negative ? -value : value);
}

// A plain file of the card itself: not a symbolic link (the camera's cards hold none, and one
// could lead to a pipe or a device that never answers), not a folder, pipe or device.
bool isRegularFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(fs::symlink_status(path, error));
}

// Reads at most `limit` bytes of the plain file at `path` into `text`. Never waits: the file is
// opened without following a link and without blocking (a pipe or device put in its place
// between the search and the read is refused, not read); false when it is not a plain file or
// cannot be read.
bool readPlainFile(const std::string& path, std::size_t limit, std::string& text) {
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    text.resize(limit);
    std::size_t got = 0;
    bool readable = true;
    while (got < limit) {
        const ssize_t n = ::read(fd, text.data() + got, limit - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            readable = false;  // includes EAGAIN: a file that would make the reader wait
            break;
        }
    }
    ::close(fd);
    text.resize(readable ? got : 0);
    return readable;
}

// A value a kept key may carry: an optional minus and one to six digits (the camera's values
// are small whole numbers; anything else is not written into its file).
bool isWholeNumber(std::string_view value) {
    if (!value.empty() && value.front() == '-') value.remove_prefix(1);
    if (value.empty() || value.size() > 6) return false;
    return std::all_of(value.begin(), value.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

// One "key = value" line of the layout: the key, its value text and where that text starts;
// edited for the nine keys and time_zone, which the viewer writes itself.
struct LayoutLine {
    std::string_view key;
    std::string_view value;
    std::size_t valueOffset = 0;
    bool edited = false;
};

std::vector<LayoutLine> readLayoutLines() {
    std::vector<LayoutLine> lines;
    std::size_t start = 0;
    while (start < SetupTemplate.size()) {
        std::size_t end = SetupTemplate.find("\r\n", start);
        if (end == std::string_view::npos) end = SetupTemplate.size();
        const std::string_view line = SetupTemplate.substr(start, end - start);
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos) {
            LayoutLine entry;
            entry.key = trimmed(line.substr(0, equals));
            std::size_t valueStart = equals + 1;
            while (valueStart < line.size() && isBlank(line[valueStart])) ++valueStart;
            entry.value = line.substr(valueStart);
            entry.valueOffset = start + valueStart;
            entry.edited = entry.key == "time_zone" ||
                           std::any_of(std::begin(kFields), std::end(kFields),
                                       [&](const Field& field) { return entry.key == field.key; });
            lines.push_back(entry);
        }
        start = end + 2;
    }
    return lines;
}

// The layout's lines, found once.
const std::vector<LayoutLine>& layoutLines() {
    static const std::vector<LayoutLine> lines = readLayoutLines();
    return lines;
}

SaveResult failWith(SaveResult result, int fd, const std::string& temporary) {
    if (fd >= 0) ::close(fd);
    ::unlink(temporary.c_str());
    return result;
}

}  // namespace

void ResetDeviceSettings(DeviceSettings& settings) {
    const SetupNaming naming = settings.naming;
    std::map<std::string, std::string> kept = std::move(settings.keptValues);
    settings = DeviceSettings{};
    settings.naming = naming;
    settings.keptValues = std::move(kept);
}

SetupFileSearch FindSetupFile(const std::vector<std::string>& driveRoots,
                              DeviceSettings& settings) {
    SetupFileSearch search;
    for (std::size_t index = 0; index < driveRoots.size(); ++index) {
        const std::string& root = driveRoots[index];
        bool exists[kReadNameCount];
        for (int i = 0; i < kReadNameCount; ++i) exists[i] = isRegularFile(root + kReadNames[i]);
        settings.naming = exists[0] || exists[1] || exists[2] ? SetupNaming::Prefixed : SetupNaming::Plain;
        search.naming = settings.naming;
        for (int i = 0; i < kReadNameCount; ++i) {
            if (!exists[i]) continue;
            search.found = true;
            search.path = root + kReadNames[i];
            search.driveIndex = static_cast<int>(index);
            return search;
        }
    }
    return search;
}

std::string profileString(std::string_view text, std::string_view section, std::string_view key) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a UTF-8 byte order mark
    bool inSection = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty()) continue;
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                // Only the first section of the name is searched.
                if (inSection) return {};
                inSection = equalNoCase(trimmed(line.substr(1, close - 1)), section);
                continue;
            }
        }
        if (!inSection) continue;
        const std::size_t equals = line.find('=');
        const std::string_view name = trimmed(line.substr(0, equals));
        if (!equalNoCase(name, key)) continue;
        if (equals == std::string_view::npos) return {};
        std::string_view value = trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(value.substr(0, kMaxValueChars));
    }
    return {};
}

void readDeviceSettings(std::string_view text, DeviceSettings& settings) {
    const DeviceSettings defaults;
    for (const Field& field : kFields) {
        const std::string value = profileString(text, "system_set", field.key);
        settings.*field.member =
            value.empty() ? defaults.*field.member
                          : leadingInteger(std::string_view(value).substr(0, field.digits));
    }
    settings.keptValues.clear();
    for (const LayoutLine& line : layoutLines()) {
        if (line.edited) continue;
        const std::string value = profileString(text, "system_set", line.key);
        if (isWholeNumber(value) && value != line.value) settings.keptValues[std::string(line.key)] = value;
    }
}

bool LoadDeviceSettings(const std::string& path, DeviceSettings& settings) {
    std::string text;
    const bool readable = readPlainFile(path, kMaxSetupFileBytes, text);
    readDeviceSettings(text, settings);
    return readable;
}

std::string setupFileText(const DeviceSettings& settings) {
    const DeviceSettings defaults;
    std::string text(SetupTemplate);
    for (const Field& field : kFields) {
        std::int32_t value = settings.*field.member;
        const std::int32_t limit = field.digits == 4 ? 9999 : 9;
        if (value < 0 || value > limit) value = defaults.*field.member;
        for (int digit = field.digits - 1; digit >= 0; --digit) {
            text[field.offset + static_cast<std::size_t>(digit)] =
                static_cast<char>('0' + value % 10);
            value /= 10;
        }
    }
    text[kTimeZoneOffset] = '9';
    // The card's own values of the keys the viewer does not edit, each in its line (from the
    // end, so the places of the lines before it stay as the layout has them).
    const std::vector<LayoutLine>& lines = layoutLines();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        const auto kept = settings.keptValues.find(std::string(line->key));
        if (line->edited || kept == settings.keptValues.end() || !isWholeNumber(kept->second)) continue;
        text.replace(line->valueOffset, line->value.size(), kept->second);
    }
    return text;
}

std::string setupFilePath(const std::string& driveRoot, SetupNaming naming) {
    return driveRoot + (naming == SetupNaming::Prefixed ? "velta_setup.new" : "setup.ini");
}

SaveResult SaveDeviceSettings(const DeviceSettings& settings, const std::string& driveRoot) {
    if (driveRoot.empty()) return SaveResult::OpenFailed;
    const std::string path = setupFilePath(driveRoot, settings.naming);

    // A file the user marked read-only stays as it is, as does anything that is not a file.
    mode_t mode = 0644;
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode) || (existing.st_mode & 0222) == 0) {
            return SaveResult::OpenFailed;
        }
        mode = existing.st_mode & 07777;
    }

    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return SaveResult::OpenFailed;
    ::fchmod(fd, mode);  // file systems without permissions (FAT) refuse; that is fine

    const std::string text = setupFileText(settings);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    if (written != text.size() || ::fsync(fd) != 0) {
        return failWith(SaveResult::ShortWrite, fd, temporary);
    }
    if (::close(fd) != 0) return failWith(SaveResult::ShortWrite, -1, temporary);
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        return failWith(SaveResult::OpenFailed, -1, temporary);
    }
    // The new name on the card as well as the bytes.
    const int folder = ::open(driveRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return SaveResult::Written;
}

}  // namespace moksel
