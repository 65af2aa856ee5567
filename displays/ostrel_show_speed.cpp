#include "displays/ostrel_show_speed.h"

#include <QPainter>

#include "platform/window_messages.h"
#include "platform/skin.h"

namespace moksel {
namespace {

constexpr int kGaugeBitmap = 208;
constexpr int kFirstDigitBitmap = 210;  // 210 + digit
constexpr int kMphBitmap = 209;
constexpr int kKmhBitmap = 220;
constexpr int kDigitTop = 24;
constexpr QPoint kUnitAt{29, 45};
constexpr double kKmPerMile = 1.609344;
constexpr uint32_t kLargestShown = 999;

}  // namespace

OstrelShowSpeed::OstrelShowSpeed(QWidget* parent)
    : DisplayPane(parent, "OstrelShowSpeed", QSize(84, 74), Press::DragsMainWindow) {}

const MessageMap<OstrelShowSpeed>& OstrelShowSpeed::messageMap() {
    static const MessageMap<OstrelShowSpeed> map = {
        {UM_SPEED, &OstrelShowSpeed::onSpeed},
    };
    return map;
}

LResult OstrelShowSpeed::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

LResult OstrelShowSpeed::onSpeed(WParam w, LParam) {
    const auto kmh = static_cast<uint32_t>(w);
    if (kmh != speedValue_) {
        speedValue_ = kmh;
        update();
    }
    return 0;
}

void OstrelShowSpeed::toggleUnit() {
    useMph_ = !useMph_;
    update();
}

uint32_t OstrelShowSpeed::shownSpeed(uint32_t kmh, bool mph) {
    const uint32_t value = mph ? static_cast<uint32_t>(kmh / kKmPerMile) : kmh;
    return value > kLargestShown ? kLargestShown : value;
}

void OstrelShowSpeed::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, skinBitmap(kGaugeBitmap));
    const uint32_t v = shownSpeed(speedValue_, useMph_);
    const uint32_t hundreds = v / 100;
    const uint32_t tens = (v % 100) / 10;
    const uint32_t units = v % 10;
    auto digit = [&](int x, uint32_t d) {
        painter.drawPixmap(x, kDigitTop, skinBitmap(kFirstDigitBitmap + static_cast<int>(d)));
    };
    if (hundreds != 0) {
        digit(29, hundreds);
        digit(39, tens);
        digit(49, units);
    } else if (tens != 0) {
        digit(34, tens);
        digit(44, units);
    } else {
        digit(39, units);
    }
    painter.drawPixmap(kUnitAt, skinBitmap(useMph_ ? kMphBitmap : kKmhBitmap));
}

}  // namespace moksel
