// Drives and volumes: the mount table joined with a fake /sys and /dev/disk/by-label in a test
// folder, the drive entries and their roots, and the watcher's report of arriving volumes.
#include "platform/removable_drives.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "platform/mount_watcher.h"

namespace fs = std::filesystem;

namespace moksel {
namespace {

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A machine in a folder: block devices under sys/devices with their sys/dev/block links,
// device nodes (plain files) under dev/, labels under dev/disk/by-label, and a mount table.
class FakeMachine {
public:
    FakeMachine() : root_(dir_.path().toStdString()) {}

    // Adds a disk with one partition; `bus` is the device path below sys/devices.
    void addPartition(const std::string& bus, const std::string& disk, unsigned major,
                      unsigned minor, bool removableFlag, bool readOnly = false,
                      int sectorBytes = 512, const std::string& cardType = "") {
        const fs::path diskDir = root_ / "sys/devices" / bus / "block" / disk;
        const std::string part =
            disk + (std::isdigit(static_cast<unsigned char>(disk.back())) ? "p1" : "1");
        writeFile(diskDir / "removable", removableFlag ? "1\n" : "0\n");
        writeFile(diskDir / "queue/logical_block_size", std::to_string(sectorBytes) + "\n");
        if (!cardType.empty()) writeFile(diskDir / "device/type", cardType + "\n");
        writeFile(diskDir / part / "partition", "1\n");
        writeFile(diskDir / part / "ro", readOnly ? "1\n" : "0\n");
        fs::create_directories(root_ / "sys/dev/block");
        fs::create_symlink(
            diskDir / part,
            root_ / "sys/dev/block" / (std::to_string(major) + ":" + std::to_string(minor)));
        writeFile(device(part), "");
    }

    void addLabel(const std::string& escapedName, const std::string& part) {
        fs::create_directories(root_ / "dev/disk/by-label");
        fs::create_symlink(device(part), root_ / "dev/disk/by-label" / escapedName);
    }

    std::string device(const std::string& part) const { return (root_ / "dev" / part).string(); }

    void setMountTable(const std::string& text) { writeFile(root_ / "mountinfo", text); }

    LinuxDriveSystem drives() const {
        return LinuxDriveSystem({(root_ / "mountinfo").string(), (root_ / "sys").string(),
                                 (root_ / "dev/disk/by-label").string()});
    }

private:
    QTemporaryDir dir_;
    fs::path root_;
};

Volume at(std::string mountPoint, std::string device = "", std::string label = "") {
    Volume volume;
    volume.mountPoint = std::move(mountPoint);
    volume.device = std::move(device);
    volume.label = std::move(label);
    return volume;
}

TEST(MountInfo, ReadsFieldsAfterOptionalTagsAndUnescapesPaths) {
    const auto lines = parseMountInfo(
        "36 25 8:17 / /media/user/MY\\040CARD rw,nosuid shared:7 master:2 - vfat /dev/sdb1 rw\n"
        "broken line\n"
        "37 25 0:42 / /run tmpfs rw - tmpfs tmpfs rw\n"
        "38 25 8:x / /bad rw - ext4 /dev/sda9 rw\n"
        "39 25 8:18 /DCIM /mnt/back\\134slash rw - vfat /dev/sdb2 rw");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].major, 8u);
    EXPECT_EQ(lines[0].minor, 17u);
    EXPECT_EQ(lines[0].mountPoint, "/media/user/MY CARD");
    EXPECT_EQ(lines[0].fileSystem, "vfat");
    EXPECT_EQ(lines[0].source, "/dev/sdb1");
    EXPECT_EQ(lines[1].major, 0u);
    EXPECT_EQ(lines[2].root, "/DCIM");
    EXPECT_EQ(lines[2].mountPoint, "/mnt/back\\slash");
}

