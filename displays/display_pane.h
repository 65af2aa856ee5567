// What the small display panes of the main window share: a fixed size, an opaque paint (every
// paint covers the whole pane, nothing is erased first), Enter and Escape swallowed, and a left
// press that either drags the main window (the speed, heading, G-sensor and information panes)
// or does nothing.
//
// Thread contract: UI thread only (handlers run there whatever thread sent).
#pragma once

#include <QSize>
#include <QWidget>

#include "platform/window.h"

class QKeyEvent;
class QMouseEvent;
class QPainter;

namespace moksel {

class DisplayPane : public Window<QWidget> {
public:
    // Whether a left press on the pane moves the main window.
    enum class Press { DragsMainWindow, Ignored };

protected:
    DisplayPane(QWidget* parent, const char* className, QSize size, Press press);

    // Draws one line of text with its top-left corner at `at`, in the painter's font and pen,
    // on a transparent background (the skin's texts are placed by their top-left corner).
    static void drawTextAt(QPainter& painter, QPoint at, const QString& text);

    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Press press_;
};

}  // namespace moksel
