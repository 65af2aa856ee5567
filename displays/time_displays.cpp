#include "displays/time_displays.h"

#include <QPainter>

#include "platform/window_messages.h"
#include "platform/fonts.h"
#include "platform/skin.h"

namespace moksel {
namespace {

constexpr int kFieldBitmap = 222;
constexpr QSize kFieldSize{63, 17};
constexpr QPoint kTextAt{15, 1};
constexpr QColor kTextColour{0, 204, 255};

}  // namespace

QString minutesAndSeconds(uint32_t seconds) {
    return QString::asprintf("%02u:%02u", seconds / 60, seconds % 60);
}

TimeField::TimeField(QWidget* parent, const char* className)
    : DisplayPane(parent, className, kFieldSize, Press::Ignored),
      font_(skinFont(QStringLiteral("Arial"), 15, 500)) {}

void TimeField::paintSeconds(uint32_t seconds) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, skinBitmap(kFieldBitmap));
    painter.setFont(font_);
    painter.setPen(kTextColour);
    drawTextAt(painter, kTextAt, minutesAndSeconds(seconds));
}

// ---- OstrelShowTime

OstrelShowTime::OstrelShowTime(QWidget* parent) : TimeField(parent, "OstrelShowTime") {}

const MessageMap<OstrelShowTime>& OstrelShowTime::messageMap() {
    static const MessageMap<OstrelShowTime> map = {
        {UM_TIME, &OstrelShowTime::onTime},
    };
    return map;
}

LResult OstrelShowTime::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

LResult OstrelShowTime::onTime(WParam w, LParam l) {
    const auto total = static_cast<uint32_t>(l);
    const auto current = static_cast<uint32_t>(w);
    const uint32_t shown = current < total ? current : total;
    if (total != totalSeconds_ || shown != currentSeconds_) {
        totalSeconds_ = total;
        currentSeconds_ = shown;
        update();
    }
    return 0;
}

void OstrelShowTime::paintEvent(QPaintEvent*) { paintSeconds(currentSeconds_); }

// ---- OstrelShowTotalTime

OstrelShowTotalTime::OstrelShowTotalTime(QWidget* parent)
    : TimeField(parent, "OstrelShowTotalTime") {}

const MessageMap<OstrelShowTotalTime>& OstrelShowTotalTime::messageMap() {
    static const MessageMap<OstrelShowTotalTime> map = {
        {UM_TIME, &OstrelShowTotalTime::onTime},
    };
    return map;
}

LResult OstrelShowTotalTime::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

LResult OstrelShowTotalTime::onTime(WParam, LParam l) {
    const auto total = static_cast<int32_t>(l);
    if (total > 0 && static_cast<uint32_t>(total) != totalSeconds_) {
        totalSeconds_ = static_cast<uint32_t>(total);
        update();
    }
    return 0;
}

void OstrelShowTotalTime::paintEvent(QPaintEvent*) { paintSeconds(totalSeconds_); }

}  // namespace moksel
