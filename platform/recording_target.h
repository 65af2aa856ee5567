// A message target that is not a window: it records every message it receives, for engine
// tests and tools that drive the engine without a main window. Thread-safe.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/message_target.h"

namespace moksel {

class RecordingTarget : public MessageTarget {
public:
    struct Message {
        unsigned number;
        WParam wParam;
        LParam lParam;
        bool sent;  // true for send, false for post
    };
    using SendHandler = std::function<LResult(unsigned, WParam, LParam)>;

    // Records the message, then runs the send handler (if any) on the calling thread and
    // returns its result; 0 without a handler.
    LResult send(unsigned message, WParam wParam, LParam lParam) override;
    void post(unsigned message, WParam wParam, LParam lParam) override;
    // Counts the repaint and runs the repaint handler on the calling thread, so a test sees
    // the picture exactly as the view would paint it.
    void repaintNow() override;

    void setSendHandler(SendHandler handler);
    // Also called for posted messages, after they are recorded.
    void setPostHandler(SendHandler handler);
    void setRepaintHandler(std::function<void()> handler);

    std::vector<Message> messages() const;
    std::vector<unsigned> numbers() const;
    int count(unsigned number) const;
    int repaintCount() const;
    void clear();

    // Waits until at least `times` messages with this number have arrived in all.
    bool waitFor(unsigned number, std::chrono::milliseconds timeout, int times = 1) const;

private:
    void record(unsigned message, WParam wParam, LParam lParam, bool sent);

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<Message> messages_;
    int repaints_ = 0;
    SendHandler sendHandler_;
    SendHandler postHandler_;
    std::function<void()> repaintHandler_;
};

}  // namespace moksel
