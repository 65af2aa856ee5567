// The speed, heading, time and zoom displays: what each shows for the values the main window
// hands on, read back from the pane's picture and compared with the skin's own bitmaps.
#include <gtest/gtest.h>

#include <QTest>
#include <cmath>
#include <limits>

#include "display_test_support.h"
#include "displays/ostrel_show_direction.h"
#include "displays/ostrel_show_speed.h"
#include "displays/time_displays.h"
#include "displays/zoom_displays.h"
#include "mainwindow/messages.h"
#include "platform/skin.h"

namespace moksel {
namespace {


bool areaShows(const QImage& shown, QPoint at, const QImage& expected) {
    return shown.copy(QRect(at, expected.size())) == expected;
}

// The digit positions that hold a digit picture, and the digits there.
std::vector<std::pair<int, int>> digitsShown(const QImage& shown) {
    std::vector<std::pair<int, int>> found;
    for (int x : {29, 34, 39, 44, 49}) {
        for (int d = 0; d <= 9; ++d) {
            if (areaShows(shown, QPoint(x, 24), skinPicture(210 + d))) found.emplace_back(x, d);
        }
    }
    return found;
}

using Digits = std::vector<std::pair<int, int>>;

TEST(SpeedDisplay, DigitsStayCentredWithoutLeadingZeros) {
    ParentWindow parent;
    auto* speed = placePane<OstrelShowSpeed>(parent, {515, 434});
    EXPECT_EQ(speed->size(), QSize(84, 74));
    EXPECT_EQ(digitsShown(picture(speed)), (Digits{{39, 0}}));
    struct Case {
        unsigned kmh;
        Digits digits;
    };
    for (const Case& c : {Case{7, {{39, 7}}}, Case{45, {{34, 4}, {44, 5}}},
                          Case{120, {{29, 1}, {39, 2}, {49, 0}}}, Case{105, {{29, 1}, {39, 0}, {49, 5}}},
                          Case{0, {{39, 0}}}}) {
        speed->send(UM_SPEED, c.kmh, 0);
        const QImage shown = picture(speed);
        EXPECT_EQ(digitsShown(shown), c.digits) << c.kmh;
        EXPECT_TRUE(areaShows(shown, {29, 45}, skinPicture(220))) << c.kmh;
        // Around the digits the gauge shows through.
        EXPECT_EQ(shown.pixelColor(20, 30), skinPicture(208).pixelColor(20, 30));
    }
}

TEST(SpeedDisplay, UnitButtonSwitchesToWholeMilesPerHour) {
    ParentWindow parent;
    auto* speed = placePane<OstrelShowSpeed>(parent, {515, 434});
    speed->send(UM_SPEED, 100, 0);
    speed->toggleUnit();
    EXPECT_TRUE(speed->useMph());
    QImage shown = picture(speed);
    EXPECT_EQ(digitsShown(shown), (Digits{{34, 6}, {44, 2}}));
    EXPECT_TRUE(areaShows(shown, {29, 45}, skinPicture(209)));
    speed->send(UM_SPEED, 1, 0);
    EXPECT_EQ(digitsShown(picture(speed)), (Digits{{39, 0}}));
    // Back to km/h: the stored speed is still in km/h.
    speed->toggleUnit();
    shown = picture(speed);
    EXPECT_EQ(digitsShown(shown), (Digits{{39, 1}}));
    EXPECT_TRUE(areaShows(shown, {29, 45}, skinPicture(220)));
}

TEST(SpeedDisplay, SpeedsBeyondThreeDigitsShowTheLargestThatFits) {
    EXPECT_EQ(OstrelShowSpeed::shownSpeed(999, false), 999u);
    EXPECT_EQ(OstrelShowSpeed::shownSpeed(1000, false), 999u);
    EXPECT_EQ(OstrelShowSpeed::shownSpeed(65535, true), 999u);
    EXPECT_EQ(OstrelShowSpeed::shownSpeed(1607, true), 998u);  // 998.6 mph, truncated
    ParentWindow parent;
    auto* speed = placePane<OstrelShowSpeed>(parent, {515, 434});
    speed->send(UM_SPEED, 4321, 0);
    EXPECT_EQ(digitsShown(picture(speed)), (Digits{{29, 9}, {39, 9}, {49, 9}}));
}

TEST(HeadingDisplay, SectorsIncludeTheirLowerBound) {
    struct Case {
        double degrees;
        HeadingSector sector;
    };
    for (const Case& c : {Case{0, North}, Case{22.4999, North}, Case{22.5, NorthEast},
                          Case{67.5, East}, Case{112.5, SouthEast}, Case{157.5, South},
                          Case{202.5, SouthWest}, Case{247.5, West}, Case{292.5, NorthWest},
                          Case{337.4, NorthWest}, Case{337.5, North}, Case{359.9, North},
                          // Outside the circle: taken round it.
                          Case{360, North}, Case{450, East}, Case{-90, West}, Case{-0.1, North},
                          Case{std::numeric_limits<double>::quiet_NaN(), North}}) {
        EXPECT_EQ(headingSector(c.degrees), c.sector) << c.degrees;
    }
}

TEST(HeadingDisplay, ShowsTheArrowOrTheWordPictureOfTheHeading) {
    ParentWindow parent;
    auto* heading = placePane<OstrelShowDIrection>(parent, {70, 442});
    EXPECT_EQ(heading->size(), QSize(57, 55));
    EXPECT_EQ(picture(heading), skinPicture(293));  // north arrow at start

    double degrees = 90;
    heading->send(UM_HEADING, reinterpret_cast<WParam>(&degrees), 0);
    EXPECT_EQ(picture(heading), skinPicture(295));
    heading->toggleStyle();
    EXPECT_EQ(picture(heading), skinPicture(306));  // EAST
    // The value is copied when the message arrives.
    degrees = 200;
    EXPECT_EQ(picture(heading), skinPicture(306));
    heading->send(UM_HEADING, reinterpret_cast<WParam>(&degrees), 0);
    EXPECT_EQ(picture(heading), skinPicture(304));  // SOUTH
    const int words[8] = {308, 309, 306, 307, 304, 305, 311, 310};
    for (int s = 0; s < 8; ++s) {
        degrees = s * 45.0;
        heading->send(UM_HEADING, reinterpret_cast<WParam>(&degrees), 0);
        EXPECT_EQ(picture(heading), skinPicture(words[s])) << degrees;
    }
    heading->toggleStyle();
    degrees = 315;
    heading->send(UM_HEADING, reinterpret_cast<WParam>(&degrees), 0);
    EXPECT_EQ(picture(heading), skinPicture(300));
    // A report without an address changes nothing.
    heading->send(UM_HEADING, 0, 0);
    EXPECT_EQ(heading->headingDegrees(), 315.0);
}

TEST(SpeedAndHeadingDisplays, LeftPressDragsTheMainWindowKeysAreSwallowed) {
    ParentWindow parent;
    auto* speed = placePane<OstrelShowSpeed>(parent, {515, 434});
    auto* heading = placePane<OstrelShowDIrection>(parent, {70, 442});
    auto* time = placePane<OstrelShowTime>(parent, {69, 544});
    QTest::mouseClick(speed, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(heading, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(parent.leftPresses, 2);
    QTest::mouseClick(time, Qt::LeftButton, {}, QPoint(10, 10));  // the time field does not drag
    EXPECT_EQ(parent.leftPresses, 2);
    for (QWidget* pane : std::initializer_list<QWidget*>{speed, heading, time}) {
        QTest::keyClick(pane, Qt::Key_Enter);
        QTest::keyClick(pane, Qt::Key_Escape);
    }
    EXPECT_TRUE(parent.keysReached.empty());
}

TEST(TimeDisplays, ShowMinutesAndSecondsWithoutHours) {
    EXPECT_EQ(minutesAndSeconds(0), "00:00");
    EXPECT_EQ(minutesAndSeconds(59), "00:59");
    EXPECT_EQ(minutesAndSeconds(3725), "62:05");
    EXPECT_EQ(minutesAndSeconds(6000), "100:00");

    ParentWindow parent;
    auto* current = placePane<OstrelShowTime>(parent, {69, 544});
    auto* total = placePane<OstrelShowTotalTime>(parent, {526, 544});
    EXPECT_EQ(current->size(), QSize(63, 17));
    // Both start at 00:00 on the same field, in cyan.
    const QImage zero = picture(total);
    EXPECT_EQ(picture(current), zero);
    EXPECT_NE(zero, skinPicture(222));
    EXPECT_TRUE(hasInk(zero, QColor(0, 204, 255)));

    total->send(UM_TIME, 3725, 3725);
    current->send(UM_TIME, 3725, 3725);
    EXPECT_EQ(total->totalSeconds(), 3725u);
    EXPECT_EQ(picture(current), picture(total));
    EXPECT_NE(picture(total), zero);
}

TEST(TimeDisplays, CurrentTimeNeverPassesTheLengthAndLengthZeroKeepsTheTotal) {
    ParentWindow parent;
    auto* current = placePane<OstrelShowTime>(parent, {69, 544});
    auto* total = placePane<OstrelShowTotalTime>(parent, {526, 544});
    // The engine's report as it comes: current 95 s beyond a length of 90 s.
    current->send(UM_TIME, 95, 90);
    total->send(UM_TIME, 95, 90);
    EXPECT_EQ(current->currentSeconds(), 90u);
    EXPECT_EQ(picture(current), picture(total));

    // A length of 0: the total stays, the current time shows 00:00.
    current->send(UM_TIME, 12, 0);
    total->send(UM_TIME, 12, 0);
    EXPECT_EQ(total->totalSeconds(), 90u);
    EXPECT_EQ(current->currentSeconds(), 0u);
    auto* fresh = placePane<OstrelShowTotalTime>(parent, {300, 544});
    EXPECT_EQ(picture(current), picture(fresh));
    // A negative length (a damaged duration) is no length either.
    total->send(UM_TIME, 0, -5);
    EXPECT_EQ(total->totalSeconds(), 90u);
}

TEST(ZoomDisplays, PercentOfTheViewAreaInTheColourOfTheSize) {
    EXPECT_EQ(zoomPercent(487, 311), 100);
    EXPECT_EQ(zoomPercent(1280, 720), 608);
    ParentWindow parent;
    auto* front = placePane<OstrelShowZoom>(parent, {449, 44});
    auto* rear = placePane<OstrelShowZoomRear>(parent, {744, 44});
    EXPECT_EQ(front->size(), QSize(42, 17));
    const QColor grey(222, 222, 222), cyan(0, 204, 255);

    playbackState.frontSizeIndex = kViewSizeIndex;
    playbackState.rearSizeIndex = kViewSizeIndex;
    const QImage normal = picture(front);
    EXPECT_TRUE(hasInk(normal, grey));
    EXPECT_FALSE(hasInk(normal, cyan));
    EXPECT_EQ(picture(rear), normal);

    // Each pane follows its own camera's size index when it is repainted.
    playbackState.frontSizeIndex = kLargeSizeIndex;
    const QImage large = picture(front);
    EXPECT_TRUE(hasInk(large, cyan));
    EXPECT_FALSE(hasInk(large, grey));
    EXPECT_EQ(picture(rear), normal);
    playbackState.rearSizeIndex = kLargeSizeIndex;
    EXPECT_EQ(picture(rear), large);

    playbackState.frontSizeIndex = kViewSizeIndex;
    playbackState.rearSizeIndex = kViewSizeIndex;
    EXPECT_EQ(picture(front), normal);
}

}  // namespace
}  // namespace moksel
