#include "displays/ostrel_sensor_graph.h"

#include <QPainter>
#include <algorithm>
#include <QPolygon>

#include "engine/playback_state.h"
#include "platform/window_messages.h"
#include "platform/fonts.h"
#include "platform/skin.h"

namespace moksel {
namespace {

constexpr int kBackgroundBitmap = 228;
constexpr QSize kPaneSize{373, 64};
constexpr QRect kPlotRect{QPoint(8, 3), QPoint(364, 60)};  // (8, 3) to (365, 61), exclusive
constexpr QColor kPlotFill{31, 31, 31};
constexpr int kLeft = 8;           // x of time 0
constexpr double kWidth = 357.0;   // pixels for the whole recording
constexpr int kBaseline = 32;      // y of value 0
constexpr double kPixelsPerUnit = 9.0 / 100.0;  // 9 pixels per 1.00 g
constexpr int kCursorTop = 3;
constexpr int kCursorBottom = 60;  // last row of the cursor

struct Axis {
    int16_t TelemetryRecord::*value;
    QColor curve;
    QColor readout;
    const char* format;
    QPoint readoutAt;
};
constexpr Axis kAxes[3] = {
    {&TelemetryRecord::accelX, QColor(255, 0, 0), QColor(255, 0, 0), "X: %1.2f", QPoint(120, 50)},
    {&TelemetryRecord::accelY, QColor(0, 255, 0), QColor(0, 255, 0), "Y: %1.2f", QPoint(180, 50)},
    {&TelemetryRecord::accelZ, QColor(51, 133, 232), QColor(0, 174, 239), "Z: %1.2f", QPoint(240, 50)},
};

// Pixels per millisecond for a recording whose last record is at `lastMs`. A recording whose
// records all carry time 0 puts every record at the left edge.
double horizontalScale(uint32_t lastMs) { return lastMs == 0 ? 0.0 : kWidth / lastMs; }

int columnOf(uint32_t timeMs, double scale) { return static_cast<int>(timeMs * scale + kLeft); }

}  // namespace

OstrelSensorGraph::OstrelSensorGraph(QWidget* parent)
    : DisplayPane(parent, "OstrelSensorGraph", kPaneSize, Press::DragsMainWindow),
      background_(skinImage(kBackgroundBitmap).convertToFormat(QImage::Format_RGB32)),
      font_(skinFont(QStringLiteral("Arial"), 13, 400)) {
    if (background_.isNull()) {
        background_ = QImage(kPaneSize, QImage::Format_RGB32);
        background_.fill(kPlotFill);
    }
}

const MessageMap<OstrelSensorGraph>& OstrelSensorGraph::messageMap() {
    static const MessageMap<OstrelSensorGraph> map = {
        {UM_TELEMETRY_LOADED, &OstrelSensorGraph::onTelemetryLoaded},
        {UM_TELEMETRY_TIME, &OstrelSensorGraph::onTelemetryTime},
        {UM_TELEMETRY_CLEARED, &OstrelSensorGraph::onTelemetryCleared},
    };
    return map;
}

LResult OstrelSensorGraph::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

LResult OstrelSensorGraph::onTelemetryLoaded(WParam, LParam) {
    const int count = playbackState.telemetryCount.load();
    drawCurves(playbackState.telemetry.load(), count);
    graphFilled_ = true;
    graphPositionMs_ = 0;
    update();
    return 0;
}

LResult OstrelSensorGraph::onTelemetryTime(WParam w, LParam) {
    graphPositionMs_ = static_cast<uint32_t>(w);
    update();
    return 0;
}

LResult OstrelSensorGraph::onTelemetryCleared(WParam, LParam) {
    graphFilled_ = false;
    graphPositionMs_ = UINT32_MAX;
    update();
    return 0;
}

void OstrelSensorGraph::drawCurves(const TelemetryRecord* records, int count) {
    if (count <= 0 || records == nullptr) return;
    QPainter painter(&background_);
    painter.fillRect(kPlotRect, kPlotFill);
    const double scale = horizontalScale(records[count - 1].timeMs);
    QPolygon line(count + 1);
    for (const Axis& axis : kAxes) {
        line.setPoint(0, kLeft, kBaseline);
        for (int i = 0; i < count; ++i) {
            const double value = records[i].*axis.value;
            line.setPoint(i + 1, columnOf(records[i].timeMs, scale),
                          static_cast<int>(kBaseline - value * kPixelsPerUnit));
        }
        painter.setPen(QPen(axis.curve, 1));
        painter.drawPolyline(line);
    }
}

void OstrelSensorGraph::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!graphFilled_) {
        painter.drawPixmap(0, 0, skinBitmap(kBackgroundBitmap));
        shownReadouts_.clear();
        return;
    }
    painter.drawImage(0, 0, background_);

    // The record shown at the position: the last one that does not lie after it.
    // The count is published after the records: read it first.
    int count = std::max(playbackState.telemetryCount.load(), 0);
    const TelemetryRecord* records = playbackState.telemetry.load();
    if (records == nullptr) count = 0;
    int next = 0;
    while (next < count && records[next].timeMs <= graphPositionMs_) ++next;
    TelemetryRecord current{};  // before the first record: time 0, all axes 0
    const bool hasCurrent = next < count;
    if (hasCurrent && next > 0) current = records[next - 1];
    if (hasCurrent) {
        const int x = columnOf(current.timeMs, horizontalScale(records[count - 1].timeMs));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawLine(x, kCursorTop, x, kCursorBottom);
    }
    // Past the last record (or with no records) the readouts show the zero record: 0.00.
    painter.setFont(font_);
    shownReadouts_.clear();
    for (const Axis& axis : kAxes) {
        painter.setPen(axis.readout);
        const QString text = QString::asprintf(axis.format, (current.*axis.value) / 100.0);
        drawTextAt(painter, axis.readoutAt, text);
        shownReadouts_.append(text);
    }
}

}  // namespace moksel