class Drives : public ::testing::Test {
protected:
    Drives() {
        // Internal disk: not removable. USB stick with the removable-media flag. Card reader on
        // USB with the flag and the write-protect switch on. SD card in a built-in reader with
        // 4096-byte sectors. eMMC soldered on the board. A USB hard disk (a backup drive):
        // fixed, though on the USB bus.
        machine.addPartition("pci0/ata1/host0/target0", "sda", 8, 1, false);
        machine.addPartition("pci0/usb1/1-1/host4/target4", "sdb", 8, 17, true);
        machine.addPartition("pci0/usb3/3-1/host6/target6", "sdd", 8, 49, false);
        machine.addLabel("BACKUP", "sdd1");
        machine.addPartition("pci0/usb2/2-3/host5/target5", "sdc", 8, 33, true, true);
        machine.addPartition("pci0/mmc_host/mmc0/mmc0:0001", "mmcblk0", 179, 1, false, false, 4096,
                             "SD");
        machine.addPartition("soc/mmc_host/mmc1/mmc1:0001", "mmcblk1", 179, 33, false, false, 512,
                             "MMC");
        machine.addLabel("MOKSEL", "sdb1");
        machine.addLabel("CARD\\x20(2)", "sdc1");
        machine.addLabel("moksel", "mmcblk0p1");
        machine.setMountTable("22 1 8:1 / / rw - ext4 " + machine.device("sda1") +
                              " rw\n"
                              "23 22 0:21 / /proc rw - proc proc rw\n"
                              "40 22 8:17 / /media/user/MOKSEL rw shared:1 - vfat " +
                              machine.device("sdb1") +
                              " rw\n"
                              "41 22 8:33 / /media/user/CARD\\040(2) ro - vfat " +
                              machine.device("sdc1") +
                              " ro\n"
                              "42 22 179:1 / /media/user/moksel rw - exfat " +
                              machine.device("mmcblk0p1") +
                              " rw\n"
                              "43 22 179:33 / /boot rw - vfat " +
                              machine.device("mmcblk1p1") +
                              " rw\n"
                              "44 22 8:17 /DCIM /srv/dcim rw - vfat " +
                              machine.device("sdb1") +
                              " rw\n"
                              "45 22 253:0 / /home rw - ext4 /dev/mapper/home rw\n"
                              "46 22 8:49 / /media/user/BACKUP rw - exfat " +
                              machine.device("sdd1") + " rw\n");
    }

    FakeMachine machine;
};

TEST_F(Drives, JoinsTheMountTableWithTheBlockDevicesAndLabels) {
    const std::vector<Volume> all = machine.drives().volumes();
    // Virtual file systems, folder mounts and devices /sys does not know are no volumes.
    std::vector<std::string> mountPoints;
    for (const Volume& v : all) mountPoints.push_back(v.mountPoint);
    EXPECT_EQ(mountPoints, (std::vector<std::string>{"/", "/boot", "/media/user/BACKUP", "/media/user/CARD (2)",
                                                     "/media/user/MOKSEL", "/media/user/moksel"}));

    const std::vector<Volume> removable = machine.drives().removableVolumes();
    ASSERT_EQ(removable.size(), 3u);
    EXPECT_EQ(removable[0].label, "CARD (2)");
    EXPECT_TRUE(removable[0].readOnly);
    EXPECT_EQ(removable[1].label, "MOKSEL");
    EXPECT_EQ(removable[1].device, machine.device("sdb1"));
    EXPECT_EQ(removable[1].fileSystem, "vfat");
    EXPECT_FALSE(removable[1].readOnly);
    EXPECT_EQ(removable[1].logicalSectorBytes, 512);
    EXPECT_EQ(removable[2].label, "moksel");
    EXPECT_EQ(removable[2].logicalSectorBytes, 4096);

    EXPECT_EQ(
        ListRemovableDrives(machine.drives()),
        (std::vector<std::string>{"CARD (2) (/media/user/CARD (2))", "MOKSEL (/media/user/MOKSEL)",
                                  "moksel (/media/user/moksel)"}));
}

