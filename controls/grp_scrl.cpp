#include "controls/grp_scrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <algorithm>
#include <array>
#include <cstdint>

#include "controls/mul_div.h"
#include "controls/slider_messages.h"
#include "platform/window_messages.h"
#include "platform/skin.h"

namespace moksel {
namespace {

std::array<const QWidget*, kSliderParentSlotCount>& parentTable() {
    static std::array<const QWidget*, kSliderParentSlotCount> table{};
    return table;
}

int word(WParam w) { return static_cast<int>(static_cast<std::uint32_t>(w)); }
int word(LParam l) { return static_cast<int>(static_cast<std::uint32_t>(l)); }

// Skin bitmaps of the three looks.
constexpr int kLongLeftOfThumb = 137;
constexpr int kLongRightOfThumb = 135;
constexpr int kLongMarked = 325;
constexpr int kLongThumb = 136;
constexpr int kShortLeftOfThumb = 224;
constexpr int kShortRightOfThumb = 223;
constexpr int kShortThumb = 225;
constexpr int kVerticalTrack = 132;
constexpr int kVerticalThumb = 133;

// Plain colours standing in for bitmaps the skin does not have.
QColor fallbackColour(int bitmap) {
    switch (bitmap) {
        case kLongLeftOfThumb:
        case kShortLeftOfThumb:
            return QColor(0, 150, 190);
        case kLongMarked:
            return QColor(220, 130, 20);
        case kLongThumb:
        case kShortThumb:
        case kVerticalThumb:
            return QColor(222, 222, 222);
        default:
            return QColor(60, 60, 60);
    }
}

// Copies the part `source` (in nominal pixels) of `bitmap` to `target` at the same size.
void copyBitmap(QPainter& painter, QPoint target, const QPixmap& bitmap, QRect source) {
    if (source.width() <= 0 || source.height() <= 0 || bitmap.isNull()) return;
    const qreal ratio = bitmap.devicePixelRatio();
    const QRectF from(source.x() * ratio, source.y() * ratio, source.width() * ratio,
                      source.height() * ratio);
    painter.drawPixmap(QRectF(target, source.size()), bitmap, from);
}

// The thumb bitmap with its transparent colour cut out, made once per look.
QPixmap keyedThumb(int bitmap, QColor transparent) {
    QPixmap pixmap = skinBitmap(bitmap);
    if (pixmap.isNull()) return pixmap;
    pixmap.setMask(pixmap.createMaskFromColor(transparent, Qt::MaskInColor));
    return pixmap;
}

}  // namespace

void setSliderParentSlot(int slot, const QWidget* pane) {
    if (slot >= 0 && slot < kSliderParentSlotCount) parentTable()[slot] = pane;
}

void releaseSliderParentSlots(const QWidget* pane) {
    for (const QWidget*& entry : parentTable()) {
        if (entry == pane) entry = nullptr;
    }
}

int findSliderParentSlot(const QWidget* pane) {
    if (pane == nullptr) return -1;
    const auto& table = parentTable();
    for (int slot = 0; slot < kSliderParentSlotCount; ++slot) {
        if (table[slot] == pane) return slot;
    }
    return -1;
}

int GrpScrl::grabOffset_ = 0;
int GrpScrl::mark_ = 0;

GrpScrl::GrpScrl(QWidget* parent, QRect geometry, bool horizontal, int controlId)
    : Window<QWidget>(parent), horizontal_(horizontal), controlId_(controlId) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    setGeometry(geometry);
    switch (look()) {
        case SliderLook::Long:
            thumb_ = 16;
            break;
        case SliderLook::Short:
            thumb_ = 8;
            break;
        case SliderLook::Vertical:
            thumb_ = 35;
            break;
    }
    show();
}

SliderLook GrpScrl::look() const {
    if (!horizontal_) return SliderLook::Vertical;
    const int slot = findSliderParentSlot(parentWidget());
    return slot >= kSpeedPaneSlot && slot <= kContrastPaneSlot ? SliderLook::Short
                                                               : SliderLook::Long;
}

int GrpScrl::trackLength() const { return horizontal_ ? width() : height(); }
int GrpScrl::crossSize() const { return horizontal_ ? height() : width(); }

int GrpScrl::positionFromPixel(int pixel) const {
    int position = mulDiv(pixel, max_ - min_, trackLength() - thumb_);
    if (position > max_) position = max_;
    if (position < min_) position = min_;
    return position;
}

int GrpScrl::thumbStart() const { return mulDiv(pos_, trackLength() - thumb_, max_ - min_); }

