// The skinned slider: clamping setters, the pixel/position mapping and its rounding, clicks,
// drags and releases with their notices in order, the marked stretch, and the list's vertical
// scroll bar reporting back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "controls/grp_scrl.h"
#include "controls/mul_div.h"
#include "controls/slider_messages.h"
#include "recording_window.h"

namespace moksel {
namespace {

WParam u(int value) { return static_cast<WParam>(static_cast<unsigned>(value)); }

struct Fixture {
    RecordingWindow parent;
    GrpScrl* slider;
    Fixture(int slot, QSize size, bool horizontal = true) {
        parent.resize(600, 400);
        if (slot >= 0) setSliderParentSlot(slot, &parent);
        slider = new GrpScrl(&parent, QRect(QPoint(0, 0), size), horizontal);
        parent.show();
        parent.log.clear();
    }
    ~Fixture() { releaseSliderParentSlots(&parent); }
    void setRange(int lo, int hi) { slider->send(GSM_SETRANGE, u(lo), hi); }
    int get(unsigned number) { return static_cast<int>(slider->send(number, 0, 0)); }
};

TEST(MulDiv, RoundsHalvesAwayFromZeroAndFailsOnZeroDivisor) {
    EXPECT_EQ(mulDiv(50, 100, 101), 50);  // 49.50 rounds up
    EXPECT_EQ(mulDiv(1, 1, 2), 1);
    EXPECT_EQ(mulDiv(-1, 1, 2), -1);
    EXPECT_EQ(mulDiv(5, -3, 2), -8);
    EXPECT_EQ(mulDiv(-5, -3, 2), 8);
    EXPECT_EQ(mulDiv(1, 1, 3), 0);
    EXPECT_EQ(mulDiv(2, 1, 3), 1);
    EXPECT_EQ(mulDiv(7, 0, 3), 0);
    EXPECT_EQ(mulDiv(7, 3, 0), -1);
    // The product does not overflow in between, the result must fit.
    EXPECT_EQ(mulDiv(2000000000, 2000000000, 1000000000), -1);
    EXPECT_EQ(mulDiv(2000000000, 3, 4), 1500000000);
}

TEST(Slider, LookAndThumbFollowTheParentTable) {
    for (int slot : {kSpeedPaneSlot, kVolumePaneSlot, kBrightnessPaneSlot, kContrastPaneSlot}) {
        Fixture f(slot, QSize(109, 8));
        EXPECT_EQ(f.slider->look(), SliderLook::Short) << slot;
        EXPECT_EQ(f.get(GSM_GETTHUMB), 8);
    }
    for (int slot : {int(kPositionPaneSlot), int(kEnlargedPositionPaneSlot), -1}) {
        Fixture f(slot, QSize(373, 16));
        EXPECT_EQ(f.slider->look(), SliderLook::Long) << slot;
        EXPECT_EQ(f.get(GSM_GETTHUMB), 16);
    }
    Fixture vertical(kSpeedPaneSlot, QSize(14, 215), false);
    EXPECT_EQ(vertical.slider->look(), SliderLook::Vertical);
    EXPECT_EQ(vertical.get(GSM_GETTHUMB), 35);
    EXPECT_EQ(vertical.get(GSM_GETMARGIN), 0);
}

TEST(Slider, SettersClamp) {
    Fixture f(kVolumePaneSlot, QSize(109, 8));
    f.setRange(0, 100);
    EXPECT_EQ(f.get(GSM_GETMIN), 0);
    EXPECT_EQ(f.get(GSM_GETMAX), 100);
    f.slider->send(GSM_SETPOS, 250, 0);
    EXPECT_EQ(f.get(GSM_GETPOS), 100);
    f.slider->send(GSM_SETPOS, u(-3), 0);
    EXPECT_EQ(f.get(GSM_GETPOS), 0);
    f.slider->send(GSM_SETPOS, 77, 0);
    EXPECT_EQ(f.get(GSM_GETPOS), 77);
    // A new range leaves the position alone.
    f.setRange(0, 10);
    EXPECT_EQ(f.get(GSM_GETPOS), 77);

    f.slider->send(GSM_SETTHUMB, 2, 0);
    EXPECT_EQ(f.get(GSM_GETTHUMB), 4);
    f.slider->send(GSM_SETTHUMB, 500, 0);
    EXPECT_EQ(f.get(GSM_GETTHUMB), 99);

    f.slider->send(GSM_SETMARGIN, 3, 0);
    EXPECT_EQ(f.get(GSM_GETMARGIN), 2);  // 8 / 2 - 2
    f.slider->send(GSM_SETMARGIN, u(-1), 0);
    EXPECT_EQ(f.get(GSM_GETMARGIN), 0);

    Fixture vertical(-1, QSize(14, 215), false);
    vertical.slider->send(GSM_SETMARGIN, 9, 0);
    EXPECT_EQ(vertical.get(GSM_GETMARGIN), 5);
    vertical.slider->send(GSM_SETMARGIN, 3, 0);
    EXPECT_EQ(vertical.get(GSM_GETMARGIN), 3);
    vertical.setRange(0, 40);
    EXPECT_EQ(vertical.slider->thumbRect(), QRect(QPoint(3, 0), QPoint(10, 34)));

    // None of the setters tells a horizontal slider's parent anything.
    EXPECT_TRUE(f.parent.log.empty());
}

TEST(Slider, ResizeReappliesTheThumbAndMarginLimits) {
    Fixture f(-1, QSize(373, 16));
    f.slider->send(GSM_SETMARGIN, 6, 0);
    f.slider->resize(12, 6);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.get(GSM_GETTHUMB), 4);   // 12 - 10 is below the floor of 4
    EXPECT_EQ(f.get(GSM_GETMARGIN), 1);  // 6 / 2 - 2
}

TEST(Slider, MappingRoundsToTheNearestPosition) {
    Fixture f(-1, QSize(373, 16));
    f.setRange(0, 600);
    // Track minus thumb is 357 pixels for 600 positions.
    EXPECT_EQ(f.slider->positionFromPixel(100), 168);  // 168.07
    EXPECT_EQ(f.slider->positionFromPixel(3), 5);      // 5.04
    EXPECT_EQ(f.slider->positionFromPixel(1), 2);      // 1.68
    EXPECT_EQ(f.slider->positionFromPixel(-40), 0);
    EXPECT_EQ(f.slider->positionFromPixel(900), 600);
    // GSM_PIXELTOPOS maps the column under the thumb's centre and changes nothing.
    EXPECT_EQ(f.slider->send(GSM_PIXELTOPOS, 108, 0), 168);
    EXPECT_EQ(f.get(GSM_GETPOS), 0);

    f.slider->send(GSM_SETPOS, 300, 0);
    EXPECT_EQ(f.slider->thumbStart(), 179);  // 178.5 rounds away from zero
    EXPECT_EQ(f.slider->thumbRect(), QRect(179, 0, 16, 16));
    f.slider->send(GSM_SETPOS, 600, 0);
    EXPECT_EQ(f.slider->thumbRect().right(), 372);
}

TEST(Slider, ClickOnTheTrackMovesAndNotifiesOnce) {
    Fixture f(kSpeedPaneSlot, QSize(109, 8));
    f.setRange(0, 100);
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, QPoint(54, 4));
    EXPECT_EQ(f.get(GSM_GETPOS), 50);  // (54 - 4) x 100 / 101 = 49.5
    ASSERT_EQ(f.parent.log.size(), 1u);
    const auto& notice = f.parent.log[0];
    EXPECT_EQ(notice.number, GSM_NOTIFY_HSCROLL);
    EXPECT_EQ(scrollCode(notice.wParam), GSM_SB_THUMBPOSITION);
    EXPECT_EQ(scrollPosition(notice.wParam), 50);
    EXPECT_EQ(notice.lParam, reinterpret_cast<LParam>(f.slider));
    EXPECT_EQ(f.parent.count(UM_SEEK_DRAG), 0);
    EXPECT_FALSE(f.slider->hasCapture());

