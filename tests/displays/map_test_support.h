// Waiting on the map pane's page view: bounded waits that serve the event loop, and reading a
// value back from the page's script.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QVariant>
#include <QWebEnginePage>
#include <functional>

namespace moksel {

// Serves events until `done` or until the limit passes (a bound against a stuck page view, not
// a measurement); gives whether `done` came true.
inline bool waitUntil(const std::function<bool()>& done, int limitMs = 60000) {
    QDeadlineTimer deadline(limitMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// The value of a script expression in the page; an invalid QVariant if none came.
inline QVariant evaluate(QWebEnginePage* page, const QString& expression) {
    bool answered = false;
    QVariant value;
    page->runJavaScript(expression, [&](const QVariant& result) {
        value = result;
        answered = true;
    });
    waitUntil([&] { return answered; });
    return value;
}

}  // namespace moksel
