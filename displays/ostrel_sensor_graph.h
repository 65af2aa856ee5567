// OstrelSensorGraph: the 373 x 64 G-sensor pane. It draws the three acceleration curves of the
// whole recording (X red, Y green, Z blue) over the recording's length, a white cursor at the
// playback position and the three values of that moment below the curves. Without telemetry
// it shows its plain G-SENSOR / NO DATA picture (skin bitmap 228).
//
// Messages, relayed unchanged by the main window:
//   UM_TELEMETRY_LOADED   draw the curves of playbackState.telemetry into the background
//   UM_TELEMETRY_TIME     w = front position in ms (low 32 bits): move the cursor
//   UM_TELEMETRY_CLEARED  back to NO DATA
// A left press drags the main window.
//
// Thread contract: UI thread only. The telemetry records are written by the engine thread before
// it posts UM_TELEMETRY_LOADED and stay put until the recording closes; telemetryCount is read
// once per drawing pass.
#pragma once

#include <QFont>
#include <QImage>
#include <QStringList>
#include <cstdint>

#include "displays/display_pane.h"

namespace moksel {

struct TelemetryRecord;

class OstrelSensorGraph : public DisplayPane {
public:
    explicit OstrelSensorGraph(QWidget* parent);

    bool graphFilled() const { return graphFilled_; }
    // The last reported position in ms; -1 (every bit set) before a recording.
    uint32_t graphPositionMs() const { return graphPositionMs_; }
    // The three readouts ("X: 0.25", ...) of the last paint; empty while NO DATA shows.
    const QStringList& shownReadouts() const { return shownReadouts_; }

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static const MessageMap<OstrelSensorGraph>& messageMap();
    LResult onTelemetryLoaded(WParam w, LParam l);
    LResult onTelemetryTime(WParam w, LParam l);
    LResult onTelemetryCleared(WParam w, LParam l);

    void drawCurves(const TelemetryRecord* records, int count);

    QImage background_;  // skin bitmap 228 with the curves of the open recording drawn in
    QFont font_;
    bool graphFilled_ = false;
    uint32_t graphPositionMs_ = UINT32_MAX;  // -1: no position yet
    QStringList shownReadouts_;
};

}  // namespace moksel
