// OstrelRepeatPointer: the A-B repeat markers, a 373 x 20 strip just above the position bar
// (at (142, 481) of the main window). The user drags marker A and marker B along the strip; A
// stays left of B and both stay inside the strip. The strip lies one pixel right of the position
// bar and is as wide, so a marker's centre column is read as a column of the position slider.
//
// Messages answered (from the main window):
//   UM_GET_MARKER_A -> centre column of marker A, (left + right) / 2
//   UM_GET_MARKER_B -> centre column of marker B
// Messages sent to the parent (the main window):
//   UM_REPEAT_OFF when the user grabs either marker: a marker being moved ends the repeat, and
//   the new place of B counts from the next time repeat is switched on.
//
// The markers keep their places across recordings.
//
// Thread contract: UI thread only.
#pragma once

#include <QPixmap>
#include <QPoint>

#include "platform/window.h"

namespace moksel {

class OstrelRepeatPointer : public Window<QWidget> {
public:
    static constexpr int kWidth = 373;
    static constexpr int kHeight = 20;
    static constexpr int kMarkerWidth = 16;
    static constexpr int kMarkerTop = 4;
    // Marker B's right edge may be dragged to this column at most (it starts one further right).
    static constexpr int kRightmostEdge = kWidth - 1;

    // A marker's rectangle in pane pixels; right and bottom are exclusive.
    struct Marker {
        int left;
        int top;
        int right;
        int bottom;
        bool contains(QPoint point) const {
            return point.x() >= left && point.x() < right && point.y() >= top && point.y() < bottom;
        }
        int centre() const { return (left + right) / 2; }
    };

    explicit OstrelRepeatPointer(QWidget* parent = nullptr);

    const Marker& markerA() const { return markerA_; }
    const Marker& markerB() const { return markerB_; }
    bool draggingA() const { return draggingA_; }
    bool draggingB() const { return draggingB_; }

    // Puts marker A (or B) with its left edge at `left`, as grabbing and dragging it there does:
    // the repeat ends (UM_REPEAT_OFF) and the marker stops at the other marker and at the
    // strip's ends.
    void placeMarker(bool markerB, int left);

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static const MessageMap<OstrelRepeatPointer>& messageMap();
    LResult onGetMarkerA(WParam, LParam) { return markerA_.centre(); }
    LResult onGetMarkerB(WParam, LParam) { return markerB_.centre(); }

    void sendRepeatOff();
    static void moveMarkerTo(Marker& marker, int left);

    Marker markerA_{0, kMarkerTop, kMarkerWidth, kHeight};
    Marker markerB_{kWidth - kMarkerWidth, kMarkerTop, kWidth, kHeight};
    int grabOffset_ = 0;  // pointer column minus the grabbed marker's left edge
    bool draggingA_ = false;
    bool draggingB_ = false;
    QPixmap strip_;   // 289, the top 373 x 20 is drawn
    QPixmap marker_;  // 288, the top-left 16 x 16 is drawn per marker
};

}  // namespace moksel
