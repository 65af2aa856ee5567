#include "platform/disk_service.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QStringList>
#include <QVariantMap>

namespace moksel {
namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kManagerPath = QStringLiteral("/org/freedesktop/UDisks2/Manager");
const QString kManager = QStringLiteral("org.freedesktop.UDisks2.Manager");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kDrive = QStringLiteral("org.freedesktop.UDisks2.Drive");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
// Quick questions; a format waits for the user's consent and the writing.
constexpr int kQuestionTimeoutMs = 3000;
constexpr int kFormatTimeoutMs = 30 * 60 * 1000;

QDBusConnection bus() { return QDBusConnection::systemBus(); }

// One method call on an object of the service; waits at most `timeoutMs` for the answer.
QDBusMessage call(const QString& object, const QString& interface, const QString& method,
                  const QVariantList& arguments, int timeoutMs) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, object, interface, method);
    message.setArguments(arguments);
    return bus().call(message, QDBus::Block, timeoutMs);
}

// The service's object of the block device `device`; empty when it does not know it.
QString blockObject(const std::string& device) {
    if (!DiskService::available()) return {};
    qDBusRegisterMetaType<QList<QDBusObjectPath>>();
    QVariantMap deviceQuery;
    deviceQuery.insert(QStringLiteral("path"), QString::fromStdString(device));
    const QDBusReply<QList<QDBusObjectPath>> reply =
        call(kManagerPath, kManager, QStringLiteral("ResolveDevice"), {deviceQuery, QVariantMap()}, kQuestionTimeoutMs);
    if (!reply.isValid() || reply.value().isEmpty()) return {};
    return reply.value().front().path();
}

QVariant property(const QString& object, const QString& interface, const QString& name) {
    const QDBusReply<QDBusVariant> reply =
        call(object, kProperties, QStringLiteral("Get"), {interface, name}, kQuestionTimeoutMs);
    return reply.isValid() ? reply.value().variant() : QVariant();
}

}  // namespace

bool DiskService::available() {
    QDBusConnection system = bus();
    if (!system.isConnected() || system.interface() == nullptr) return false;
    const QDBusReply<bool> registered = system.interface()->isServiceRegistered(kService);
    return registered.isValid() && registered.value();
}

std::optional<bool> DiskService::mediaRemovable(const std::string& device) {
    const QString block = blockObject(device);
    if (block.isEmpty()) return std::nullopt;
    const QString drive = property(block, kBlock, QStringLiteral("Drive")).value<QDBusObjectPath>().path();
    if (drive.isEmpty() || drive == QStringLiteral("/")) return std::nullopt;
    // "Removable" also holds for any disk on a hot-pluggable bus; the media flag does not.
    const QVariant media = property(drive, kDrive, QStringLiteral("MediaRemovable"));
    if (!media.isValid()) return std::nullopt;
    return media.toBool();
}

std::optional<bool> DiskService::formatFat32(const std::string& device, const std::string& label,
                                             int sectorsPerCluster, int clusterBytes,
                                             std::string& error) {
    const QString block = blockObject(device);
    if (block.isEmpty()) return std::nullopt;

    // Fewer clusters than this and readers take the file system for FAT16 (mkfs.fat warns of
    // it, but the service does not pass the warning on).
    constexpr quint64 kFat32MinimumClusters = 65525;
    const quint64 sizeBytes = property(block, kBlock, QStringLiteral("Size")).toULongLong();
    if (sizeBytes > 0 && clusterBytes > 0 && sizeBytes / static_cast<quint64>(clusterBytes) < kFat32MinimumClusters) {
        error = "the volume is too small for FAT32 with " + std::to_string(clusterBytes) +
                "-byte clusters (" + std::to_string(sizeBytes / static_cast<quint64>(clusterBytes)) +
                " clusters, at least " + std::to_string(kFat32MinimumClusters) + " needed)";
        return false;
    }

    // The file system must not be mounted while it is replaced; one that was not mounted
    // answers so, which is no failure.
    const QDBusMessage unmounted =
        call(block, kFilesystem, QStringLiteral("Unmount"), {QVariantMap()}, kFormatTimeoutMs);
    if (unmounted.type() == QDBusMessage::ErrorMessage &&
        !unmounted.errorName().endsWith(QStringLiteral("NotMounted"))) {
        error = unmounted.errorMessage().toStdString();
        return false;
    }

    QVariantMap options;
    options.insert(QStringLiteral("label"), QString::fromStdString(label));
    options.insert(QStringLiteral("update-partition-type"), true);
    options.insert(QStringLiteral("mkfs-args"),
                   QStringList{QStringLiteral("-F"), QStringLiteral("32"), QStringLiteral("-s"),
                               QString::number(sectorsPerCluster)});
    const QDBusMessage formatted = call(block, kBlock, QStringLiteral("Format"),
                                        {QStringLiteral("vfat"), options}, kFormatTimeoutMs);
    const bool success = formatted.type() != QDBusMessage::ErrorMessage;
    if (!success) error = formatted.errorMessage().toStdString();

    // Give the card back to the desktop, formatted or not.
    call(block, kFilesystem, QStringLiteral("Mount"), {QVariantMap()}, kQuestionTimeoutMs * 10);
    return success;
}

}  // namespace moksel
