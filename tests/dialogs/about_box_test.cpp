// The about box: the information button's toggle, its fixed place beside the main window, the
// ways it hides, and the version line it writes over its skin.
#include "dialogs/about_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "platform/bitmap_button.h"
#include "platform/skin.h"

namespace moksel {
namespace {

class AboutBox : public ::testing::Test {
protected:
    AboutBox() : box(&mainWindow) {
        mainWindow.setWindowFlags(Qt::FramelessWindowHint);
        mainWindow.setGeometry(50, 40, 1024, 768);
        mainWindow.show();
    }

    QPoint expectedPlace() const {
        return mainWindow.mapToGlobal(QPoint(0, 0)) + OstrelAbout::kOffset;
    }

    QWidget mainWindow;
    OstrelAbout box;
};

TEST_F(AboutBox, ToggleShowsAndHidesAtTheSamePlaceEvenAfterADrag) {
    EXPECT_FALSE(box.isVisible());
    box.toggle();
    ASSERT_TRUE(box.isVisible());
    EXPECT_EQ(box.pos(), expectedPlace());
    EXPECT_EQ(box.size(), QSize(297, 233));
    EXPECT_EQ(box.closeButton()->geometry(), QRect(245, 16, 35, 34));

    box.move(box.pos() + QPoint(-120, 75));  // the user dragged it away
    box.toggle();
    EXPECT_FALSE(box.isVisible());
    box.toggle();
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.pos(), expectedPlace());

    // The main window moved: the box follows at its next showing.
    box.toggle();
    mainWindow.move(200, 10);
    box.toggle();
    EXPECT_EQ(box.pos(), expectedPlace());
}

TEST_F(AboutBox, CloseButtonEnterAndEscapeOnlyHideIt) {
    box.show();
    box.closeButton()->click();
    EXPECT_FALSE(box.isVisible());
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        box.show();
        QTest::keyClick(&box, key);
        EXPECT_FALSE(box.isVisible()) << key;
    }
    // Hidden, not destroyed: it shows again on the next toggle.
    box.toggle();
    EXPECT_TRUE(box.isVisible());
}

TEST_F(AboutBox, WritesItsVersionOverItsSkin) {
    EXPECT_EQ(OstrelAbout::versionText(), QStringLiteral("Ver 1.1"));
    if (!hasSkinBitmap(280)) GTEST_SKIP() << "no skin in this build";
    box.show();
    const QImage shown = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage skin = skinImage(280).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), skin.size());
    // The version line differs from the skin; the logo area above it and the title tab do not.
    auto differs = [&](const QRect& area) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (shown.pixel(x, y) != skin.pixel(x, y)) return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(differs(QRect(OstrelAbout::kVersionAt, QSize(60, 18))));
    EXPECT_FALSE(differs(QRect(14, 66, 260, 55)));
    EXPECT_FALSE(differs(QRect(0, 0, 240, 60)));
    // Dark text: some pixel of the line is darker than anything the skin has there.
    bool dark = false;
    for (int x = 120; x < 180 && !dark; ++x) {
        for (int y = 133; y < 151 && !dark; ++y) dark = qGray(shown.pixel(x, y)) < 60;
    }
    EXPECT_TRUE(dark);
}

}  // namespace
}  // namespace moksel
