// Driving the enlarged video window from a test: it runs modally inside the main window's
// handler of UM_ENLARGE, so the test's checks run from a timer inside that modal run.
#pragma once

#include <QCoreApplication>
#include <QMouseEvent>
#include <QTimer>
#include <functional>

#include "mainwindow/costrel_dlg.h"
#include "mainwindow/enlarged_window.h"

namespace moksel::testing {

// A left double click as the window system delivers it: press, release, double click, release.
inline void doubleClick(QWidget* target, QPoint at) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), Qt::LeftButton,
                          down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }
}

// Runs `open`; once the enlarged window runs, runs `whileOpen`, then closes the window with a
// double click on its picture unless `whileOpen` closed it. A window still open after `guardMs`
// is closed, so the test ends either way. Returns whether `whileOpen` ran.
inline bool whileEnlarged(COstrelDlg& mainWindow, const std::function<void()>& open,
                          const std::function<void(OstrelMovieEntire*)>& whileOpen,
                          int guardMs = 20000) {
    bool ran = false;
    QTimer inside;
    inside.setInterval(0);
    QObject::connect(&inside, &QTimer::timeout, [&] {
        OstrelMovieEntire* enlarged = mainWindow.enlargedWindow();
        if (enlarged == nullptr || !enlarged->isVisible() || ran) return;
        inside.stop();
        ran = true;
        whileOpen(enlarged);
        if (enlarged->isVisible()) doubleClick(enlarged, enlarged->rect().center());
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        if (OstrelMovieEntire* enlarged = mainWindow.enlargedWindow()) enlarged->reject();
    });
    inside.start();
    guard.start(guardMs);
    open();
    QCoreApplication::processEvents();
    return ran;
}

}  // namespace moksel::testing
