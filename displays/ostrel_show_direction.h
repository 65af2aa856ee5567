// OstrelShowDIrection: the 57 x 55 heading pane. It shows one of eight heading pictures, as an
// arrow or as words after the heading style button.
//
//   UM_HEADING  w = address of the heading (double, degrees from north): copied, redrawn
//   toggleStyle()  the heading style button (command 1026): arrow <-> words, redrawn at once
// A left press drags the main window.
//
// Thread contract: UI thread only. The heading behind the address is read at once.
#pragma once

#include "displays/display_pane.h"

namespace moksel {

// Heading sectors in the order of the arrow pictures.
enum HeadingSector : int { North, NorthEast, East, SouthEast, South, SouthWest, West, NorthWest };

// The 45-degree sector of `degrees`; each sector holds its lower bound, not its upper one
// (22.5 is north-east). Headings outside 0..360 are taken round the circle; a heading that is
// not a number counts as north.
HeadingSector headingSector(double degrees);

// The skin picture of a sector: an arrow (293..300) or words (304..311).
int headingBitmap(HeadingSector sector, bool arrowStyle);

class OstrelShowDIrection : public DisplayPane {
public:
    explicit OstrelShowDIrection(QWidget* parent);

    void toggleStyle();
    bool arrowStyle() const { return arrowStyle_; }
    double headingDegrees() const { return headingDegrees_; }

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static const MessageMap<OstrelShowDIrection>& messageMap();
    LResult onHeading(WParam w, LParam l);

    double headingDegrees_ = 0.0;
    bool arrowStyle_ = true;
};

}  // namespace moksel
