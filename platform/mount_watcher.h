// Watches the mount table and reports volumes that have just been mounted: the desktop's way of
// telling that a drive (an SD card, a USB stick) has arrived.
//
// The kernel marks /proc/self/mounts with an exceptional condition (POLLPRI) whenever a file
// system is mounted or unmounted; a QSocketNotifier of the exception kind wakes the watcher,
// which asks its DriveSystem again and compares the mount points with the ones it saw last.
//
// Thread contract: UI thread only (a QObject living on the thread that created it).
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <set>
#include <string>

#include "platform/removable_drives.h"

class QSocketNotifier;

namespace moksel {

class MountWatcher : public QObject {
    Q_OBJECT

public:
    // Remembers the volumes mounted now and starts watching `mountTable`.
    explicit MountWatcher(std::shared_ptr<const DriveSystem> drives = systemDrives(),
                          QObject* parent = nullptr,
                          const QString& mountTable = QStringLiteral("/proc/self/mounts"));
    ~MountWatcher() override;

    // Whether the mount table could be opened for watching.
    bool watching() const { return notifier_ != nullptr; }

    // Asks the drives again and reports the volumes mounted since the last time. The notifier
    // calls this on every change of the mount table; tests call it after changing their drives.
    void rescan();

signals:
    // The mount table changed (something was mounted or unmounted).
    void mountTableChanged();
    // Volumes that were not mounted at the last look, by mount point ascending (their roots,
    // with a trailing "/"). Not emitted when nothing new arrived.
    void volumesArrived(const QStringList& roots);

private:
    std::shared_ptr<const DriveSystem> drives_;
    std::set<std::string> known_;  // the roots seen at the last look
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace moksel
