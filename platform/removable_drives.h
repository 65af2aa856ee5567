// Drives and volumes: the mounted file systems of the machine, which of them sit on removable
// media (USB sticks, SD card readers), their labels, and the drive entries that the
// configuration and format dialogs list.
//
// A drive is a mounted volume; its root is its mount point with a trailing "/", and the drive
// list is ordered by mount point. A drive entry reads "label (mount point)", for example
// "MOKSEL (/media/user/MOKSEL)".
//
// The running system's volumes come from the mount table (/proc/self/mountinfo) joined with the
// block devices in /sys and the labels in /dev/disk/by-label; all three places can be moved
// into a test folder. Tests that need no files at all use FixedDriveSystem.
//
// Thread contract: plain functions and immutable objects; a DriveSystem may be asked from any
// thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moksel {

// One mounted file system on a block device (or, in tests, on an image file).
struct Volume {
    std::string mountPoint;        // as mounted, without a trailing "/" (except "/" itself)
    std::string device;            // the device that holds it: /dev/sdb1, or an image file
    std::string label;             // the file system's label; empty when it has none
    std::string fileSystem;        // "vfat", "exfat", ...
    bool removable = false;        // removable media: an SD card, a USB stick; never a fixed disk
    bool readOnly = false;         // the device is write-protected
    int logicalSectorBytes = 512;  // the device's logical sector size in bytes
};

// The volume's root: its mount point with one trailing "/".
std::string volumeRoot(const Volume& volume);

// Where the viewer learns which volumes there are.
class DriveSystem {
public:
    virtual ~DriveSystem() = default;
    // Every mounted volume on a block device, by mount point ascending (byte order).
    virtual std::vector<Volume> volumes() const = 0;
    // The removable ones among them, in the same order: the drive list.
    std::vector<Volume> removableVolumes() const;
    // The volume mounted at `root` (with or without its trailing "/"); null when none is.
    std::unique_ptr<Volume> volumeAt(std::string_view root) const;
};

// The running system's volumes.
class LinuxDriveSystem : public DriveSystem {
public:
    struct Places {
        std::string mountInfo = "/proc/self/mountinfo";
        std::string sys = "/sys";
        std::string byLabel = "/dev/disk/by-label";
    };
    // Whether the drive under a device has removable media, as a disk service judges it;
    // empty: no judgement, the block device's own facts decide.
    using MediaJudge = std::function<std::optional<bool>(const std::string& device)>;

    LinuxDriveSystem() = default;
    explicit LinuxDriveSystem(Places places, MediaJudge judge = {})
        : places_(std::move(places)), judge_(std::move(judge)) {}
    std::vector<Volume> volumes() const override;

private:
    Places places_;
    MediaJudge judge_;
};

// A fixed list of volumes, for tests and tools; sorted by mount point when asked.
class FixedDriveSystem : public DriveSystem {
public:
    FixedDriveSystem() = default;
    explicit FixedDriveSystem(std::vector<Volume> volumes) : volumes_(std::move(volumes)) {}
    void setVolumes(std::vector<Volume> volumes) { volumes_ = std::move(volumes); }
    std::vector<Volume> volumes() const override;

private:
    std::vector<Volume> volumes_;
};

// The running system's drives, shared by every user in the process; where the desktop's disk
// service runs, it judges which media are removable.
std::shared_ptr<const DriveSystem> systemDrives();

// One line of a mountinfo table.
struct MountInfoLine {
    unsigned major = 0;
    unsigned minor = 0;
    std::string root;        // the folder of the file system that is mounted ("/" for all of it)
    std::string mountPoint;  // unescaped
    std::string fileSystem;
    std::string source;  // unescaped
};
// The lines of a mountinfo text; malformed lines are skipped.
std::vector<MountInfoLine> parseMountInfo(std::string_view text);

// The drive entry of a volume: "label (mount point)".
std::string driveEntry(const Volume& volume);
// The drive entries of all removable volumes, in drive list order.
std::vector<std::string> ListRemovableDrives(const DriveSystem& drives);
// The drive root of a drive entry: the mount point inside the entry's parentheses, with a
// trailing "/". Labels and mount points may themselves hold parentheses. Empty when the text is
// not a drive entry.
std::string DriveRootFromEntry(std::string_view entry);

// The root of the first volume, in mount point order, whose label equals `label` exactly
// (case matters); empty when there is none. All volumes are searched, removable or not.
std::string findVolumeRootByLabel(const DriveSystem& drives, std::string_view label);

}  // namespace moksel
