#include "platform/removable_drives.h"

#include "platform/disk_service.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace moksel {
namespace {

// A mount table longer than this is not a real one; the rest is ignored.
constexpr std::size_t kMaxMountInfoBytes = 8 * 1024 * 1024;

// Mount tables escape blanks, tabs, new lines and backslashes as "\ooo" (octal).
std::string unescapeOctal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const char a = text[i + 1], b = text[i + 2], c = text[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

// udev names labels with "\xHH" for bytes it will not put into a file name.
std::string unescapeHex(std::string_view text) {
    auto hex = [](char ch) -> int {
        if (ch >= '0' && ch <= '9') return ch - '0';
        if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
        if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            const int high = hex(text[i + 2]), low = hex(text[i + 3]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

bool parseNumber(std::string_view text, unsigned& value) {
    if (text.empty() || text.size() > 9) return false;
    value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') return false;
        value = value * 10 + static_cast<unsigned>(ch - '0');
    }
    return true;
}

std::string readText(const fs::path& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string text(limit, '\0');
    in.read(text.data(), static_cast<std::streamsize>(limit));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

// The first line of a small attribute file in /sys; empty when it cannot be read.
std::string readAttribute(const fs::path& path) {
    std::string text = readText(path, 256);
    const std::size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos) text.resize(end);
    return text;
}

fs::path canonicalOrEmpty(const fs::path& path) {
    std::error_code error;
    fs::path result = fs::canonical(path, error);
    return error ? fs::path() : result;
}

struct BlockFacts {
    bool removable = false;
    bool readOnly = false;
    int logicalSectorBytes = 512;
    std::string name;  // kernel name, e.g. sdb1
};

// What /sys knows of the block device major:minor; false when it is not a block device.
bool blockFacts(const fs::path& sys, unsigned major, unsigned minor, BlockFacts& facts) {
    const fs::path devices = canonicalOrEmpty(sys / "devices");
    const fs::path node = canonicalOrEmpty(sys / "dev" / "block" /
                                           (std::to_string(major) + ":" + std::to_string(minor)));
    if (node.empty()) return false;
    std::error_code error;
    const bool partition = fs::exists(node / "partition", error);
    const fs::path disk = partition ? node.parent_path() : node;
    facts.name = node.filename().string();

    // Removable media only: the disk's removable-media flag (card readers, USB sticks), an SD
    // card in a built-in reader (eMMC soldered on the board says "MMC") or a memory stick. A
    // fixed disk is never one, however it is attached: a USB or FireWire hard disk or SSD is
    // somebody's backup drive, not a camera's card.
    std::string busPath = disk.string();
    if (!devices.empty() && busPath.starts_with(devices.string())) {
        busPath = busPath.substr(devices.string().size());
    }
    const bool memoryStick = busPath.find("/memstick") != std::string::npos;
    const bool sdCard = readAttribute(disk / "device" / "type") == "SD";
    facts.removable = readAttribute(disk / "removable") == "1" || sdCard || memoryStick;
    facts.readOnly = readAttribute(node / "ro") == "1" || readAttribute(disk / "ro") == "1";
    unsigned sector = 0;
    if (parseNumber(readAttribute(disk / "queue" / "logical_block_size"), sector) &&
        sector >= 512 && sector <= 65536) {
        facts.logicalSectorBytes = static_cast<int>(sector);
    }
    return true;
}

// The label that /dev/disk/by-label gives the device; empty when none.
std::string labelOf(const fs::path& byLabel, unsigned major, unsigned minor,
                    const fs::path& device) {
    std::error_code error;
    fs::directory_iterator it(byLabel, error);
    if (error) return {};
    const fs::path deviceCanonical = canonicalOrEmpty(device);
    for (const fs::directory_entry& entry : it) {
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) == 0 && S_ISBLK(info.st_mode) &&
            info.st_rdev == makedev(major, minor)) {
            return unescapeHex(entry.path().filename().string());
        }
        if (!deviceCanonical.empty() && canonicalOrEmpty(entry.path()) == deviceCanonical) {
            return unescapeHex(entry.path().filename().string());
        }
    }
    return {};
}

void sortByMountPoint(std::vector<Volume>& volumes) {
    std::stable_sort(volumes.begin(), volumes.end(),
                     [](const Volume& a, const Volume& b) { return a.mountPoint < b.mountPoint; });
}

}  // namespace

std::string volumeRoot(const Volume& volume) {
    std::string root = volume.mountPoint;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    if (root.empty() || root.back() != '/') root.push_back('/');
    return root;
}

std::vector<Volume> DriveSystem::removableVolumes() const {
    std::vector<Volume> all = volumes();
    std::erase_if(all, [](const Volume& v) { return !v.removable; });
    return all;
}

std::unique_ptr<Volume> DriveSystem::volumeAt(std::string_view root) const {
    Volume wanted;
    wanted.mountPoint = std::string(root);
    const std::string wantedRoot = volumeRoot(wanted);
    for (Volume& volume : volumes()) {
        if (volumeRoot(volume) == wantedRoot) return std::make_unique<Volume>(std::move(volume));
    }
    return nullptr;
}

std::vector<MountInfoLine> parseMountInfo(std::string_view text) {
    std::vector<MountInfoLine> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::vector<std::string_view> fields = splitFields(text.substr(start, end - start));
        start = end + 1;
        // id parent major:minor root mount-point options [optional...] - type source options
        if (fields.size() < 10) continue;
        const auto separator = std::find(fields.begin() + 6, fields.end(), "-");
        if (separator == fields.end() || fields.end() - separator < 3) continue;
        const std::string_view numbers = fields[2];
        const std::size_t colon = numbers.find(':');
        MountInfoLine line;
        if (colon == std::string_view::npos || !parseNumber(numbers.substr(0, colon), line.major) ||
            !parseNumber(numbers.substr(colon + 1), line.minor)) {
            continue;
        }
        line.root = unescapeOctal(fields[3]);
        line.mountPoint = unescapeOctal(fields[4]);
        line.fileSystem = std::string(separator[1]);
        line.source = unescapeOctal(separator[2]);
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<Volume> LinuxDriveSystem::volumes() const {
    const std::string table = readText(places_.mountInfo, kMaxMountInfoBytes);
    std::vector<Volume> volumes;
    for (const MountInfoLine& line : parseMountInfo(table)) {
        // Major 0 holds the file systems without a device (proc, tmpfs, ...); a mount of a
        // folder inside a file system is not a drive of its own.
        if (line.major == 0 || line.root != "/") continue;
        BlockFacts facts;
        if (!blockFacts(places_.sys, line.major, line.minor, facts)) continue;
        Volume volume;
        volume.mountPoint = line.mountPoint;
        std::error_code error;
        volume.device = fs::exists(line.source, error) ? line.source : "/dev/" + facts.name;
        volume.label = labelOf(places_.byLabel, line.major, line.minor, volume.device);
        volume.fileSystem = line.fileSystem;
        volume.removable = facts.removable;
        if (judge_) {
            if (const std::optional<bool> judged = judge_(volume.device)) volume.removable = *judged;
        }
        volume.readOnly = facts.readOnly;
        volume.logicalSectorBytes = facts.logicalSectorBytes;
        volumes.push_back(std::move(volume));
    }
    sortByMountPoint(volumes);
    return volumes;
}

std::vector<Volume> FixedDriveSystem::volumes() const {
    std::vector<Volume> sorted = volumes_;
    sortByMountPoint(sorted);
    return sorted;
}

std::shared_ptr<const DriveSystem> systemDrives() {
    static const auto drives = std::make_shared<const LinuxDriveSystem>(
        LinuxDriveSystem::Places{}, [](const std::string& device) { return DiskService::mediaRemovable(device); });
    return drives;
}

std::string driveEntry(const Volume& volume) {
    return volume.label + " (" + volume.mountPoint + ")";
}

std::vector<std::string> ListRemovableDrives(const DriveSystem& drives) {
    std::vector<std::string> entries;
    for (const Volume& volume : drives.removableVolumes()) entries.push_back(driveEntry(volume));
    return entries;
}

std::string DriveRootFromEntry(std::string_view entry) {
    // "label (mount point)": the mount point is absolute, so it begins at the first " (/";
    // a label never holds "/" (FAT and exFAT forbid it), while a mount point may hold
    // parentheses of its own.
    if (!entry.ends_with(')')) return {};
    const std::size_t open = entry.find(" (/");
    if (open == std::string_view::npos) return {};
    Volume volume;
    volume.mountPoint = std::string(entry.substr(open + 2, entry.size() - open - 3));
    return volumeRoot(volume);
}

std::string findVolumeRootByLabel(const DriveSystem& drives, std::string_view label) {
    for (const Volume& volume : drives.volumes()) {
        if (volume.label == label) return volumeRoot(volume);
    }
    return {};
}

}  // namespace moksel