    // Right button does nothing.
    f.parent.log.clear();
    QTest::mouseClick(f.slider, Qt::RightButton, {}, QPoint(100, 4));
    EXPECT_TRUE(f.parent.log.empty());
    EXPECT_EQ(f.get(GSM_GETPOS), 50);
}

TEST(Slider, DragNotifiesEveryMoveAndEndsAfterTheLastPosition) {
    Fixture f(kPositionPaneSlot, QSize(373, 16));
    f.setRange(0, 1000);
    // A press on the thumb (0..15) grabs it without a notice.
    QTest::mousePress(f.slider, Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_TRUE(f.slider->hasCapture());
    EXPECT_TRUE(f.parent.log.empty());
    EXPECT_EQ(f.get(GSM_GETPOS), 0);

    QTest::mouseMove(f.slider, QPoint(105, 8));
    QTest::mouseMove(f.slider, QPoint(500, 8));  // beyond the end: clamped
    QTest::mouseRelease(f.slider, Qt::LeftButton, {}, QPoint(500, 8));
    EXPECT_FALSE(f.slider->hasCapture());

    const std::vector<unsigned> expected = {UM_SEEK_DRAG, GSM_NOTIFY_HSCROLL, UM_SEEK_DRAG,
                                            GSM_NOTIFY_HSCROLL, GSM_NOTIFY_HSCROLL,
                                            UM_SEEK_DRAG_END};
    ASSERT_EQ(f.parent.numbers(), expected);
    // The grab offset keeps the thumb where it was taken: pixel 105 - 5 = 100 -> 280.1.
    EXPECT_EQ(scrollPosition(f.parent.log[1].wParam), 280);
    EXPECT_EQ(scrollPosition(f.parent.log[3].wParam), 1000);
    EXPECT_EQ(scrollPosition(f.parent.log[4].wParam), 1000);
    EXPECT_EQ(f.get(GSM_GETPOS), 1000);

    // Without the capture, moves and releases are ignored.
    f.parent.log.clear();
    QTest::mouseMove(f.slider, QPoint(10, 8));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(10, 8), f.slider->mapToGlobal(QPointF(10, 8)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f.slider, &release);
    EXPECT_TRUE(f.parent.log.empty());
    EXPECT_EQ(f.get(GSM_GETPOS), 1000);
}

TEST(Slider, SetPositionFromPixelNotifiesOnlyOnHorizontalSliders) {
    Fixture f(kPositionPaneSlot, QSize(373, 16));
    f.setRange(0, 600);
    f.slider->send(GSM_SETPOSFROMPIXEL, 108, 0);
    EXPECT_EQ(f.get(GSM_GETPOS), 168);
    ASSERT_EQ(f.parent.numbers(), std::vector<unsigned>{GSM_NOTIFY_HSCROLL});
    EXPECT_EQ(scrollPosition(f.parent.log[0].wParam), 168);

    Fixture v(-1, QSize(14, 215), false);
    v.setRange(0, 40);
    v.parent.log.clear();
    v.slider->send(GSM_SETPOSFROMPIXEL, 100, 0);
    EXPECT_EQ(v.get(GSM_GETPOS), 0);
    EXPECT_TRUE(v.parent.log.empty());
}

TEST(Slider, ZeroWidthRangeNeverFaults) {
    Fixture f(kPositionPaneSlot, QSize(373, 16));
    EXPECT_EQ(f.get(GSM_GETMAX), 0);
    EXPECT_EQ(f.slider->thumbStart(), -1);
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, QPoint(200, 8));
    EXPECT_EQ(f.get(GSM_GETPOS), 0);
    ASSERT_EQ(f.parent.log.size(), 1u);
    EXPECT_EQ(scrollPosition(f.parent.log[0].wParam), 0);
    EXPECT_EQ(f.slider->send(GSM_PIXELTOPOS, 300, 0), 0);
    // A press on the thumb drawn at the start still grabs it.
    f.parent.log.clear();
    QTest::mousePress(f.slider, Qt::LeftButton, {}, QPoint(3, 8));
    QTest::mouseMove(f.slider, QPoint(90, 8));
    QTest::mouseRelease(f.slider, Qt::LeftButton, {}, QPoint(90, 8));
    EXPECT_EQ(f.parent.count(UM_SEEK_DRAG_END), 1);
    EXPECT_EQ(f.get(GSM_GETPOS), 0);
    // With max 0 the mark draws nothing; the thumb paints at the start.
    f.slider->send(GSM_SETMARK, 50, 0);
    for (const auto& piece : f.slider->trackPieces()) EXPECT_NE(piece.bitmap, 325);
    EXPECT_FALSE(f.slider->grab().isNull());
    f.slider->send(GSM_SETMARK, 0, 0);
}

