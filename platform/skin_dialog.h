// What every skinned pop-up box shares: no frame, a place at a fixed offset from the main
// window's top-left corner, Enter and Escape swallowed, and a left press on the background
// dragging the box. UI thread only.
#pragma once

#include <QDialog>
#include <QPoint>

#include "platform/window.h"

class QKeyEvent;
class QMouseEvent;

namespace moksel {

// Starts moving `window` with the mouse after a left press on its background. Uses the desktop's
// own move where it has one; otherwise the window follows the mouse until the button is
// released (see WindowDragger).
bool startSystemMove(QWidget* window);

// Moves a top-level window by hand while the left button is held: for desktops without a
// system move (and the offscreen platform). Feed it the press, move and release events of the
// widget that was pressed.
class WindowDragger {
public:
    void press(QWidget* window, QPoint globalPos);
    void move(QPoint globalPos);
    void release();
    bool active() const { return window_ != nullptr; }

private:
    QWidget* window_ = nullptr;
    QPoint grabOffset_;
};

class SkinDialog : public Window<QDialog> {
public:
    explicit SkinDialog(QWidget* parent = nullptr);

    // Puts the box at `offset` pixels from the top-left corner of `mainWindow`'s client area.
    void placeAtOffset(const QWidget* mainWindow, QPoint offset);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    WindowDragger dragger_;
};

// True for the keys every pane and box swallows.
bool isSwallowedDialogKey(int key);

}  // namespace moksel
