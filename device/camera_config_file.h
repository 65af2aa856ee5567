// The camera's configuration file on its SD card: where it is looked for, the nine settings the
// viewer edits, and the file the viewer writes back in the camera's own layout (833 bytes when
// the settings it does not edit hold the layout's values).
//
// Reading: five names are tried on each removable drive, in this order: velta_setup.new (a
// save the camera has not taken in yet), setting/velta_setup.new, setting/velta_setup.old,
// setup.ini, setting/setup.old.
// Writing: one file in the drive's root folder, "setup.ini" for a card with Plain naming and
// "velta_setup.new" for one with Prefixed naming. The folder "setting" is only ever read.
//
// Saving never leaves a half-written file: the 833 bytes go to a temporary file in the root
// folder, which replaces the old file only once it is complete and flushed. A file marked
// read-only is not replaced.
//
// Plain C++ over bytes and files: no windows. Thread contract: functions of their arguments;
// callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace moksel {

// How the card names its configuration file.
enum class SetupNaming {
    Plain,     // setup.ini
    Prefixed,  // velta_setup.new / velta_setup.old
};

// The nine settings the viewer edits (members named after their keys), with their defaults,
// and the naming of the card they came from.
struct DeviceSettings {
    std::int32_t screen_save_time = 3;  // 0 off, 1 one minute, 2 three minutes, 3 five minutes
    std::int32_t record_mute = 1;       // 0 sound recorded, 1 not recorded
    std::int32_t voice_guide_mode = 2;  // 3 high, 2 medium, 1 low, 0 off
    std::int32_t lang_mode = 1056;      // 1056 Korean, 1024 English
    std::int32_t gsensor_level = 2;     // 4 weak, 2 normal, 0 sensitive
    std::int32_t parking_mode = 1;      // 1 on, 0 off
    std::int32_t summer_time = 0;       // 1 on, 0 off
    std::int32_t rec_quality = 0;       // 0 high, 1 medium, 2 low
    std::int32_t md_sensitivity = 2;    // 0 very insensitive .. 4 very sensitive
    SetupNaming naming = SetupNaming::Plain;
    // The card's own values of the layout's other keys where they differ from the layout's
    // (rec_time = 180, speaker_volume = 1, ...): the viewer does not edit them, and a save
    // must not put the layout's values in their place. Key to value text (a whole number).
    std::map<std::string, std::string> keptValues;

    bool operator==(const DeviceSettings&) const = default;
};

// The file every save writes, before the values are put in: ASCII, CR LF line ends.
constexpr std::size_t kSetupFileBytes = 833;
extern const std::string_view SetupTemplate;

// The nine values back to their defaults; the naming and the kept values stay.
void ResetDeviceSettings(DeviceSettings& settings);

// The outcome of the search for a configuration file.
struct SetupFileSearch {
    bool found = false;
    std::string path;     // the chosen file
    int driveIndex = -1;  // its drive's place in the drive list
    SetupNaming naming = SetupNaming::Plain;
};

// Searches the removable drives, given by their roots in drive list order, for a configuration
// file. The naming of every drive examined is stored in `settings`, so it ends as the naming of
// the drive where the search stopped (or of the last drive).
SetupFileSearch FindSetupFile(const std::vector<std::string>& driveRoots, DeviceSettings& settings);

// The value text of `key` in `section` read the way Windows reads ini files: names match
// without regard to case, blanks around the value and one pair of enclosing quotes are
// dropped, the first matching section and key count. Empty when missing.
std::string profileString(std::string_view text, std::string_view section, std::string_view key);

// Reads the nine values from the text of a configuration file (section "system_set"). A
// missing key or an empty value gives the key's default; otherwise the first character of the
// value (the first four for lang_mode) is read as a decimal number, and text that is no number
// gives 0. The layout's other keys whose values are whole numbers other than the layout's go to
// keptValues (time_zone excepted: the viewer always writes 9). The naming is left as it is.
void readDeviceSettings(std::string_view text, DeviceSettings& settings);

// Reads the nine values from the file at `path`. Returns false when the file cannot be read;
// the nine values are then the defaults.
bool LoadDeviceSettings(const std::string& path, DeviceSettings& settings);

// The text a save writes for these settings: the layout with the nine values and the kept
// values put in. A value that has no place in its field (a single-digit key outside 0..9,
// lang_mode outside 0..9999) is written as the key's default.
std::string setupFileText(const DeviceSettings& settings);

// Where a save writes on the drive with this root (root ends with "/").
std::string setupFilePath(const std::string& driveRoot, SetupNaming naming);

enum class SaveResult {
    Written,     // the file holds the new text
    OpenFailed,  // the file could not be created or replaced; the old one is untouched
    ShortWrite,  // the bytes could not all be written; the old file is untouched
};

// Writes the settings' file on the drive with root `driveRoot` (ending with "/").
SaveResult SaveDeviceSettings(const DeviceSettings& settings, const std::string& driveRoot);

}  // namespace moksel
