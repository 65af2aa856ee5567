#include "controls/repeat_pointer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "platform/window_messages.h"
#include "platform/skin.h"
#include "platform/skin_dialog.h"

namespace moksel {
namespace {

constexpr int kStripBitmap = 289;
constexpr int kMarkerBitmap = 288;

}  // namespace

OstrelRepeatPointer::OstrelRepeatPointer(QWidget* parent)
    : Window<QWidget>(parent),
      strip_(skinBitmap(kStripBitmap)),
      marker_(skinBitmap(kMarkerBitmap)) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A drag also follows moves made with only a modifier key held.
    setMouseTracking(true);
}

const MessageMap<OstrelRepeatPointer>& OstrelRepeatPointer::messageMap() {
    static const MessageMap<OstrelRepeatPointer> map = {
        {UM_GET_MARKER_A, &OstrelRepeatPointer::onGetMarkerA},
        {UM_GET_MARKER_B, &OstrelRepeatPointer::onGetMarkerB},
    };
    return map;
}

LResult OstrelRepeatPointer::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

void OstrelRepeatPointer::sendRepeatOff() {
    if (auto* owner = dynamic_cast<MessageTarget*>(parentWidget()))
        owner->send(UM_REPEAT_OFF, 0, 0);
}

void OstrelRepeatPointer::moveMarkerTo(Marker& marker, int left) {
    marker.right = left + (marker.right - marker.left);
    marker.left = left;
}

void OstrelRepeatPointer::placeMarker(bool markerB, int left) {
    sendRepeatOff();
    if (markerB) {
        const int rightmost = std::max(kRightmostEdge - kMarkerWidth, markerB_.left);
        moveMarkerTo(markerB_, std::clamp(left, markerA_.right, rightmost));
    } else {
        moveMarkerTo(markerA_, std::clamp(left, 0, markerB_.left - kMarkerWidth));
    }
    repaint(0, 0, kWidth, kHeight);
}

void OstrelRepeatPointer::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    const QPoint point = event->position().toPoint();
    if (markerA_.contains(point)) {
        draggingA_ = true;
        grabOffset_ = point.x() - markerA_.left;
        sendRepeatOff();
    } else if (markerB_.contains(point)) {
        draggingB_ = true;
        grabOffset_ = point.x() - markerB_.left;
        sendRepeatOff();
    }
    // Qt keeps the mouse with this pane until the button is released.
}

void OstrelRepeatPointer::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const QPoint point = event->position().toPoint();
    const bool keyDown = event->buttons() != Qt::NoButton ||
                         (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) != 0;
    if (keyDown && (draggingA_ || draggingB_)) {
        // The grabbed marker follows the pointer up to its limits and waits there: A between the
        // strip's left end and B, B between A and the strip's right end.
        const int wanted = point.x() - grabOffset_;
        if (draggingA_) {
            moveMarkerTo(markerA_, std::clamp(wanted, 0, markerB_.left - kMarkerWidth));
        } else {
            // B's starting place lies one column past the dragging limit; it is kept until B
            // is moved left.
            const int rightmost = std::max(kRightmostEdge - kMarkerWidth, markerB_.left);
            moveMarkerTo(markerB_, std::clamp(wanted, markerA_.right, rightmost));
        }
        repaint(0, 0, kWidth, kHeight);
    }
}

void OstrelRepeatPointer::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    if (draggingA_) {
        draggingA_ = false;
    } else {
        draggingB_ = false;
    }
}

void OstrelRepeatPointer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (strip_.isNull()) {
        painter.fillRect(rect(), QColor(37, 37, 37));
    } else {
        painter.drawPixmap(QRect(0, 0, kWidth, kHeight), strip_, QRect(0, 0, kWidth, kHeight));
    }
    for (const Marker& marker : {markerA_, markerB_}) {
        const QRect place(marker.left, marker.top, marker.right - marker.left,
                          marker.bottom - marker.top);
        if (marker_.isNull()) {
            painter.fillRect(place, QColor(0, 204, 255));
        } else {
            painter.drawPixmap(place, marker_, QRect(QPoint(0, 0), place.size()));
        }
    }
}

void OstrelRepeatPointer::keyPressEvent(QKeyEvent* event) {
    if (isSwallowedDialogKey(event->key())) {
        event->accept();
        return;
    }
    Window<QWidget>::keyPressEvent(event);
}

}  // namespace moksel
