// One listed front recording: its place on disk, the date text the list shows, its type and
// the keys the TYPE, DATE and NAME columns sort by.
//
// Thread contract: plain values, no shared state.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace moksel {

// The list's type of a recording; Other is a name that carries none of the type markers.
enum class RecordingType : int { Normal = 0, Event = 1, Motion = 2, Other = 3 };

struct RecordingEntry {
    std::string fileName;  // last component of the path, UTF-8
    std::string folder;    // the folder holding the file, as the adding operation had it
    std::string dateText;  // "YY.MM.DD hh:mm:ss" from the name (empty for a short name)
    RecordingType type = RecordingType::Other;
    std::uint64_t typeDateKey = 0;  // weight x 10^11 + date key (event 1, motion/other 2, normal 3)
    std::uint64_t dateKey = 0;      // the decimal number YYMMDDhhmmss
    std::int64_t typeKey = 0;       // 0 normal, 1 event, 2 motion, 3 other
    std::uint64_t size = 0;         // size in bytes, low 32 bits only
    bool cutOff = false;            // the camera stopped before finishing it (repairable)

    // folder + "/" + file name.
    std::string path() const;
};

// Builds an entry from a folder, a file name and the file's size (only its low 32 bits are
// kept: the list shows sizes of one recording, which the camera keeps far below 4 GiB).
RecordingEntry makeRecordingEntry(std::string folder, std::string fileName, std::uint64_t size);

// Joins a folder and a name with one "/", without doubling a separator the folder ends in.
std::string joinPath(std::string_view folder, std::string_view name);

// The list's name filter: only front-camera recording names pass (see isFrontRecordingName).
bool passesListFilter(std::string_view fileName);

// A rear camera's file name: the camera's 24-character pattern with camera digit '1'. The list
// never takes these; the engine finds them from the front file.
bool isRearCameraName(std::string_view fileName);

// An entry for a file the user named that does not follow the camera's names (another
// camera's or a tool's MP4): type other, no date.
RecordingEntry makeForeignEntry(std::string folder, std::string fileName, std::uint64_t size);

}  // namespace moksel
