// The two 63 x 17 time fields, "MM:SS" in cyan over skin bitmap 222 (minutes are not folded
// into hours):
//
//   OstrelShowTime       the playback time; UM_TIME w = current seconds, l = total seconds:
//                        shows the smaller of the two; redrawn when the pair changed
//   OstrelShowTotalTime  the recording's length; UM_TIME l = total seconds: taken and redrawn
//                        only when above 0 and different (w is not used)
//
// The main window relays the engine's UM_TIME to both (see platform/window_messages.h).
//
// Thread contract: UI thread only.
#pragma once

#include <QFont>
#include <cstdint>

#include "displays/display_pane.h"

namespace moksel {

// "MM:SS" for a count of seconds: 3725 -> "62:05".
QString minutesAndSeconds(uint32_t seconds);

class TimeField : public DisplayPane {
protected:
    TimeField(QWidget* parent, const char* className);
    void paintSeconds(uint32_t seconds);

private:
    QFont font_;
};

class OstrelShowTime : public TimeField {
public:
    explicit OstrelShowTime(QWidget* parent);
    uint32_t currentSeconds() const { return currentSeconds_; }
    uint32_t totalSeconds() const { return totalSeconds_; }

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static const MessageMap<OstrelShowTime>& messageMap();
    LResult onTime(WParam current, LParam total);

    uint32_t totalSeconds_ = 0;
    uint32_t currentSeconds_ = 0;
};

class OstrelShowTotalTime : public TimeField {
public:
    explicit OstrelShowTotalTime(QWidget* parent);
    uint32_t totalSeconds() const { return totalSeconds_; }

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static const MessageMap<OstrelShowTotalTime>& messageMap();
    LResult onTime(WParam current, LParam total);

    uint32_t totalSeconds_ = 0;
};

}  // namespace moksel
