#include "platform/mount_watcher.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace moksel {
namespace {

std::set<std::string> rootsOf(const DriveSystem& drives) {
    std::set<std::string> roots;
    for (const Volume& volume : drives.volumes()) roots.insert(volumeRoot(volume));
    return roots;
}

}  // namespace

MountWatcher::MountWatcher(std::shared_ptr<const DriveSystem> drives, QObject* parent,
                           const QString& mountTable)
    : QObject(parent), drives_(std::move(drives)) {
    if (drives_) known_ = rootsOf(*drives_);
    fd_ = ::open(mountTable.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return;
    notifier_ = new QSocketNotifier(static_cast<qintptr>(fd_), QSocketNotifier::Exception, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        emit mountTableChanged();
        rescan();
    });
}

MountWatcher::~MountWatcher() {
    delete notifier_;
    if (fd_ >= 0) ::close(fd_);
}

void MountWatcher::rescan() {
    if (!drives_) return;
    std::set<std::string> now;
    QStringList arrived;
    for (const Volume& volume : drives_->volumes()) {  // mount point order
        const std::string root = volumeRoot(volume);
        if (!known_.contains(root)) arrived.append(QString::fromStdString(root));
        now.insert(root);
    }
    known_ = std::move(now);
    if (!arrived.isEmpty()) emit volumesArrived(arrived);
}

}  // namespace moksel
