// The format facility: a real mkfs.fat run on a disk image file checked with fsck.fat and
// mtools, and the order of unmount, format and mount for mounted cards with the commands faked.
#include "platform/volume_format.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace moksel {
namespace {

using Argv = std::vector<std::string>;

struct Event {
    int code;
    bool success;  // for kFormatDone
};

// Records the events of one format.
struct EventLog {
    std::vector<Event> events;
    FormatEventHandler handler() {
        return [this](int code, int, const void* argument) {
            const bool success = code == kFormatDone && *static_cast<const bool*>(argument);
            events.push_back({code, success});
            return true;
        };
    }
    std::vector<int> codesWithoutOutput() const {
        std::vector<int> codes;
        for (const Event& e : events) {
            if (e.code != kFormatOutput) codes.push_back(e.code);
        }
        return codes;
    }
    bool succeeded() const { return !events.empty() && events.back().success; }
};

Volume removable(std::string mountPoint, std::string device, int sectorBytes = 512) {
    Volume volume;
    volume.mountPoint = std::move(mountPoint);
    volume.device = std::move(device);
    volume.label = "CARD";
    volume.fileSystem = "vfat";
    volume.removable = true;
    volume.logicalSectorBytes = sectorBytes;
    return volume;
}

CommandResult run(const Argv& argv) {
    return runCommand(argv);
}

std::string tool(const std::string& name) {
    return findSystemProgram(name);
}

// A 1.1 GB sparse image, the least that holds FAT32 with 16 KB clusters comfortably.
class ImageFormat : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"mkfs.fat", "fsck.fat", "minfo", "mlabel", "mcopy", "mdir"}) {
            if (tool(name).empty()) GTEST_SKIP() << name << " is not installed";
        }
        image = dir.filePath(QStringLiteral("card.img")).toStdString();
        std::ofstream(image).close();
        fs::resize_file(image, 1100ull * 1024 * 1024);
        // An old card with a recording on it.
        ASSERT_EQ(run({tool("mkfs.fat"), "-F", "32", "-n", "OLDCARD", image}).exitCode, 0);
        const std::string recording =
            dir.filePath(QStringLiteral("drf0_20120101_120000.mp4")).toStdString();
        std::ofstream(recording) << "frames";
        ASSERT_EQ(run({tool("mcopy"), "-i", image, recording, "::/"}).exitCode, 0);
    }

    Volume imageVolume() const {
        Volume volume;
        volume.device = image;
        volume.removable = true;
        return volume;
    }

    std::string label() const { return run({tool("mlabel"), "-s", "-i", image, "::"}).output; }

    QTemporaryDir dir;
    std::string image;
};

TEST_F(ImageFormat, QuickFormatsAsFat32WithSixteenKilobyteClustersAndTheLabel) {
    std::vector<Argv> commands;
    VolumeFormatter formatter(nullptr, [&](const Argv& argv) {
        commands.push_back(argv);
        return runCommand(argv);
    });
    EventLog log;
    EXPECT_TRUE(formatter.formatVolume(imageVolume(), FormatRequest{}, log.handler()));
    EXPECT_EQ(log.codesWithoutOutput(), std::vector<int>{kFormatDone});
    EXPECT_TRUE(log.succeeded());
    ASSERT_EQ(commands.size(), 1u);  // nothing mounted: nothing unmounted or mounted again

    EXPECT_EQ(run({tool("fsck.fat"), "-n", image}).exitCode, 0);
    const std::string info = run({tool("minfo"), "-i", image, "::"}).output;
    EXPECT_NE(info.find("sector size: 512 bytes"), std::string::npos) << info;
    EXPECT_NE(info.find("cluster size: 32 sectors"), std::string::npos) << info;
    EXPECT_NE(label().find("Volume label is MOKSEL"), std::string::npos) << label();
    const std::string listing = run({tool("mdir"), "-b", "-i", image, "::"}).output;
    EXPECT_EQ(listing.find("drf0_"), std::string::npos) << listing;
}

TEST_F(ImageFormat, AVolumeTooSmallForFat32IsReportedFailedWithWhatMkfsSaid) {
    // 300 MB in 16 KB clusters is far below the clusters FAT32 needs; mkfs.fat ends well but
    // warns, and readers would take the result for FAT16.
    fs::resize_file(image, 300ull * 1024 * 1024);
    std::vector<std::string> lines;
    EventLog log;
    const FormatEventHandler logEvents = log.handler();
    VolumeFormatter formatter(nullptr);
    const bool formatted =
        formatter.formatVolume(imageVolume(), FormatRequest{}, [&](int code, int sub, const void* argument) {
            if (code == kFormatOutput) lines.emplace_back(static_cast<const char*>(argument));
            return logEvents(code, sub, argument);
        });
    EXPECT_FALSE(formatted);
    EXPECT_FALSE(log.succeeded());
    const bool toldWhy = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("clusters") != std::string::npos;
    });
    EXPECT_TRUE(toldWhy) << "mkfs.fat's warning was not passed on";
}

TEST_F(ImageFormat, AWriteProtectedImageIsReportedAndLeftAlone) {
    ::chmod(image.c_str(), 0444);
    int commandsRun = 0;
    VolumeFormatter formatter(nullptr, [&](const Argv& argv) {
        ++commandsRun;
        return runCommand(argv);
    });
    EventLog log;
    EXPECT_FALSE(formatter.formatVolume(imageVolume(), FormatRequest{}, log.handler()));
    EXPECT_EQ(log.codesWithoutOutput(), (std::vector<int>{kFormatWriteProtected, kFormatDone}));
    EXPECT_FALSE(log.succeeded());
    EXPECT_EQ(commandsRun, 0);
    EXPECT_NE(label().find("OLDCARD"), std::string::npos) << label();
}

