#include "platform/volume_format.h"

#include "platform/disk_service.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace moksel {
namespace {

bool succeeded(const CommandResult& result) {
    return result.started && result.exitCode == 0;
}

// A device that refuses writing whoever asks: the write-protect switch of an SD card (the
// kernel marks the device read-only), or an image file without any write permission.
bool writeProtected(const Volume& volume) {
    if (volume.readOnly) return true;
    struct stat info {};
    if (::stat(volume.device.c_str(), &info) != 0) return false;
    return S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0;
}

}  // namespace

CommandResult runCommand(const std::vector<std::string>& argv) {
    CommandResult result;
    if (argv.empty()) return result;
    QProcess process;
    process.setProgram(QString::fromStdString(argv.front()));
    QStringList arguments;
    for (std::size_t i = 1; i < argv.size(); ++i) arguments.append(QString::fromStdString(argv[i]));
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1)) return result;
    result.started = true;
    process.waitForFinished(-1);
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAll().toStdString();
    return result;
}

std::string findSystemProgram(const std::string& name) {
    const QString program = QString::fromStdString(name);
    QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        path = QStandardPaths::findExecutable(
            program,
            {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/bin")});
    }
    return path.toStdString();
}

bool formatFacilityAvailable() {
    return !findSystemProgram("mkfs.fat").empty();
}

int sectorsPerCluster(int clusterBytes, int sectorBytes) {
    if (clusterBytes <= 0 || sectorBytes <= 0 || clusterBytes % sectorBytes != 0) return 0;
    const int sectors = clusterBytes / sectorBytes;
    if (sectors > 128 || (sectors & (sectors - 1)) != 0) return 0;
    return sectors;
}

VolumeFormatter::Programs VolumeFormatter::Programs::fromSystem() {
    return {findSystemProgram("mkfs.fat"), findSystemProgram("pkexec"),
            findSystemProgram("udisksctl"), findSystemProgram("umount"), true};
}

VolumeFormatter::VolumeFormatter(std::shared_ptr<const DriveSystem> drives, CommandRunner runner,
                                 Programs programs)
    : drives_(std::move(drives)), runner_(std::move(runner)), programs_(std::move(programs)) {}

bool VolumeFormatter::format(const FormatRequest& request,
                             const FormatEventHandler& onEvent) const {
    const std::unique_ptr<Volume> volume = drives_ ? drives_->volumeAt(request.root) : nullptr;
    // Only a removable volume is ever formatted: a fixed disk never, whatever root is asked.
    if (volume == nullptr || !volume->removable) {
        bool success = false;
        if (onEvent) onEvent(kFormatDone, 0, &success);
        return false;
    }
    return formatVolume(*volume, request, onEvent);
}

bool VolumeFormatter::formatVolume(const Volume& volume, const FormatRequest& request,
                                   const FormatEventHandler& onEvent) const {
    auto finish = [&onEvent](bool success) {
        if (onEvent) onEvent(kFormatDone, 0, &success);
        return success;
    };
    const int sectors = sectorsPerCluster(request.clusterBytes, volume.logicalSectorBytes);
    if (volume.device.empty() || sectors == 0 || request.fileSystem != "FAT32" ||
        programs_.mkfs.empty()) {
        return finish(false);
    }
    // Checked before anything is unmounted, so a protected card stays as it was.
    if (writeProtected(volume)) {
        if (onEvent) onEvent(kFormatWriteProtected, 0, nullptr);
        return finish(false);
    }
    if (programs_.diskService) {
        std::string error;
        if (const std::optional<bool> done =
                DiskService::formatFat32(volume.device, request.label, sectors, request.clusterBytes, error)) {
            if (!*done && onEvent && !error.empty()) onEvent(kFormatOutput, 0, error.c_str());
            return finish(*done);
        }
    }
    const bool direct = ::access(volume.device.c_str(), W_OK) == 0;
    if (!direct && programs_.pkexec.empty()) return finish(false);

    bool byUdisks = false;
    if (!volume.mountPoint.empty() && !unmount(volume, !direct, byUdisks)) return finish(false);

    std::vector<std::string> argv;
    if (!direct) argv.push_back(programs_.pkexec);
    argv.insert(argv.end(), {programs_.mkfs, "-F", "32", "-s", std::to_string(sectors), "-n",
                             request.label, volume.device});
    const bool success = run(argv, onEvent);
    // Give the card back to the desktop, formatted or not; a failure here changes nothing.
    if (byUdisks) runner_({programs_.udisksctl, "mount", "-b", volume.device});
    return finish(success);
}

bool VolumeFormatter::unmount(const Volume& volume, bool asAdministrator, bool& byUdisks) const {
    if (!programs_.udisksctl.empty() &&
        succeeded(runner_({programs_.udisksctl, "unmount", "-b", volume.device}))) {
        byUdisks = true;
        return true;
    }
    if (programs_.umount.empty()) return false;
    if (succeeded(runner_({programs_.umount, volume.mountPoint}))) return true;
    return asAdministrator && !programs_.pkexec.empty() &&
           succeeded(runner_({programs_.pkexec, programs_.umount, volume.mountPoint}));
}

bool formatOutputRefusesVolume(const std::string& output) {
    // mkfs.fat ends well but warns when the volume has fewer clusters than a FAT32 volume must
    // have: readers then take the file system for FAT16, so the card is not usable as one.
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        const std::string_view line(output.data() + start, end - start);
        if (line.find("WARNING") != std::string_view::npos &&
            line.find("clusters") != std::string_view::npos) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool VolumeFormatter::run(const std::vector<std::string>& argv,
                          const FormatEventHandler& onEvent) const {
    const CommandResult result = runner_(argv);
    std::size_t start = 0;
    while (onEvent && start < result.output.size()) {
        std::size_t end = result.output.find('\n', start);
        if (end == std::string::npos) end = result.output.size();
        const std::string line = result.output.substr(start, end - start);
        if (!line.empty()) onEvent(kFormatOutput, 0, line.c_str());
        start = end + 1;
    }
    return succeeded(result) && !formatOutputRefusesVolume(result.output);
}

}  // namespace moksel
