#include "library/recording_entry.h"

#include "recording/recording_name.h"

namespace moksel {
namespace {

// Two name characters read as a decimal number: leading digits count, a non-digit start
// gives 0 ("07" -> 7, "7x" -> 7, "x7" -> 0).
std::uint64_t twoDigits(std::string_view name, size_t at) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (at + 1 >= name.size() || !digit(name[at])) return 0;
    if (!digit(name[at + 1])) return static_cast<std::uint64_t>(name[at] - '0');
    return static_cast<std::uint64_t>((name[at] - '0') * 10 + (name[at + 1] - '0'));
}

std::uint64_t dateKeyOf(std::string_view name) {
    if (name.size() < 20) return 0;
    return twoDigits(name, 7) * 10000000000ULL + twoDigits(name, 9) * 100000000ULL +
           twoDigits(name, 11) * 1000000ULL + twoDigits(name, 14) * 10000ULL +
           twoDigits(name, 16) * 100ULL + twoDigits(name, 18);
}

RecordingType typeOf(std::string_view name) {
    const auto kind = recordingKindOf(name);
    if (!kind) return RecordingType::Other;
    switch (*kind) {
        case RecordingKind::Normal:
            return RecordingType::Normal;
        case RecordingKind::Event:
            return RecordingType::Event;
        case RecordingKind::Motion:
            return RecordingType::Motion;
    }
    return RecordingType::Other;
}

// Weight of a type in the NAME column's key: events first, then motion and other, then normal.
std::uint64_t weightOf(RecordingType type) {
    switch (type) {
        case RecordingType::Normal:
            return 3;
        case RecordingType::Event:
            return 1;
        case RecordingType::Motion:
        case RecordingType::Other:
            return 2;
    }
    return 2;
}

}  // namespace

std::string RecordingEntry::path() const { return joinPath(folder, fileName); }

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

bool passesListFilter(std::string_view fileName) { return isFrontRecordingName(fileName); }

bool isRearCameraName(std::string_view fileName) {
    return fileName.size() == 24 && fileName.find("mp4") != std::string_view::npos &&
           fileName[3] == '1' && fileName[4] == '_' && fileName[13] == '_';
}

RecordingEntry makeForeignEntry(std::string folder, std::string fileName, std::uint64_t size) {
    RecordingEntry entry = makeRecordingEntry(std::move(folder), std::move(fileName), size);
    entry.dateText.clear();
    entry.type = RecordingType::Other;
    entry.typeKey = static_cast<std::int64_t>(RecordingType::Other);
    entry.dateKey = 0;
    entry.typeDateKey = weightOf(RecordingType::Other) * 100000000000ULL;
    return entry;
}

RecordingEntry makeRecordingEntry(std::string folder, std::string fileName, std::uint64_t size) {
    RecordingEntry entry;
    entry.folder = std::move(folder);
    entry.fileName = std::move(fileName);
    entry.dateText = recordingDateText(entry.fileName);
    entry.type = typeOf(entry.fileName);
    entry.typeKey = static_cast<std::int64_t>(entry.type);
    entry.dateKey = dateKeyOf(entry.fileName);
    entry.typeDateKey = weightOf(entry.type) * 100000000000ULL + entry.dateKey;
    entry.size = size & 0xFFFFFFFFULL;
    return entry;
}

}  // namespace moksel
