// The speed, heading, time and zoom displays: what each shows for the values the main window
// hands on, read back from the pane's picture and compared with the skin's own bitmaps; and
// which display panes drag the main window.
#include <gtest/gtest.h>

#include <QTest>
#include <limits>

#include "display_test_support.h"
#include "displays/ostrel_sensor_graph.h"
#include "displays/ostrel_show_direction.h"
#include "displays/ostrel_show_speed.h"
#include "displays/recording_info_panes.h"
#include "displays/time_displays.h"
#include "displays/zoom_displays.h"
#include "platform/window_messages.h"

namespace moksel {
namespace {

using Digits = std::vector<std::pair<int, int>>;  // (x, digit)

// The digit pictures the gauge shows, by position.
Digits digitsShown(const QImage& shown) {
    Digits found;
    for (int x : {29, 34, 39, 44, 49})
        for (int d = 0; d <= 9; ++d)
            if (shown.copy(x, 24, 10, 17) == skinPicture(210 + d)) found.emplace_back(x, d);
    return found;
}

bool unitShown(const QImage& shown, int bitmap) { return shown.copy(29, 45, 27, 11) == skinPicture(bitmap); }

TEST(SpeedDisplay, DigitsStayCentredWithoutLeadingZerosInKmhOrMph) {
    ParentWindow parent;
    auto* speed = placePane<OstrelShowSpeed>(parent, {515, 434});
    EXPECT_EQ(speed->size(), QSize(84, 74));
    for (auto [kmh, digits] : {std::pair{7u, Digits{{39, 7}}}, std::pair{45u, Digits{{34, 4}, {44, 5}}},
                               std::pair{120u, Digits{{29, 1}, {39, 2}, {49, 0}}},
                               std::pair{0u, Digits{{39, 0}}},
                               std::pair{4321u, Digits{{29, 9}, {39, 9}, {49, 9}}}}) {  // 999 at most
        speed->send(UM_SPEED, kmh, 0);
        const QImage shown = picture(speed);
        EXPECT_EQ(digitsShown(shown), digits) << kmh;
        EXPECT_TRUE(unitShown(shown, 220)) << kmh;
        EXPECT_EQ(shown.pixelColor(20, 30), skinPicture(208).pixelColor(20, 30));
    }
    // The unit button: whole miles per hour, truncated; the stored speed stays in km/h.
    speed->send(UM_SPEED, 100, 0);
    speed->toggleUnit();
    EXPECT_EQ(digitsShown(picture(speed)), (Digits{{34, 6}, {44, 2}}));
    EXPECT_TRUE(unitShown(picture(speed), 209));
    speed->send(UM_SPEED, 1, 0);
    EXPECT_EQ(digitsShown(picture(speed)), (Digits{{39, 0}}));
    speed->toggleUnit();
    EXPECT_EQ(digitsShown(picture(speed)), (Digits{{39, 1}}));
    EXPECT_EQ(OstrelShowSpeed::shownSpeed(1607, true), 998u);
}

TEST(HeadingDisplay, SectorsIncludeTheirLowerBoundAndWrapRoundTheCircle) {
    for (auto [degrees, sector] : {std::pair{0.0, North}, {22.4999, North}, {22.5, NorthEast},
                                   {67.5, East}, {112.5, SouthEast}, {157.5, South},
                                   {202.5, SouthWest}, {247.5, West}, {292.5, NorthWest},
                                   {337.4, NorthWest}, {337.5, North}, {359.9, North}, {360.0, North},
                                   {450.0, East}, {-90.0, West}, {-0.1, North},
                                   {std::numeric_limits<double>::quiet_NaN(), North}}) {
        EXPECT_EQ(headingSector(degrees), sector) << degrees;
    }
}

TEST(HeadingDisplay, ShowsTheArrowOrTheWordPictureOfTheHeading) {
    ParentWindow parent;
    auto* heading = placePane<OstrelShowDIrection>(parent, {70, 442});
    EXPECT_EQ(picture(heading), skinPicture(293));  // north arrow at start
    double degrees = 90;
    heading->send(UM_HEADING, reinterpret_cast<WParam>(&degrees), 0);
    EXPECT_EQ(picture(heading), skinPicture(295));
    heading->toggleStyle();
    EXPECT_EQ(picture(heading), skinPicture(306));  // EAST
    degrees = 200;  // the value was copied when the message came
    EXPECT_EQ(picture(heading), skinPicture(306));
    const int words[8] = {308, 309, 306, 307, 304, 305, 311, 310};
    for (int s = 0; s < 8; ++s) {
        degrees = s * 45.0;
        heading->send(UM_HEADING, reinterpret_cast<WParam>(&degrees), 0);
        EXPECT_EQ(picture(heading), skinPicture(words[s])) << degrees;
    }
    heading->send(UM_HEADING, 0, 0);  // no address: nothing changes
    EXPECT_EQ(heading->headingDegrees(), 315.0);
}

TEST(TimeDisplays, MinutesAndSecondsOfTheTimeNeverPastTheLength) {
    EXPECT_EQ(minutesAndSeconds(59), "00:59");
    EXPECT_EQ(minutesAndSeconds(3725), "62:05");
    ParentWindow parent;
    auto* current = placePane<OstrelShowTime>(parent, {69, 544});
    auto* total = placePane<OstrelShowTotalTime>(parent, {526, 544});
    const QImage zero = picture(total);
    EXPECT_TRUE(hasInk(zero, QColor(0, 204, 255)));
    EXPECT_EQ(picture(current), zero);

    // The engine's report as it comes: 3730 s into a length of 3725 s shows 62:05 in both.
    current->send(UM_TIME, 3730, 3725);
    total->send(UM_TIME, 3730, 3725);
    EXPECT_EQ(current->currentSeconds(), 3725u);
    EXPECT_EQ(picture(current), picture(total));
    EXPECT_NE(picture(total), zero);

    // A length of 0 (or below) keeps the total; the current time shows 00:00.
    current->send(UM_TIME, 12, 0);
    total->send(UM_TIME, 12, 0);
    total->send(UM_TIME, 0, -5);
    EXPECT_EQ(total->totalSeconds(), 3725u);
    EXPECT_EQ(picture(current), zero);
}

TEST(ZoomDisplays, PercentOfTheViewAreaInTheColourOfEachCamerasSize) {
    EXPECT_EQ(zoomPercent(487, 311), 100);
    EXPECT_EQ(zoomPercent(1280, 720), 608);
    ParentWindow parent;
    auto* front = placePane<OstrelShowZoom>(parent, {449, 44});
    auto* rear = placePane<OstrelShowZoomRear>(parent, {744, 44});
    const QColor grey(222, 222, 222), cyan(0, 204, 255);
    const QImage normal = picture(front);
    EXPECT_TRUE(hasInk(normal, grey));
    EXPECT_FALSE(hasInk(normal, cyan));

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

TEST(DisplayPanes, SomeDragTheMainWindowAllSwallowEnterAndEscape) {
    ParentWindow parent;
    const std::vector<QWidget*> dragging = {
        placePane<OstrelShowSpeed>(parent, {515, 434}), placePane<OstrelShowDIrection>(parent, {70, 442}),
        placePane<OstrelSensorGraph>(parent, {142, 417}), placePane<OstrelFileInfo>(parent, {102, 608})};
    const std::vector<QWidget*> still = {
        placePane<OstrelShowTime>(parent, {69, 544}), placePane<OstrelShowZoom>(parent, {449, 44}),
        placePane<OstrelShowFileName>(parent, {228, 44}, std::function<QString()>())};
    for (QWidget* pane : dragging) QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(parent.leftPresses, 4);
    for (QWidget* pane : still) QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(parent.leftPresses, 4);
    for (QWidget* pane : dragging) QTest::keyClick(pane, Qt::Key_Escape);
    for (QWidget* pane : still) QTest::keyClick(pane, Qt::Key_Return);
    QTest::keyClick(still[0], Qt::Key_A);  // other keys go on
    EXPECT_EQ(parent.keysReached, std::vector<int>{Qt::Key_A});
}

}  // namespace
}  // namespace moksel
