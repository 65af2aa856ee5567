// What the display pane tests share: a stand-in main window that counts the presses and keys
// that reach it, the pane's picture as the user sees it, and the shared telemetry records.
#pragma once

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <cstdlib>
#include <vector>

#include "engine/playback_state.h"
#include "platform/skin.h"

namespace moksel {

class ParentWindow : public QWidget {
public:
    ParentWindow() { resize(1024, 768); }
    int leftPresses = 0;
    std::vector<int> keysReached;

protected:
    void mousePressEvent(QMouseEvent* event) override { leftPresses += event->button() == Qt::LeftButton; }
    void keyPressEvent(QKeyEvent* event) override { keysReached.push_back(event->key()); }
};

// Puts a pane into a shown parent at `at`, as the main window does.
template <class Pane, class... Args>
Pane* placePane(ParentWindow& parent, QPoint at, Args&&... args) {
    auto* pane = new Pane(&parent, std::forward<Args>(args)...);
    pane->move(at);
    pane->show();
    parent.show();
    return pane;
}

inline QImage picture(QWidget* pane) { return pane->grab().toImage().convertToFormat(QImage::Format_RGB32); }
inline QImage skinPicture(int number) { return skinImage(number).convertToFormat(QImage::Format_RGB32); }

// Whether `colour` shows inside `area`: smoothed text comes close to its colour without always
// reaching it, so each channel may be off by a little.
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

// Sets the shared telemetry (as the engine does before UM_TELEMETRY_LOADED); empty clears it.
inline void setTelemetry(const std::vector<TelemetryRecord>& records) {
    clearTelemetry();
    TelemetryRecord* stored = reserveTelemetry(static_cast<int>(records.size()));
    for (size_t i = 0; i < records.size(); ++i) stored[i] = records[i];
    playbackState.telemetryCount = static_cast<int>(records.size());
}

}  // namespace moksel
