// The format facility: a quick FAT32 format of a removable volume with a given cluster size and
// label, done by mkfs.fat from dosfstools.
//
// Where the desktop's disk service runs and knows the device, it does the format (unmount,
// FAT32 with the cluster size and label, mount again; it asks for consent its own way) and a
// failure is reported with the service's words (event 14). Elsewhere, to format the volume
// mounted at a root, the formatter
//   1. reports a write-protected device (event 7) and stops there, with the card untouched;
//   2. unmounts the volume (udisksctl, else umount; through pkexec when the device is not
//      writable by the user);
//   3. runs  mkfs.fat -F 32 -s <sectors per cluster> -n <label> <device>  directly when the
//      device is writable, else through pkexec, the desktop's way of asking for the
//      administrator's consent; each line mkfs.fat prints is reported as event 14;
//   4. mounts the volume again through udisksctl when that is how it was unmounted;
//   5. reports the end with event 11 and whether the format succeeded: mkfs.fat's warning that
//      the volume has too few clusters for FAT32 is a failure, although mkfs.fat ends well.
// The call returns only when the format has ended, with the success it reported.
//
// Commands run through a CommandRunner, so tests can watch and fake them; the volume's device
// may be a disk image file, which is formatted the same way.
//
// Thread contract: format() blocks the calling thread until the commands have ended; the event
// handler is called on that thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/removable_drives.h"

namespace moksel {

// Event codes of the format, with the argument that comes with each.
enum FormatEventCode : int {
    kFormatProgress = 0,        // not reported
    kFormatWriteProtected = 7,  // argument: none (null)
    kFormatDone = 11,           // argument: const bool*, true when the format succeeded
    kFormatOutput = 14,         // argument: const char*, one line the format printed
};

// (event code, sub-code (always 0), argument). The answer is ignored: the format always goes
// on to its end.
using FormatEventHandler = std::function<bool(int code, int subCode, const void* argument)>;

// What to format, in the order the facility is asked.
struct FormatRequest {
    std::string root;                  // the volume's root (mount point)
    int mediaType = 11;                // removable media
    std::string fileSystem = "FAT32";  // the only one offered
    std::string label = "MOKSEL";
    bool quick = true;  // mkfs.fat writes only the file system's structures
    int clusterBytes = 16384;
};

struct CommandResult {
    bool started = false;  // false: the program could not be run at all
    int exitCode = -1;
    std::string output;  // standard output and error, merged
};
// Runs argv[0] (a full path) with the other arguments and waits for its end.
using CommandRunner = std::function<CommandResult(const std::vector<std::string>& argv)>;
// The real runner (QProcess, no shell).
CommandResult runCommand(const std::vector<std::string>& argv);

// The full path of a system program in PATH, /usr/sbin or /sbin; empty when not installed.
std::string findSystemProgram(const std::string& name);
// Whether the format can be offered: mkfs.fat is installed.
bool formatFacilityAvailable();

// mkfs.fat's -s value for a cluster size: clusterBytes / sectorBytes when that is a power of
// two from 1 to 128, else 0 (not possible).
int sectorsPerCluster(int clusterBytes, int sectorBytes);

// Whether mkfs.fat's output says the volume it made is not a usable FAT32 volume (too few
// clusters), although mkfs.fat itself ended well.
bool formatOutputRefusesVolume(const std::string& output);

class VolumeFormatter {
public:
    // The programs it runs; found in the system when not given (empty: not installed).
    struct Programs {
        std::string mkfs;
        std::string pkexec;
        std::string udisksctl;
        std::string umount;
        // Format through the desktop's disk service where it runs and knows the device.
        bool diskService = false;
        static Programs fromSystem();
    };

    explicit VolumeFormatter(std::shared_ptr<const DriveSystem> drives = systemDrives(),
                             CommandRunner runner = runCommand,
                             Programs programs = Programs::fromSystem());

    // Formats the volume mounted at request.root; a root where nothing is mounted fails.
    bool format(const FormatRequest& request, const FormatEventHandler& onEvent) const;
    // Formats `volume` (mounted or not; its device may be an image file).
    bool formatVolume(const Volume& volume, const FormatRequest& request,
                      const FormatEventHandler& onEvent) const;

private:
    bool unmount(const Volume& volume, bool asAdministrator, bool& byUdisks) const;
    bool run(const std::vector<std::string>& argv, const FormatEventHandler& onEvent) const;

    std::shared_ptr<const DriveSystem> drives_;
    CommandRunner runner_;
    Programs programs_;
};

}  // namespace moksel