QRect GrpScrl::thumbRect() const {
    const int s = thumbStart();
    if (horizontal_) return QRect(QPoint(s, margin_), QPoint(s + thumb_ - 1, height() - margin_ - 1));
    return QRect(QPoint(margin_, s), QPoint(width() - margin_ - 1, s + thumb_ - 1));
}

const MessageMap<GrpScrl>& GrpScrl::messageMap() {
    static const MessageMap<GrpScrl> map = {
        {GSM_SETRANGE, &GrpScrl::onSetRange},
        {GSM_GETMAX, &GrpScrl::onGetMax},
        {GSM_GETMIN, &GrpScrl::onGetMin},
        {GSM_SETPOS, &GrpScrl::onSetPos},
        {GSM_GETPOS, &GrpScrl::onGetPos},
        {GSM_SETTHUMB, &GrpScrl::onSetThumb},
        {GSM_GETTHUMB, &GrpScrl::onGetThumb},
        {GSM_SETMARGIN, &GrpScrl::onSetMargin},
        {GSM_GETMARGIN, &GrpScrl::onGetMargin},
        {GSM_SETPOSFROMPIXEL, &GrpScrl::onSetPosFromPixel},
        {GSM_PIXELTOPOS, &GrpScrl::onPixelToPos},
        {GSM_SETMARK, &GrpScrl::onSetMark},
    };
    return map;
}

LResult GrpScrl::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

LResult GrpScrl::onSetRange(WParam w, LParam l) {
    // The position is left as it is; the next setter or click brings it into the new range.
    min_ = word(w);
    max_ = word(l);
    if (horizontal_ || !mapCoversParent()) update();
    return 0;
}

LResult GrpScrl::onSetPos(WParam w, LParam) {
    int position = word(w);
    if (position > max_) position = max_;
    if (position < min_) position = min_;
    pos_ = position;
    if (horizontal_) {
        update();
        return 0;
    }
    // The list's scroll bar reports its clamped position back, so the list takes its top row
    // from the slider whatever it asked for.
    if (!mapCoversParent()) update();
    notifyScroll();
    return 0;
}

LResult GrpScrl::onSetThumb(WParam w, LParam) {
    thumb_ = std::max(4, std::min(trackLength() - 10, word(w)));
    update();
    return 0;
}

LResult GrpScrl::onSetMargin(WParam w, LParam) {
    margin_ = std::max(0, std::min(crossSize() / 2 - 2, word(w)));
    update();
    return 0;
}

LResult GrpScrl::onSetPosFromPixel(WParam w, LParam) {
    if (!horizontal_) return 0;
    setPositionFromPixel(word(w) - thumb_ / 2);
    notifyScroll();
    return 0;
}

LResult GrpScrl::onPixelToPos(WParam w, LParam) { return positionFromPixel(word(w) - thumb_ / 2); }

LResult GrpScrl::onSetMark(WParam w, LParam) {
    mark_ = word(w);
    return 0;
}

void GrpScrl::setPositionFromPixel(int pixel) {
    pos_ = positionFromPixel(pixel);
    update();
}

LResult GrpScrl::sendToParent(unsigned number, WParam w, LParam l) {
    auto* parent = dynamic_cast<MessageTarget*>(parentWidget());
    return parent != nullptr ? parent->send(number, w, l) : 0;
}

void GrpScrl::notifyScroll() {
    sendToParent(horizontal_ ? GSM_NOTIFY_HSCROLL : GSM_NOTIFY_VSCROLL,
                 makeScrollWParam(GSM_SB_THUMBPOSITION, pos_), reinterpret_cast<LParam>(this));
}

bool GrpScrl::mapCoversParent() {
    QWidget* parent = parentWidget();
    auto* mainWindow =
        dynamic_cast<MessageTarget*>(parent != nullptr ? parent->parentWidget() : nullptr);
    return mainWindow != nullptr && mainWindow->send(UM_IS_MAP_SHOWN, 0, 0) != 0;
}

void GrpScrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    const int x = static_cast<std::uint16_t>(at.x());
    const int y = static_cast<std::uint16_t>(at.y());
    const QRect thumb = thumbRect();
    if (thumb.contains(x, y)) {
        grabOffset_ = horizontal_ ? thumb.left() - x : thumb.top() - y;
        captured_ = true;  // Qt keeps sending this slider the mouse until the release
        return;
    }
    setPositionFromPixel((horizontal_ ? x : y) - thumb_ / 2);
    notifyScroll();
}