TEST_F(Drives, TheCardIsFoundByItsExactLabel) {
    const LinuxDriveSystem drives = machine.drives();
    EXPECT_EQ(findVolumeRootByLabel(drives, "MOKSEL"), "/media/user/MOKSEL/");
    EXPECT_EQ(findVolumeRootByLabel(drives, "CARD"), "");
    FixedDriveSystem two(
        {at("/media/z", "/dev/sdz1", "MOKSEL"), at("/media/a", "/dev/sda1", "MOKSEL")});
    EXPECT_EQ(findVolumeRootByLabel(two, "MOKSEL"), "/media/a/");
    ASSERT_NE(drives.volumeAt("/media/user/MOKSEL/"), nullptr);
    EXPECT_EQ(drives.volumeAt("/media/user/MOKSEL")->label, "MOKSEL");
    EXPECT_EQ(drives.volumeAt("/media/user"), nullptr);
}

TEST(DriveEntry, GivesBackTheRootWhateverTheLabelAndMountPointHold) {
    const std::vector<Volume> volumes = {
        at("/media/user/MOKSEL", "", "MOKSEL"),
        at("/media/user/CARD (2)", "", "CARD (2)"),
        at("/mnt/(x)", "", "A(B)C"),
        at("/mnt/no label"),
        at("/", "", "ROOT"),
    };
    for (const Volume& v : volumes) {
        EXPECT_EQ(DriveRootFromEntry(driveEntry(v)), volumeRoot(v)) << driveEntry(v);
    }
    EXPECT_EQ(DriveRootFromEntry("MOKSEL (/media/user/MOKSEL)"), "/media/user/MOKSEL/");
    EXPECT_EQ(DriveRootFromEntry(" (/mnt/no label)"), "/mnt/no label/");
    EXPECT_EQ(DriveRootFromEntry("MOKSEL (E:)"), "");
    EXPECT_EQ(DriveRootFromEntry(""), "");
    EXPECT_EQ(DriveRootFromEntry("MOKSEL (/media/user/MOKSEL"), "");
}

TEST(MountWatcher, ReportsOnlyVolumesThatWereNotMountedBefore) {
    auto drives =
        std::make_shared<FixedDriveSystem>(std::vector<Volume>{at("/media/a", "/dev/sda1")});
    MountWatcher watcher(drives);
    EXPECT_TRUE(watcher.watching());
    QSignalSpy arrived(&watcher, &MountWatcher::volumesArrived);

    watcher.rescan();
    EXPECT_EQ(arrived.count(), 0);

    drives->setVolumes(
        {at("/media/a", "/dev/sda1"), at("/media/c", "/dev/sdc1"), at("/media/b", "/dev/sdb1")});
    watcher.rescan();
    ASSERT_EQ(arrived.count(), 1);
    EXPECT_EQ(arrived.takeFirst().at(0).toStringList(),
              (QStringList{QStringLiteral("/media/b/"), QStringLiteral("/media/c/")}));

    // Taking a card out is no arrival; putting it back is.
    drives->setVolumes({at("/media/b", "/dev/sdb1"), at("/media/c", "/dev/sdc1")});
    watcher.rescan();
    EXPECT_EQ(arrived.count(), 0);
    drives->setVolumes(
        {at("/media/a", "/dev/sda1"), at("/media/b", "/dev/sdb1"), at("/media/c", "/dev/sdc1")});
    watcher.rescan();
    ASSERT_EQ(arrived.count(), 1);
    EXPECT_EQ(arrived.takeFirst().at(0).toStringList(), QStringList{QStringLiteral("/media/a/")});
}

TEST(MountWatcher, WithoutAMountTableItDoesNotWatch) {
    MountWatcher watcher(std::make_shared<FixedDriveSystem>(), nullptr,
                         QStringLiteral("/nonexistent/mounts"));
    EXPECT_FALSE(watcher.watching());
}

}  // namespace
}  // namespace moksel