std::vector<int> bitmapsOf(const GrpScrl& slider) {
    std::vector<int> numbers;
    for (const auto& piece : slider.trackPieces()) numbers.push_back(piece.bitmap);
    return numbers;
}

TEST(Slider, MarkedStretchRunsFromTheMarkToTheThumbCentre) {
    Fixture f(kPositionPaneSlot, QSize(373, 16));
    f.setRange(0, 1000);
    f.slider->send(GSM_SETPOS, 500, 0);  // thumb 179..194, centre 187
    f.slider->send(GSM_SETMARK, 0, 0);
    EXPECT_EQ(bitmapsOf(*f.slider), (std::vector<int>{137, 135}));
    const QImage plain = f.slider->grab().toImage();

    f.slider->send(GSM_SETMARK, 100, 0);  // column 373 x 100 / 1000 = 37
    EXPECT_EQ(f.parent.log.size(), 0u);
    const auto pieces = f.slider->trackPieces();
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].bitmap, 137);
    EXPECT_EQ(pieces[0].toColumn, 187);
    EXPECT_EQ(pieces[1].bitmap, 325);
    EXPECT_EQ(pieces[1].fromColumn, 37);
    EXPECT_EQ(pieces[2].bitmap, 135);
    EXPECT_EQ(pieces[2].fromColumn, 187);
    const QImage marked = f.slider->grab().toImage();
    EXPECT_EQ(marked.pixel(20, 8), plain.pixel(20, 8));    // before the mark
    EXPECT_NE(marked.pixel(100, 8), plain.pixel(100, 8));  // inside the stretch
    EXPECT_EQ(marked.pixel(300, 8), plain.pixel(300, 8));  // after the thumb

    // The mark is shared: another long slider shows it too.
    Fixture other(kEnlargedPositionPaneSlot, QSize(373, 16));
    other.setRange(0, 1000);
    other.slider->send(GSM_SETPOS, 1000, 0);
    EXPECT_EQ(bitmapsOf(*other.slider), (std::vector<int>{137, 325, 135}));

    f.slider->send(GSM_SETMARK, 700, 0);  // past the thumb's centre
    EXPECT_EQ(bitmapsOf(*f.slider), (std::vector<int>{137, 135}));
    f.slider->send(GSM_SETMARK, 0, 0);
}

