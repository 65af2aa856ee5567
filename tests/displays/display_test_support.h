// What the display pane tests share: a stand-in main window that logs the messages, presses and
// keys that reach it, and helpers to fill the shared telemetry records and read pixels.
#pragma once

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <vector>

#include "engine/playback_state.h"
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
