// A receiver of private window messages, as seen by code that must not know about widgets
// (the engine and its decoder threads). Windows implement it on top of Qt; engine tests use
// RecordingTarget instead.
#pragma once

#include <cstdint>

namespace moksel {

// A message carries two words and returns one. Words are pointer-sized so that a message can
// carry the address of a value (a telemetry record's latitude, a pane's string member).
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

class MessageTarget {
public:
    virtual ~MessageTarget() = default;

    // Delivers the message and returns the handler's result. On the receiver's own thread this
    // is a direct call; from any other thread it blocks until the receiver's thread has run the
    // handler.
    virtual LResult send(unsigned message, WParam wParam, LParam lParam) = 0;

    // Queues the message and returns at once. Messages posted to one receiver are handled in
    // the order they were posted, whatever thread posted them.
    virtual void post(unsigned message, WParam wParam, LParam lParam) = 0;

    // Repaints the receiver's whole area without erasing and returns only after the paint has
    // happened. Callable from any thread. Receivers that show nothing do nothing.
    virtual void repaintNow() {}

    // Asks for a repaint and returns at once; the paint follows on the receiver's thread, and
    // requests that arrive before it are served by that one paint. Callable from any thread.
    // Receivers that cannot paint later repaint at once.
    virtual void repaintSoon() { repaintNow(); }
};

}  // namespace moksel