TEST(Slider, ShortLookSplitsAtTheThumbCentreAndNeverShowsTheMark) {
    Fixture f(kContrastPaneSlot, QSize(109, 8));
    f.setRange(0, 100);
    f.slider->send(GSM_SETPOS, 50, 0);
    f.slider->send(GSM_SETMARK, 10, 0);
    const auto pieces = f.slider->trackPieces();
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].bitmap, 224);
    EXPECT_EQ(pieces[0].toColumn, 55);  // thumb 51..58
    EXPECT_EQ(pieces[1].bitmap, 223);
    f.slider->send(GSM_SETMARK, 0, 0);
}

TEST(Slider, VerticalSliderReportsEveryPositionBack) {
    RecordingWindow mainWindow;
    mainWindow.resize(400, 300);
    auto* list = new RecordingWindow(&mainWindow);
    list->resize(344, 260);
    auto* slider = new GrpScrl(list, QRect(330, 31, 14, 215), false);
    mainWindow.show();
    slider->send(GSM_SETRANGE, 0, 30);
    EXPECT_EQ(mainWindow.count(UM_IS_MAP_SHOWN), 1);  // asked before repainting

    list->log.clear();
    slider->send(GSM_SETPOS, 45, 0);
    ASSERT_EQ(list->numbers(), std::vector<unsigned>{GSM_NOTIFY_VSCROLL});
    EXPECT_EQ(scrollPosition(list->log[0].wParam), 30);
    EXPECT_EQ(list->log[0].lParam, reinterpret_cast<LParam>(slider));

    // Covered by the map, the report still comes.
    mainWindow.mapShownAnswer = 1;
    list->log.clear();
    slider->send(GSM_SETPOS, u(-2), 0);
    ASSERT_EQ(list->log.size(), 1u);
    EXPECT_EQ(scrollPosition(list->log[0].wParam), 0);
    mainWindow.mapShownAnswer = 0;

    // A click maps the row under the pointer: (100 - 17) x 30 / 180 = 13.8.
    list->log.clear();
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(7, 100));
    EXPECT_EQ(slider->send(GSM_GETPOS, 0, 0), 14);
    ASSERT_EQ(list->numbers(), std::vector<unsigned>{GSM_NOTIFY_VSCROLL});
    EXPECT_EQ(scrollPosition(list->log[0].wParam), 14);
}

}  // namespace
}  // namespace moksel
