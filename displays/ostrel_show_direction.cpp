#include "displays/ostrel_show_direction.h"

#include <QPainter>
#include <cmath>

#include "platform/window_messages.h"
#include "platform/skin.h"

namespace moksel {
namespace {

constexpr int kFirstArrowBitmap = 293;  // N, NE, E, SE, S, SW, W, NW
constexpr int kWordBitmaps[8] = {308, 309, 306, 307, 304, 305, 311, 310};

}  // namespace

HeadingSector headingSector(double degrees) {
    if (!std::isfinite(degrees)) return North;
    double turned = std::fmod(degrees, 360.0);
    if (turned < 0) turned += 360.0;
    const int sector = static_cast<int>(std::floor((turned + 22.5) / 45.0)) % 8;
    return static_cast<HeadingSector>(sector);
}

int headingBitmap(HeadingSector sector, bool arrowStyle) {
    return arrowStyle ? kFirstArrowBitmap + sector : kWordBitmaps[sector];
}

OstrelShowDIrection::OstrelShowDIrection(QWidget* parent)
    : DisplayPane(parent, "OstrelShowDIrection", QSize(57, 55), Press::DragsMainWindow) {}

const MessageMap<OstrelShowDIrection>& OstrelShowDIrection::messageMap() {
    static const MessageMap<OstrelShowDIrection> map = {
        {UM_HEADING, &OstrelShowDIrection::onHeading},
    };
    return map;
}

LResult OstrelShowDIrection::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

LResult OstrelShowDIrection::onHeading(WParam w, LParam) {
    const auto* heading = reinterpret_cast<const double*>(w);
    if (heading == nullptr) return 0;
    headingDegrees_ = *heading;
    update();
    return 0;
}

void OstrelShowDIrection::toggleStyle() {
    arrowStyle_ = !arrowStyle_;
    update();
}

void OstrelShowDIrection::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, skinBitmap(headingBitmap(headingSector(headingDegrees_), arrowStyle_)));
}

}  // namespace moksel
