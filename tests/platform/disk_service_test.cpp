// The disk service client against a stand-in service on a private bus: which media it takes
// for removable, and the calls and arguments of a format.
#include "platform/disk_service.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <cstdlib>

namespace moksel {
namespace {

class DiskServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        daemon = new QProcess;
        daemon->start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
        if (!daemon->waitForStarted(5000) || !daemon->waitForReadyRead(5000)) return;
        const QByteArray address = daemon->readLine().trimmed();
        // The client asks the system bus; here that is the private one.
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.constData(), 1);
        service = new QProcess;
        service->start(QStringLiteral(FAKE_DISK_SERVICE), {});
        if (service->waitForReadyRead(10000) && service->readLine().trimmed() == "ready") ready = true;
    }
    static void TearDownTestSuite() {
        for (QProcess* process : {service, daemon}) {
            if (process == nullptr) continue;
            process->kill();
            process->waitForFinished(5000);
            delete process;
        }
        service = daemon = nullptr;
    }
    void SetUp() override {
        if (!ready) GTEST_SKIP() << "no private bus (dbus-daemon) for the stand-in service";
        service->readAll();  // calls of earlier tests
    }
    // The calls the service took since the test began, one per line.
    static QStringList calls() {
        service->waitForReadyRead(200);
        return QString::fromLocal8Bit(service->readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static inline QProcess* daemon = nullptr;
    static inline QProcess* service = nullptr;
    static inline bool ready = false;
};

TEST_F(DiskServiceTest, OnlyRemovableMediaCountAsRemovableAndUnknownDevicesAreLeftToTheCaller) {
    ASSERT_TRUE(DiskService::available());
    EXPECT_EQ(DiskService::mediaRemovable("/dev/sdc1"), std::optional<bool>(true));
    EXPECT_EQ(DiskService::mediaRemovable("/dev/sdd1"), std::optional<bool>(false)) << "a USB hard disk";
    EXPECT_EQ(DiskService::mediaRemovable("/tmp/card.img"), std::nullopt);
}

TEST_F(DiskServiceTest, FormatsAsFat32WithTheLabelAndClusterSizeBetweenUnmountAndMount) {
    std::string error;
    EXPECT_EQ(DiskService::formatFat32("/dev/sdc1", "MOKSEL", 32, 16384, error), std::optional<bool>(true));
    QStringList asked = calls();
    asked.removeIf([](const QString& call) {
        return call.startsWith(QStringLiteral("ResolveDevice")) || call.startsWith(QStringLiteral("Get"));
    });
    const QString block = QStringLiteral("/org/freedesktop/UDisks2/block_devices/sdc1");
    EXPECT_EQ(asked, (QStringList{QStringLiteral("Unmount ") + block,
                                  QStringLiteral("Format ") + block + QStringLiteral(" vfat MOKSEL -F 32 -s 32"),
                                  QStringLiteral("Mount ") + block}));

    // A refused format is a failure with the service's words, and the card is mounted again.
    EXPECT_EQ(DiskService::formatFat32("/dev/sde1", "MOKSEL", 32, 16384, error), std::optional<bool>(false));
    EXPECT_EQ(error, "Error formatting: the card refused");
    EXPECT_TRUE(calls().last().startsWith(QStringLiteral("Mount ")));
    // A card too small for FAT32's clusters is refused before anything is unmounted.
    calls();
    EXPECT_EQ(DiskService::formatFat32("/dev/sdf1", "MOKSEL", 32, 16384, error), std::optional<bool>(false));
    EXPECT_NE(error.find("too small for FAT32"), std::string::npos) << error;
    for (const QString& call : calls()) EXPECT_FALSE(call.startsWith(QStringLiteral("Unmount"))) << call.toStdString();
    // A device the service does not know is not touched.
    EXPECT_EQ(DiskService::formatFat32("/tmp/card.img", "MOKSEL", 32, 16384, error), std::nullopt);
}

}  // namespace
}  // namespace moksel
