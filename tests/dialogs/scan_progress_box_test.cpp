// The folder scan box: where it sits, what folder text it shows on which line, that it reads the
// list's folder string when it paints, and that stop asks the main window to end the scan.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "dialogs/scan_progress_box.h"
#include "platform/window_messages.h"
#include "platform/bitmap_button.h"

namespace moksel {
namespace {

class FakeMainWindow : public Window<QWidget> {
public:
    std::vector<unsigned> received;

protected:
    LResult handleMessage(unsigned number, WParam, LParam) override {
        received.push_back(number);
        return 0;
    }
};

class ScanBox : public ::testing::Test {
protected:
    ScanBox() : box(&mainWindow) {
        mainWindow.setWindowFlags(Qt::FramelessWindowHint);
        mainWindow.setGeometry(50, 40, 1024, 768);
        mainWindow.show();
    }

    QImage picture() { return box.grab().toImage(); }

    // Whether two pictures differ anywhere inside `area`.
    static bool differ(const QImage& a, const QImage& b, const QRect& area) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (a.pixel(x, y) != b.pixel(x, y)) return true;
            }
        }
        return false;
    }

    FakeMainWindow mainWindow;
    OstrelOpenningDirMsgBox box;
};

const QRect kFirstLine(30, 98, 417, 15);
const QRect kSecondLine(50, 116, 397, 15);

TEST_F(ScanBox, LongFolderTextsBreakAndElideWithinThePanel) {
    const QString shortPath = QStringLiteral("/media/user/MOKSEL/DCIM");
    EXPECT_EQ(OstrelOpenningDirMsgBox::folderLines(shortPath), std::make_pair(shortPath, QString()));

    // Two lines: broken after a folder, nothing lost.
    QString twoLines = QStringLiteral("/media/user/MOKSEL");
    while (twoLines.size() < 90) twoLines += QStringLiteral("/2026_12_08_drive");
    const auto [first, second] = OstrelOpenningDirMsgBox::folderLines(twoLines);
    EXPECT_TRUE(first.endsWith(QLatin1Char('/')));
    EXPECT_EQ((first + second).toStdString(), twoLines.toStdString());

    // Longer than both lines: the end, the folder being read, still shows after the "…".
    QString deep = twoLines;
    while (deep.size() < 400) deep += QStringLiteral("/나들이_영상");
    deep += QStringLiteral("/last_folder");
    const auto [deepFirst, deepSecond] = OstrelOpenningDirMsgBox::folderLines(deep);
    EXPECT_TRUE(deep.startsWith(deepFirst));
    EXPECT_TRUE(deepSecond.contains(QChar(0x2026)));
    EXPECT_TRUE(deepSecond.endsWith(QStringLiteral("last_folder")));

    // On screen no text runs past the panel's right edge (x 433).
    const QImage before = picture();
    box.send(UM_SCAN_FOLDER, reinterpret_cast<WParam>(&deep), 0);
    const QImage after = picture();
    EXPECT_TRUE(differ(before, after, QRect(50, 116, 300, 15)));
    EXPECT_FALSE(differ(before, after, QRect(433, 98, 14, 35)));
}

TEST_F(ScanBox, ShowsNoFolderUntilOneIsReportedThenReadsTheStringAtEachPaint) {
    box.show();
    const QImage empty = picture();
    EXPECT_EQ(box.folderReference(), nullptr);

    QString folder = QStringLiteral("/media/user/MOKSEL/DCIM");
    box.send(UM_SCAN_FOLDER, reinterpret_cast<WParam>(&folder), 0);
    EXPECT_EQ(box.folderReference(), &folder);
    const QImage shown = picture();
    EXPECT_TRUE(differ(empty, shown, kFirstLine));
    EXPECT_FALSE(differ(empty, shown, kSecondLine));
    EXPECT_FALSE(differ(empty, shown, QRect(0, 0, 447, 95)));  // title and label unchanged

    // The list changes its string; the box shows the new text at its next paint.
    folder = QStringLiteral("/media/user/MOKSEL/EVENT");
    EXPECT_TRUE(differ(shown, picture(), kFirstLine));

    // A text wider than the first line goes on on the second.
    folder = QString(40, QLatin1Char('x'));
    EXPECT_FALSE(differ(empty, picture(), kSecondLine));
    folder = QString(100, QLatin1Char('x'));
    EXPECT_TRUE(differ(empty, picture(), kSecondLine));
}

TEST_F(ScanBox, StopAsksTheMainWindowToCancelAndTheBoxStays) {
    box.show();
    ASSERT_NE(box.stopButton(), nullptr);
    EXPECT_EQ(box.stopButton()->geometry(), QRect(184, 193, 78, 28));
    QTest::mouseClick(box.stopButton(), Qt::LeftButton);
    EXPECT_EQ(mainWindow.received, std::vector<unsigned>{UM_SCAN_CANCEL});
    EXPECT_TRUE(box.isVisible());
}

TEST_F(ScanBox, PlacesItselfAtItsOffsetWhenShownAndStaysOnBackgroundPresses) {
    box.show();
    EXPECT_EQ(box.pos(), mainWindow.mapToGlobal(QPoint(289, 268)));
    EXPECT_EQ(box.size(), QSize(447, 233));
    mainWindow.move(200, 100);
    box.hide();
    box.show();
    EXPECT_EQ(box.pos(), mainWindow.mapToGlobal(QPoint(289, 268)));

    const QPoint before = box.pos();
    QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseMove(&box, QPoint(120, 90));
    QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(120, 90));
    EXPECT_EQ(box.pos(), before);

    QTest::keyClick(&box, Qt::Key_Escape);
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_TRUE(box.isVisible());
}

}  // namespace
}  // namespace moksel
