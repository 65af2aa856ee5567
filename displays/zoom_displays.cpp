#include "displays/zoom_displays.h"

#include <QPainter>

#include "engine/playback_state.h"
#include "platform/fonts.h"
#include "platform/skin.h"

namespace moksel {
namespace {

constexpr int kFieldBitmap = 152;
constexpr QSize kFieldSize{42, 17};
constexpr QPoint kTextAt{4, 2};
constexpr double kViewArea = 487.0 * 311.0;  // 151457
constexpr QColor kNormalColour{222, 222, 222};
constexpr QColor kEnlargedColour{0, 204, 255};

}  // namespace

int zoomPercent(int width, int height) {
    return static_cast<int>(static_cast<double>(width) * height / kViewArea * 100.0);
}

ZoomField::ZoomField(QWidget* parent, const char* className, int camera)
    : DisplayPane(parent, className, kFieldSize, Press::Ignored),
      camera_(camera),
      font_(skinFont(QStringLiteral("Arial"), 15, 500)) {}

void ZoomField::paintEvent(QPaintEvent*) {
    int index = sizeIndexOf(camera_).load();
    if (index != kLargeSizeIndex) index = kViewSizeIndex;  // anything else reads as the view size
    const PictureSize size = pictureSizes[camera_][index];

    QPainter painter(this);
    painter.drawPixmap(0, 0, skinBitmap(kFieldBitmap));
    painter.setFont(font_);
    painter.setPen(index == kViewSizeIndex ? kNormalColour : kEnlargedColour);
    drawTextAt(painter, kTextAt, QStringLiteral("%1%").arg(zoomPercent(size.width, size.height)));
}

OstrelShowZoom::OstrelShowZoom(QWidget* parent)
    : ZoomField(parent, "OstrelShowZoom", kFrontCamera) {}

OstrelShowZoomRear::OstrelShowZoomRear(QWidget* parent)
    : ZoomField(parent, "OstrelShowZoomRear", kRearCamera) {}

}  // namespace moksel
