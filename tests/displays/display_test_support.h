// What the display pane tests share: a stand-in main window that logs the messages, presses and
// keys that reach it, and helpers to fill the shared telemetry records and read pixels.
#pragma once

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <cstdlib>
#include <vector>

#include "engine/playback_state.h"
#include "platform/skin.h"
#include "platform/window.h"

namespace moksel {

class ParentWindow : public Window<QWidget> {
public:
    struct Message {
        unsigned number;
        WParam wParam;
        LParam lParam;
    };
    ParentWindow() { resize(1024, 768); }

    std::vector<Message> log;
    int leftPresses = 0;
    std::vector<int> keysReached;

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override {
        log.push_back({number, w, l});
        return 0;
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) ++leftPresses;
    }
    void keyPressEvent(QKeyEvent* event) override { keysReached.push_back(event->key()); }
};

// Puts `pane` into a shown parent at `at`, as the main window does.
template <class Pane>
Pane* placePane(ParentWindow& parent, QPoint at) {
    auto* pane = new Pane(&parent);
    pane->move(at);
    pane->show();
    parent.show();
    return pane;
}

// The pane as the user sees it.
inline QImage picture(QWidget* pane) {
    return pane->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor pixel(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

// A skin bitmap as the panes' pictures are compared with it.
inline QImage skinPicture(int number) {
    return skinImage(number).convertToFormat(QImage::Format_RGB32);
}

// Whether text or lines in `colour` show inside `area`: smoothed text comes close to its colour
// without always reaching it, so each channel may be off by a little.
inline bool hasInk(const QImage& shown, QRect area, QColor colour) {
    area &= shown.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = shown.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= 40 && std::abs(c.green() - colour.green()) <= 40 &&
                std::abs(c.blue() - colour.blue()) <= 40) {
                return true;
            }
        }
    }
    return false;
}
inline bool hasInk(const QImage& shown, QColor colour) { return hasInk(shown, shown.rect(), colour); }

// Sets the shared telemetry to `records` (as the engine does before UM_TELEMETRY_LOADED).
inline void setTelemetry(const std::vector<TelemetryRecord>& records) {
    for (size_t i = 0; i < records.size() && i < size_t(kTelemetryCapacity); ++i) {
        playbackState.telemetry[i] = records[i];
    }
    playbackState.telemetryCount = static_cast<int>(records.size());
}

inline void clearTelemetry() {
    for (TelemetryRecord& record : playbackState.telemetry) record = TelemetryRecord{};
    playbackState.telemetryCount = 0;
}

}  // namespace moksel
