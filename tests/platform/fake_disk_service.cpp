// A stand-in for the desktop's disk service on a private bus, for the disk service tests. It
// knows four block devices: sdc1 on a card reader (removable media, 8 GB), sdd1 on a USB hard
// disk (fixed media), sde1 whose format fails and sdf1, a card of 300 MB. Every call it takes is printed as one line:
// "<member> <object> <arguments>".
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QVariantMap>
#include <cstdio>

namespace {

const QString kRoot = QStringLiteral("/org/freedesktop/UDisks2");

QString blockOf(const QString& device) {
    for (const char* known : {"sdc1", "sdd1", "sde1", "sdf1"}) {
        if (device == QStringLiteral("/dev/") + QLatin1String(known)) {
            return kRoot + QStringLiteral("/block_devices/") + QLatin1String(known);
        }
    }
    return {};
}

class FakeDisks : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString member = message.member();
        const QString object = message.path();
        QStringList words{member, object};
        QDBusMessage reply = message.createReply();
        if (member == QStringLiteral("ResolveDevice")) {
            const QVariantMap deviceQuery = qdbus_cast<QVariantMap>(message.arguments().value(0));
            const QString block = blockOf(deviceQuery.value(QStringLiteral("path")).toString());
            words << deviceQuery.value(QStringLiteral("path")).toString();
            QList<QDBusObjectPath> found;
            if (!block.isEmpty()) found << QDBusObjectPath(block);
            reply = message.createReply(QVariant::fromValue(found));
        } else if (member == QStringLiteral("Get")) {
            const QString name = message.arguments().value(1).toString();
            words << name;
            QVariant value;
            if (name == QStringLiteral("Drive")) {
                const QString disk = object.section(QLatin1Char('/'), -1).left(3);
                value = QVariant::fromValue(QDBusObjectPath(kRoot + QStringLiteral("/drives/") + disk));
            } else if (name == QStringLiteral("MediaRemovable")) {
                value = !object.endsWith(QStringLiteral("sdd"));
            } else if (name == QStringLiteral("Size")) {
                value = QVariant::fromValue<qulonglong>(object.endsWith(QStringLiteral("sdf1")) ? 300ULL << 20 : 8ULL << 30);
            }
            reply = message.createReply(QVariant::fromValue(QDBusVariant(value)));
        } else if (member == QStringLiteral("Format")) {
            const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(1));
            words << message.arguments().value(0).toString()
                  << options.value(QStringLiteral("label")).toString()
                  << options.value(QStringLiteral("mkfs-args")).toStringList().join(QLatin1Char(' '));
            if (object.endsWith(QStringLiteral("sde1"))) {
                reply = message.createErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.Failed"),
                                                 QStringLiteral("Error formatting: the card refused"));
            }
        } else if (member == QStringLiteral("Mount")) {
            reply = message.createReply(QStringLiteral("/media/user/MOKSEL"));
        }
        std::printf("%s\n", words.join(QLatin1Char(' ')).toLocal8Bit().constData());
        std::fflush(stdout);
        connection.send(reply);
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    qDBusRegisterMetaType<QList<QDBusObjectPath>>();
    QDBusConnection bus = QDBusConnection::systemBus();
    FakeDisks disks;
    if (!bus.isConnected() ||
        !bus.registerVirtualObject(kRoot, &disks, QDBusConnection::SubPath) ||
        !bus.registerService(QStringLiteral("org.freedesktop.UDisks2"))) {
        std::printf("cannot serve\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return application.exec();
}
