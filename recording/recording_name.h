// Recording file names and the pairing of a front file with its rear file.
//
// A camera file name has 24 characters: type ("drf" normal, "evt" event, "mod" motion),
// camera digit ('0' front, '1' rear), '_', date YYYYMMDD, '_', time HHMMSS, ".mp4",
// e.g. "drf0_20120301_081500.mp4". Paths are UTF-8 with '/' separators.
//
// Thread contract: pure functions, callable from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moksel {

enum class RecordingKind : int { Normal = 0, Event = 1, Motion = 2 };

// The library's acceptance test for a file name (no folder): length 24, contains "mp4",
// character 3 is '0', character 4 is '_' and character 13 is '_'.
bool isFrontRecordingName(std::string_view fileName);

// The type of a recording: the first of "drf", "evt", "mod" (tested in that order) that
// occurs anywhere in the name; none when no marker occurs.
std::optional<RecordingKind> recordingKindOf(std::string_view name);

// The text the user sees for a recording kind: "NORMAL", "EVENT", "MOTION".
const char* recordingKindText(RecordingKind kind);

// "YY.MM.DD hh:mm:ss" from characters 7..12 and 14..19 of the name (the century is
// dropped). Empty when the name is shorter than 20 characters.
std::string recordingDateText(std::string_view name);

// Start of a recording as written in its name (local camera time, no zone).
struct RecordingStart {
    int year = 0, month = 0, day = 0;  // calendar date
    int hour = 0, minute = 0, second = 0;
};

// Reads the date (characters 5..12) and time (14..19) of a recording name; none when these
// are not digits or not a valid calendar date and time.
std::optional<RecordingStart> recordingStartOf(std::string_view name);

// The engine's rear-file rule: the first occurrence of "evt0_", else of "mod0_", else of
// "drf0_", anywhere in the path (folder names included), gets its '0' replaced by '1'.
// A path without any marker is returned unchanged: the front file pairs with itself.
std::string rearPathForFront(std::string_view frontPath);

// The save command's rule: of "drf0_", "mod0_", "evt0_" (in that order) the first marker that
// occurs is replaced by its rear form at EVERY occurrence in the path. Unchanged when none.
std::string rearPathForSave(std::string_view frontPath);

}  // namespace moksel
