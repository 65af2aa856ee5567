// Windows that receive private messages. Every pane, box and dialog derives from
// Window<QWidget> or Window<QDialog> (or another QWidget class) and answers messages through a
// static message map, one table from message number to member function.
//
// Thread contract: send, post and repaintNow may be called from any thread; handlers and
// paints always run on the UI thread (the thread that owns the widget).
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QSemaphore>
#include <QThread>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <vector>

#include "platform/message_target.h"

namespace moksel {

// The queued form of a message.
class MessageEvent : public QEvent {
public:
    static QEvent::Type eventType();
    MessageEvent(unsigned number, WParam wParam, LParam lParam)
        : QEvent(eventType()), number(number), wParam(wParam), lParam(lParam) {}
    const unsigned number;
    const WParam wParam;
    const LParam lParam;
};

// A window's static table from message number to handler.
template <class T>
class MessageMap {
public:
    using Handler = LResult (T::*)(WParam, LParam);
    struct Entry {
        unsigned number;
        Handler handler;
    };
    MessageMap(std::initializer_list<Entry> entries) : entries_(entries) {}

    // Runs the handler of `number`; returns 0 for a number the window does not handle.
    LResult dispatch(T& window, unsigned number, WParam wParam, LParam lParam) const {
        for (const Entry& entry : entries_) {
            if (entry.number == number) return (window.*entry.handler)(wParam, lParam);
        }
        return 0;
    }
    bool handles(unsigned number) const {
        for (const Entry& entry : entries_) {
            if (entry.number == number) return true;
        }
        return false;
    }

private:
    std::vector<Entry> entries_;
};

// A message sent from another thread, queued ahead of the receiver's posted messages (as a sent
// message is handled before messages posted earlier) and awaited by the sender. Whether it runs
// or is dropped with its receiver, the sender wakes.
class SentCallEvent : public QEvent {
public:
    static QEvent::Type eventType();
    SentCallEvent(std::function<void()> call, QSemaphore* done)
        : QEvent(eventType()), call_(std::move(call)), done_(done) {}
    ~SentCallEvent() override { done_->release(); }
    void run() { call_(); }

private:
    std::function<void()> call_;
    QSemaphore* done_;
};

// Sends to a widget's handler: a direct call on the widget's thread, else a blocking call
// that runs the handler on the widget's thread, before the messages posted to it so far, and
// hands back its result. The owner handles SentCallEvent (every Window does).
template <class Fn>
LResult runOnOwnerThread(QObject* owner, Fn&& fn) {
    if (QThread::currentThread() == owner->thread()) return fn();
    LResult result = 0;
    QSemaphore done;
    QCoreApplication::postEvent(owner, new SentCallEvent([&] { result = fn(); }, &done),
                                Qt::HighEventPriority);
    done.acquire();
    return result;
}

template <class QtBase>
class Window : public QtBase, public MessageTarget {
public:
    using QtBase::QtBase;

    LResult send(unsigned number, WParam wParam, LParam lParam) override {
        return runOnOwnerThread(this, [&] { return handleMessage(number, wParam, lParam); });
    }

    void post(unsigned number, WParam wParam, LParam lParam) override {
        QCoreApplication::postEvent(this, new MessageEvent(number, wParam, lParam));
    }

    void repaintNow() override {
        runOnOwnerThread(this, [this]() -> LResult {
            this->repaint();
            return 0;
        });
    }

    void repaintSoon() override {
        QMetaObject::invokeMethod(this, [this] { this->update(); }, Qt::QueuedConnection);
    }

protected:
    // Answers one message; windows forward this to their message map.
    virtual LResult handleMessage(unsigned /*number*/, WParam, LParam) { return 0; }

    bool event(QEvent* e) override {
        if (e->type() == MessageEvent::eventType()) {
            auto* message = static_cast<MessageEvent*>(e);
            handleMessage(message->number, message->wParam, message->lParam);
            return true;
        }
        if (e->type() == SentCallEvent::eventType()) {
            static_cast<SentCallEvent*>(e)->run();
            return true;
        }
        return QtBase::event(e);
    }
};

}  // namespace moksel