void GrpScrl::mouseMoveEvent(QMouseEvent* event) {
    if (!captured_) return;
    const QPoint at = event->position().toPoint();
    setPositionFromPixel((horizontal_ ? at.x() : at.y()) + grabOffset_);
    QPointer<GrpScrl> alive(this);
    sendToParent(UM_SEEK_DRAG, 0, 0);
    if (alive) notifyScroll();
}

void GrpScrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !captured_) return;
    captured_ = false;
    QPointer<GrpScrl> alive(this);
    notifyScroll();
    if (alive) sendToParent(UM_SEEK_DRAG_END, 0, 0);
}

void GrpScrl::resizeEvent(QResizeEvent*) {
    onSetThumb(static_cast<WParam>(static_cast<unsigned>(thumb_)), 0);
    onSetMargin(static_cast<WParam>(static_cast<unsigned>(margin_)), 0);
}

std::vector<GrpScrl::TrackPiece> GrpScrl::trackPieces() const {
    QRect thumb = thumbRect();
    if (horizontal_ && thumb.left() < 0) thumb.moveLeft(0);
    if (!horizontal_ && thumb.top() < 0) thumb.moveTop(0);
    // The centre column of the thumb [left, left + thumb), halved toward zero.
    const int centre = horizontal_ ? (thumb.left() + thumb.left() + thumb_) / 2
                                   : (thumb.top() + thumb.top() + thumb_) / 2;
    switch (look()) {
        case SliderLook::Vertical:
            return {{kVerticalTrack, 0, 14}};
        case SliderLook::Short:
            return {{kShortLeftOfThumb, 0, centre}, {kShortRightOfThumb, centre, 109}};
        case SliderLook::Long:
            break;
    }
    std::vector<TrackPiece> pieces{{kLongLeftOfThumb, 0, centre}};
    if (mark_ != 0 && max_ != 0) {
        // The mark's column, computed unsigned so a mark below zero lands far to the right.
        const std::uint32_t column = static_cast<std::uint32_t>(width()) *
                                     static_cast<std::uint32_t>(mark_) /
                                     static_cast<std::uint32_t>(max_);
        if (column < static_cast<std::uint32_t>(std::max(centre, 0))) {
            pieces.push_back({kLongMarked, static_cast<int>(column), 373});
        }
    }
    pieces.push_back({kLongRightOfThumb, centre, 373});
    return pieces;
}

void GrpScrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(37, 37, 37));
    const SliderLook currentLook = look();
    const int trackHeight =
        currentLook == SliderLook::Long ? 16 : (currentLook == SliderLook::Short ? 8 : 215);

    for (const TrackPiece& piece : trackPieces()) {
        const QPixmap bitmap = skinBitmap(piece.bitmap);
        const QRect source(piece.fromColumn, 0, piece.toColumn - piece.fromColumn, trackHeight);
        if (bitmap.isNull()) {
            if (source.width() > 0) painter.fillRect(source, fallbackColour(piece.bitmap));
        } else {
            copyBitmap(painter, source.topLeft(), bitmap, source);
        }
    }

    QRect thumb = thumbRect();
    if (horizontal_ && thumb.left() < 0) thumb.moveLeft(0);
    if (!horizontal_ && thumb.top() < 0) thumb.moveTop(0);
    QSize size;
    int bitmapNumber = 0;
    static const QPixmap longThumb = keyedThumb(kLongThumb, QColor(38, 38, 39));
    static const QPixmap shortThumb = keyedThumb(kShortThumb, QColor(39, 39, 39));
    static const QPixmap verticalThumb = keyedThumb(kVerticalThumb, QColor(0, 0, 0));
    const QPixmap* bitmap = nullptr;
    switch (currentLook) {
        case SliderLook::Long:
            size = QSize(thumb_, 16);
            bitmap = &longThumb;
            bitmapNumber = kLongThumb;
            break;
        case SliderLook::Short:
            size = QSize(thumb_, 8);
            bitmap = &shortThumb;
            bitmapNumber = kShortThumb;
            break;
        case SliderLook::Vertical:
            size = QSize(14 - margin_, thumb_);
            bitmap = &verticalThumb;
            bitmapNumber = kVerticalThumb;
            break;
    }
    if (bitmap->isNull()) {
        painter.fillRect(QRect(thumb.topLeft(), size), fallbackColour(bitmapNumber));
    } else {
        copyBitmap(painter, thumb.topLeft(), *bitmap, QRect(QPoint(0, 0), size));
    }
}

}  // namespace moksel
