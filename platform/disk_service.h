// The desktop's disk service (UDisks2 on the system D-Bus), where it runs: what it knows of the
// drive under a block device (whether its media is removable) and its format method, which
// asks for the administrator's consent the desktop's way. Where the service does not run, or
// does not know a device (an image file), every question answers "unknown" and the callers
// take the mount table and mkfs.fat instead.
//
// Thread contract: any thread; each call makes its own blocking bus calls.
#pragma once

#include <optional>
#include <string>

namespace moksel {

class DiskService {
public:
    // True when the service is registered on the system bus.
    static bool available();

    // Whether the media of the drive that holds `device` (e.g. /dev/sdb1) can be removed from
    // it: an SD card in its reader, a USB stick. A fixed disk on any bus answers false.
    // Empty when the service is not there or does not know the device.
    static std::optional<bool> mediaRemovable(const std::string& device);

    // Formats `device` as FAT32 with `label` and clusters of `sectorsPerCluster` sectors
    // (`clusterBytes` bytes): unmounts its file system, formats it, mounts it again. A device
    // too small to hold the clusters FAT32 needs is refused untouched. Empty when the service
    // is not there or does not know the device (nothing was done); else whether it succeeded,
    // with the service's (or the refusal's) words in `error`.
    static std::optional<bool> formatFat32(const std::string& device, const std::string& label,
                                           int sectorsPerCluster, int clusterBytes,
                                           std::string& error);
};

}  // namespace moksel
