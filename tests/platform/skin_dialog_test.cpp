// Fonts, skinned boxes and bitmap buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "platform/bitmap_button.h"
#include "platform/fonts.h"
#include "platform/skin_dialog.h"

namespace moksel {
namespace {

TEST(Fonts, SystemFacesFallBackToInstalledTwins) {
    EXPECT_EQ(fontFamilyFor(QStringLiteral("Arial")), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(fontFamilyFor(QStringLiteral("돋움")), QStringLiteral("NanumGothic"));
    EXPECT_EQ(fontFamilyFor(QStringLiteral("NanumGothic")), QStringLiteral("NanumGothic"));

    const QFont korean = skinFont(QStringLiteral("돋움"), -12, 700);
    EXPECT_EQ(korean.pixelSize(), 12);
    // A cell height of 14 gives the largest character whose ascent and descent fit the cell.
    const QFont cell = skinFont(QStringLiteral("Arial"), 14);
    EXPECT_LT(cell.pixelSize(), 14);
    EXPECT_LE(QFontMetricsF(cell).ascent() + QFontMetricsF(cell).descent(), 14.0);
    QFont larger = cell;
    larger.setPixelSize(cell.pixelSize() + 1);
    EXPECT_GT(QFontMetricsF(larger).ascent() + QFontMetricsF(larger).descent(), 14.0);
    EXPECT_EQ(korean.weight(), QFont::Bold);
    // The fallback faces are installed, so the desktop really resolves them.
    EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("NanumGothic")));
    EXPECT_EQ(QFontInfo(korean).family(), QStringLiteral("NanumGothic"));
    EXPECT_EQ(QFontInfo(skinFont(QStringLiteral("Arial"), 14)).family(),
              QStringLiteral("Liberation Sans"));
}

TEST(SkinDialog, SwallowsEnterAndEscapeButPassesOtherKeys) {
    SkinDialog dialog;
    dialog.resize(100, 60);
    dialog.show();
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QTest::keyClick(&dialog, Qt::Key_Return);
    QTest::keyClick(&dialog, Qt::Key_Enter);
    EXPECT_EQ(rejected.count(), 0);
    EXPECT_EQ(accepted.count(), 0);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(isSwallowedDialogKey(Qt::Key_Space));
}

TEST(SkinDialog, PlacesItselfAtAnOffsetFromTheMainWindow) {
    QWidget mainWindow;
    mainWindow.setWindowFlags(Qt::FramelessWindowHint);
    mainWindow.setGeometry(120, 80, 300, 200);
    mainWindow.show();
    SkinDialog dialog(&mainWindow);
    dialog.placeAtOffset(&mainWindow, QPoint(30, 45));
    EXPECT_EQ(dialog.pos(), mainWindow.mapToGlobal(QPoint(30, 45)));
}

TEST(SkinDialog, LeftPressOnTheBackgroundDragsTheBox) {
    SkinDialog dialog;
    dialog.setGeometry(100, 100, 120, 80);
    dialog.show();
    const QPoint start = dialog.pos();
    QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&dialog, QPoint(40, 30));
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(40, 30));
    // Without a desktop move the box follows the mouse by hand.
    EXPECT_EQ(dialog.pos(), start + QPoint(30, 20));
}

QPixmap solid(QColor colour) {
    QPixmap pixmap(20, 10);
    pixmap.fill(colour);
    return pixmap;
}

TEST(BitmapButton, ShowsTheBitmapOfItsState) {
    BitmapButton button;
    button.setBitmaps(solid(Qt::red), solid(Qt::green), solid(Qt::blue), solid(Qt::gray));
    button.resize(20, 10);
    button.show();
    auto colourNow = [&] { return button.grab().toImage().pixelColor(5, 5); };
    EXPECT_EQ(colourNow(), QColor(Qt::red));
    button.setDown(true);
    EXPECT_EQ(colourNow(), QColor(Qt::green));
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(colourNow(), QColor(Qt::gray));
    button.setEnabled(true);

    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicked.count(), 1);
}

}  // namespace
}  // namespace moksel
