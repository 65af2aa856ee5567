// Fuzz target: the system's mount table text through the line parser the drive list reads.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_driver.h"
#include "platform/removable_drives.h"

std::vector<std::string> mokselFuzzSeeds() {
    return {"36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n",
            "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
            "90 22 8:17 / /media/user/CAR\\040CAM rw,nosuid,nodev shared:50 - vfat /dev/sdb1 "
            "rw,uid=1000\n"
            "25 22 0:23 / /proc rw,nosuid - proc proc rw\n",
            "1 2 3:4 / /a rw - - - -\n1 2 x:4 / /b rw a b - vfat /dev/x rw"};
}

std::vector<std::string> mokselFuzzDictionary() {
    return {" - ", "\\040", "\\134", "\\0", "\\777", ":", "\n", "shared:1 ", "vfat", "/dev/sdb1"};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<moksel::MountInfoLine> lines = moksel::parseMountInfo(text);
    size_t textLines = 1;
    for (char c : text) textLines += c == '\n';
    if (lines.size() > textLines) std::abort();
    for (const moksel::MountInfoLine& line : lines) {
        // A field never reaches past its line, and unescaping only shortens a field.
        if (line.fileSystem.find('\n') != std::string::npos ||
            line.root.size() > size || line.mountPoint.size() > size || line.source.size() > size)
            std::abort();
    }
    return 0;
}
