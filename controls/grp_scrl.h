// GrpScrl: the skinned slider of the viewer. It keeps a range, a position and a thumb, paints
// itself from skin bitmaps in one of three looks, lets the user click or drag the thumb and
// reports every change made by the user to its parent window with a scroll notification
// (GSM_NOTIFY_HSCROLL / GSM_NOTIFY_VSCROLL, see slider_messages.h), plus UM_SEEK_DRAG on every
// dragged move and UM_SEEK_DRAG_END when a drag ends.
//
// Looks: a vertical slider is the recording list's scroll bar; a horizontal slider wears the
// short look (setting sliders) when its parent holds one of the setting slots of the parent
// table below, and the long look (position bars) otherwise.
//
// Thread contract: UI thread only. The grab offset of the thumb being dragged and the mark are
// shared by every slider (only one slider can hold the mouse at a time) and unguarded.
#pragma once

#include <QRect>
#include <QWidget>
#include <vector>

#include "platform/window.h"

namespace moksel {

enum class SliderLook { Long, Short, Vertical };

// The parent table: the panes that own horizontal sliders write themselves into their slot just
// before they create their slider. Slots 1 to 4 give the short look.
enum SliderParentSlot : int {
    kPositionPaneSlot = 0,
    kSpeedPaneSlot = 1,
    kVolumePaneSlot = 2,
    kBrightnessPaneSlot = 3,
    kContrastPaneSlot = 4,
    kEnlargedPositionPaneSlot = 5,
};
constexpr int kSliderParentSlotCount = 6;

void setSliderParentSlot(int slot, const QWidget* pane);
// Empties every slot that holds `pane` (a pane leaving must not leave a stale entry behind
// that a later window at the same address would inherit).
void releaseSliderParentSlots(const QWidget* pane);
// The slot that holds `pane`, or -1.
int findSliderParentSlot(const QWidget* pane);

class GrpScrl : public Window<QWidget> {
public:
    // Creates a visible slider at `geometry` of `parent` with control id `controlId`.
    GrpScrl(QWidget* parent, QRect geometry, bool horizontal, int controlId = 2);

    bool isHorizontal() const { return horizontal_; }
    int controlId() const { return controlId_; }
    SliderLook look() const;

    // Client width (horizontal) or height (vertical), and the other dimension.
    int trackLength() const;
    int crossSize() const;

    // The position a pixel along the track stands for, clamped to the range.
    int positionFromPixel(int pixel) const;
    // Where the thumb starts along the track (-1 for a range of zero width).
    int thumbStart() const;
    QRect thumbRect() const;

    // One copy of the track: columns [fromColumn, toColumn) of skin bitmap `bitmap` to the same
    // columns of the slider. The pieces of one paint, in drawing order.
    struct TrackPiece {
        int bitmap;
        int fromColumn;
        int toColumn;
    };
    std::vector<TrackPiece> trackPieces() const;

    bool hasCapture() const { return captured_; }
    static int sharedMark() { return mark_; }

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    static const MessageMap<GrpScrl>& messageMap();
    LResult onSetRange(WParam w, LParam l);
    LResult onGetMax(WParam, LParam) { return max_; }
    LResult onGetMin(WParam, LParam) { return min_; }
    LResult onSetPos(WParam w, LParam l);
    LResult onGetPos(WParam, LParam) { return pos_; }
    LResult onSetThumb(WParam w, LParam l);
    LResult onGetThumb(WParam, LParam) { return thumb_; }
    LResult onSetMargin(WParam w, LParam l);
    LResult onGetMargin(WParam, LParam) { return margin_; }
    LResult onSetPosFromPixel(WParam w, LParam l);
    LResult onPixelToPos(WParam w, LParam l);
    LResult onSetMark(WParam w, LParam l);

    void setPositionFromPixel(int pixel);
    void notifyScroll();
    LResult sendToParent(unsigned number, WParam w, LParam l);
    // Asks the main window (the parent's parent) whether the map covers the list.
    bool mapCoversParent();

    int max_ = 0;
    int min_ = 0;
    int pos_ = 0;
    int thumb_ = 0;
    int margin_ = 0;
    bool horizontal_;
    int controlId_;
    bool captured_ = false;

    static int grabOffset_;
    static int mark_;
};

}  // namespace moksel
