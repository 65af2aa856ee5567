// The A-B repeat markers: the places the main window reads, grabbing a marker ending the repeat,
// the limits of a drag, and moves that do not drag.
#include "controls/repeat_pointer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "platform/skin.h"
#include "recording_window.h"

namespace moksel {
namespace {

class RepeatPointer : public ::testing::Test {
protected:
    RepeatPointer() : pane(new OstrelRepeatPointer(&main)) {
        main.resize(1024, 768);
        pane->move(142, 481);
        main.show();
    }

    void mouse(QEvent::Type type, int x, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers keys = Qt::NoModifier, int y = 12) {
        const QPointF at(x, y);
        QMouseEvent event(type, at, pane->mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, keys);
        QCoreApplication::sendEvent(pane, &event);
    }
    // Grabs the marker at column `from`, drags it to `to` in steps of `step` and lets go.
    void drag(int from, int to, int step = 7) {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        int x = from;
        while (x != to) {
            x = to > x ? std::min(to, x + step) : std::max(to, x - step);
            mouse(QEvent::MouseMove, x, Qt::LeftButton);
        }
        mouse(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
    LResult markerA() { return pane->send(UM_GET_MARKER_A, 0, 0); }
    LResult markerB() { return pane->send(UM_GET_MARKER_B, 0, 0); }

    RecordingWindow main;
    OstrelRepeatPointer* pane;
};

TEST_F(RepeatPointer, StartsAtBothEndsAndPaintsTheStripAndTheMarkers) {
    EXPECT_EQ(pane->size(), QSize(373, 20));
    EXPECT_EQ(markerA(), 8);    // (0 + 16) / 2
    EXPECT_EQ(markerB(), 365);  // (357 + 373) / 2
    if (!hasSkinBitmap(288) || !hasSkinBitmap(289)) GTEST_SKIP() << "no skin in this build";
    const QImage shown = pane->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage strip = skinImage(289).convertToFormat(QImage::Format_RGB32);
    const QImage marker = skinImage(288).convertToFormat(QImage::Format_RGB32).copy(0, 0, 16, 16);
    EXPECT_EQ(shown.copy(0, 4, 16, 16), marker);
    EXPECT_EQ(shown.copy(357, 4, 16, 16), marker);
    EXPECT_EQ(shown.copy(16, 0, 341, 20), strip.copy(16, 0, 341, 20));
    EXPECT_EQ(shown.copy(0, 0, 373, 4), strip.copy(0, 0, 373, 4));

    // A moved marker is drawn at its new place at once.
    drag(8, 108);
    const QImage moved = pane->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(moved.copy(100, 4, 16, 16), marker);
    EXPECT_EQ(moved.copy(0, 4, 16, 16), strip.copy(0, 4, 16, 16));
}

TEST_F(RepeatPointer, GrabbingAMarkerEndsTheRepeatAndOtherPressesDoNot) {
    mouse(QEvent::MouseButtonPress, 200, Qt::LeftButton);  // between the markers
    mouse(QEvent::MouseButtonRelease, 200, Qt::NoButton);
    mouse(QEvent::MouseButtonPress, 8, Qt::LeftButton, Qt::NoModifier, 2);  // above marker A
    mouse(QEvent::MouseButtonRelease, 8, Qt::NoButton);
    mouse(QEvent::MouseButtonPress, 16, Qt::LeftButton);  // A's right edge is outside it
    mouse(QEvent::MouseButtonRelease, 16, Qt::NoButton);
    EXPECT_EQ(main.count(UM_REPEAT_OFF), 0);
    EXPECT_FALSE(pane->draggingA() || pane->draggingB());

    mouse(QEvent::MouseButtonPress, 15, Qt::LeftButton);
    EXPECT_TRUE(pane->draggingA());
    EXPECT_EQ(main.count(UM_REPEAT_OFF), 1);
    mouse(QEvent::MouseButtonRelease, 15, Qt::NoButton);
    EXPECT_FALSE(pane->draggingA());
    mouse(QEvent::MouseButtonPress, 357, Qt::LeftButton);
    EXPECT_TRUE(pane->draggingB());
    EXPECT_EQ(main.count(UM_REPEAT_OFF), 2);
    mouse(QEvent::MouseButtonRelease, 357, Qt::NoButton);
    EXPECT_FALSE(pane->draggingB());
}

TEST_F(RepeatPointer, DragsStopAtTheOtherMarkerAndAtTheStripEnds) {
    // A dragged right stops with its right edge on B's left edge, however fast the pointer went.
    drag(8, 500, 40);
    EXPECT_EQ(pane->markerA().right, pane->markerB().left);
    EXPECT_EQ(pane->markerA().right, 357);
    // Back left to the strip's start: the marker follows the pointer, not its overshoot.
    drag(349, 8 - 50, 30);
    EXPECT_EQ(pane->markerA().left, 0);
    EXPECT_EQ(markerA(), 8);

    // B's start place is kept while it is pushed right; dragged left it stops at A.
    drag(365, 400);
    EXPECT_EQ(pane->markerB().right, 373);
    drag(365, 20, 25);
    EXPECT_EQ(pane->markerB().left, pane->markerA().right);
    EXPECT_EQ(pane->markerB().left, 16);
    // Dragged to the far right it stops with its right edge at 372.
    drag(24, 700, 50);
    EXPECT_EQ(pane->markerB().right, 372);
    EXPECT_EQ(pane->markerB().left, 356);
    EXPECT_EQ(markerB(), 364);

    // Both keep their width and their height on the strip.
    for (const auto& m : {pane->markerA(), pane->markerB()}) {
        EXPECT_EQ(m.right - m.left, 16);
        EXPECT_EQ(m.top, 4);
        EXPECT_EQ(m.bottom, 20);
    }
}

TEST_F(RepeatPointer, MovesWithoutAButtonOrKeyDoNotDrag) {
    mouse(QEvent::MouseButtonPress, 8, Qt::LeftButton);
    ASSERT_TRUE(pane->draggingA());
    mouse(QEvent::MouseMove, 60, Qt::NoButton);
    EXPECT_EQ(pane->markerA().left, 0);
    // A move with Shift held counts as a drag.
    mouse(QEvent::MouseMove, 60, Qt::NoButton, Qt::ShiftModifier);
    EXPECT_EQ(pane->markerA().left, 52);
    mouse(QEvent::MouseButtonRelease, 60, Qt::NoButton);
    // Once released, nothing follows the pointer.
    mouse(QEvent::MouseMove, 200, Qt::LeftButton);
    EXPECT_EQ(pane->markerA().left, 52);
    EXPECT_EQ(pane->markerB().left, 357);
}

}  // namespace
}  // namespace moksel