// Mounted cards, with every command answered by a script instead of run.
class MountedCard : public ::testing::Test {
protected:
    VolumeFormatter formatter(std::shared_ptr<const DriveSystem> drives = nullptr) {
        return VolumeFormatter(
            std::move(drives),
            [this](const Argv& argv) {
                commands.push_back(argv);
                CommandResult result;
                result.started = true;
                result.exitCode = failing.contains(argv.size() > 1 ? argv[1] : "") ? 1 : 0;
                if (argv.size() > 1 && argv[1] == "-F") result.output = "mkfs.fat 4.2\nformatted\n";
                if (argv[0] == programs.pkexec && argv[1] == programs.mkfs) result.output = "ok\n";
                return result;
            },
            programs);
    }

    VolumeFormatter::Programs programs{"/sbin/mkfs.fat", "/usr/bin/pkexec", "/usr/bin/udisksctl",
                                       "/bin/umount"};
    std::set<std::string> failing;  // second words of the commands that fail
    std::vector<Argv> commands;
    EventLog log;
};

TEST_F(MountedCard, ADeviceTheUserCannotWriteIsFormattedThroughPkexecBetweenUnmountAndMount) {
    const Volume card = removable("/media/user/CARD", "/nonexistent/sdz1");
    EXPECT_TRUE(formatter().formatVolume(card, FormatRequest{}, log.handler()));
    EXPECT_EQ(commands, (std::vector<Argv>{
                            {"/usr/bin/udisksctl", "unmount", "-b", "/nonexistent/sdz1"},
                            {"/usr/bin/pkexec", "/sbin/mkfs.fat", "-F", "32", "-s", "32", "-n",
                             "MOKSEL", "/nonexistent/sdz1"},
                            {"/usr/bin/udisksctl", "mount", "-b", "/nonexistent/sdz1"},
                        }));
    EXPECT_EQ(log.codesWithoutOutput(), std::vector<int>{kFormatDone});
    EXPECT_TRUE(log.succeeded());
}

TEST_F(MountedCard, AWritableDeviceIsFormattedDirectlyWithItsOwnSectorSize) {
    QTemporaryDir dir;
    const std::string device = dir.filePath(QStringLiteral("sdz1")).toStdString();
    std::ofstream(device) << "";
    const Volume card = removable("/media/user/CARD", device, 4096);
    failing = {"unmount"};  // udisks refuses; plain umount works
    EXPECT_TRUE(formatter().formatVolume(card, FormatRequest{}, log.handler()));
    EXPECT_EQ(commands, (std::vector<Argv>{
                            {"/usr/bin/udisksctl", "unmount", "-b", device},
                            {"/bin/umount", "/media/user/CARD"},
                            {"/sbin/mkfs.fat", "-F", "32", "-s", "4", "-n", "MOKSEL", device},
                        }));
    // mkfs.fat's lines come through as text events before the end.
    ASSERT_EQ(log.events.size(), 3u);
    EXPECT_EQ(log.events[0].code, kFormatOutput);
    EXPECT_EQ(log.events[1].code, kFormatOutput);
}

TEST_F(MountedCard, NothingIsFormattedWhenTheCardCannotBeUnmounted) {
    const Volume card = removable("/media/user/CARD", "/nonexistent/sdz1");
    failing = {"unmount", "/media/user/CARD", "/bin/umount"};
    EXPECT_FALSE(formatter().formatVolume(card, FormatRequest{}, log.handler()));
    for (const Argv& argv : commands) {
        EXPECT_EQ(std::find(argv.begin(), argv.end(), "/sbin/mkfs.fat"), argv.end());
    }
    EXPECT_EQ(log.codesWithoutOutput(), std::vector<int>{kFormatDone});
    EXPECT_FALSE(log.succeeded());
}

TEST_F(MountedCard, AFailedFormatIsReportedAndTheCardMountedAgain) {
    const Volume card = removable("/media/user/CARD", "/nonexistent/sdz1");
    failing = {"/sbin/mkfs.fat"};
    EXPECT_FALSE(formatter().formatVolume(card, FormatRequest{}, log.handler()));
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), (Argv{"/usr/bin/udisksctl", "mount", "-b", "/nonexistent/sdz1"}));
    EXPECT_FALSE(log.succeeded());
}

TEST_F(MountedCard, ByRootOnlyAMountedRemovableVolumeIsFormatted) {
    auto drives = std::make_shared<FixedDriveSystem>(std::vector<Volume>{
        removable("/", "/dev/sda1"),
        removable("/media/user/CARD", "/nonexistent/sdz1"),
    });
    std::vector<Volume> volumes = drives->volumes();
    volumes[0].removable = false;  // the system disk
    drives->setVolumes(volumes);
    FormatRequest request;
    for (const char* root : {"/", "/media/user/ELSEWHERE/"}) {
        request.root = root;
        EXPECT_FALSE(formatter(drives).format(request, log.handler())) << root;
    }
    EXPECT_TRUE(commands.empty());
    request.root = "/media/user/CARD/";
    EXPECT_TRUE(formatter(drives).format(request, log.handler()));
    EXPECT_EQ(commands.size(), 3u);
}

TEST(VolumeFormat, SectorsPerClusterMustBeAPowerOfTwoUpTo128) {
    EXPECT_EQ(sectorsPerCluster(16384, 512), 32);
    EXPECT_EQ(sectorsPerCluster(16384, 4096), 4);
    EXPECT_EQ(sectorsPerCluster(16384, 64), 0);   // 256 sectors
    EXPECT_EQ(sectorsPerCluster(24576, 512), 0);  // 48 sectors
}

}  // namespace
}  // namespace moksel
