// The two 42 x 17 zoom fields: the size of a camera's picture against the normal view, as a
// percentage ("100%" at the view size 487 x 311, "608%" at 1280 x 720), light grey at the view
// size and cyan when enlarged. They read the camera's size index from playbackState when they
// paint; the main window repaints them after every zoom step and after a recording closes.
//
//   OstrelShowZoom      front camera (frontSizeIndex)
//   OstrelShowZoomRear  rear camera (rearSizeIndex)
//
// Thread contract: UI thread only.
#pragma once

#include <QFont>

#include "displays/display_pane.h"

namespace moksel {

// The percentage shown for a camera's picture size: its area over 487 x 311, truncated.
int zoomPercent(int width, int height);

class ZoomField : public DisplayPane {
protected:
    ZoomField(QWidget* parent, const char* className, int camera);
    void paintEvent(QPaintEvent* event) override;

private:
    int camera_;
    QFont font_;
};

class OstrelShowZoom : public ZoomField {
public:
    explicit OstrelShowZoom(QWidget* parent);
};

class OstrelShowZoomRear : public ZoomField {
public:
    explicit OstrelShowZoomRear(QWidget* parent);
};

}  // namespace moksel
