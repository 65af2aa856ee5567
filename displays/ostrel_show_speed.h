// OstrelShowSpeed: the 84 x 74 speed gauge. Up to three skin digits, centred, without leading
// zeros, over the gauge picture, and the unit label below them (km/h, or mph after the speed
// unit button).
//
//   UM_SPEED  w = km/h of the current telemetry record: stored and redrawn when it changed
//   toggleUnit()  the speed unit button (command 1018): km/h <-> mph, redrawn at once
// A left press drags the main window.
//
// Thread contract: UI thread only.
#pragma once

#include <cstdint>

#include "displays/display_pane.h"

namespace moksel {

class OstrelShowSpeed : public DisplayPane {
public:
    explicit OstrelShowSpeed(QWidget* parent);

    void toggleUnit();
    bool useMph() const { return useMph_; }
    uint32_t speedValue() const { return speedValue_; }

    // The number the gauge shows for `kmh`: km/h or whole mph (truncated), at most 999, the
    // largest the three digits hold.
    static uint32_t shownSpeed(uint32_t kmh, bool mph);

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static const MessageMap<OstrelShowSpeed>& messageMap();
    LResult onSpeed(WParam w, LParam l);

    uint32_t speedValue_ = 0;  // km/h
    bool useMph_ = false;
};

}  // namespace moksel
