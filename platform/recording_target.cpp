#include "platform/recording_target.h"

namespace moksel {

void RecordingTarget::record(unsigned message, WParam wParam, LParam lParam, bool sent) {
    {
        std::lock_guard lock(mutex_);
        messages_.push_back({message, wParam, lParam, sent});
    }
    arrived_.notify_all();
}

LResult RecordingTarget::send(unsigned message, WParam wParam, LParam lParam) {
    record(message, wParam, lParam, true);
    SendHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = sendHandler_;
    }
    return handler ? handler(message, wParam, lParam) : 0;
}

void RecordingTarget::post(unsigned message, WParam wParam, LParam lParam) {
    record(message, wParam, lParam, false);
    SendHandler handler;
    {
        std::lock_guard lock(mutex_);
        handler = postHandler_;
    }
    if (handler) handler(message, wParam, lParam);
}

void RecordingTarget::repaintNow() {
    std::function<void()> handler;
    {
        std::lock_guard lock(mutex_);
        ++repaints_;
        handler = repaintHandler_;
    }
    if (handler) handler();
    arrived_.notify_all();
}

void RecordingTarget::setSendHandler(SendHandler handler) {
    std::lock_guard lock(mutex_);
    sendHandler_ = std::move(handler);
}

void RecordingTarget::setPostHandler(SendHandler handler) {
    std::lock_guard lock(mutex_);
    postHandler_ = std::move(handler);
}

void RecordingTarget::setRepaintHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    repaintHandler_ = std::move(handler);
}

std::vector<RecordingTarget::Message> RecordingTarget::messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<unsigned> RecordingTarget::numbers() const {
    std::lock_guard lock(mutex_);
    std::vector<unsigned> result;
    result.reserve(messages_.size());
    for (const auto& m : messages_) result.push_back(m.number);
    return result;
}

int RecordingTarget::count(unsigned number) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& m : messages_) n += m.number == number ? 1 : 0;
    return n;
}

int RecordingTarget::repaintCount() const {
    std::lock_guard lock(mutex_);
    return repaints_;
}

void RecordingTarget::clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
    repaints_ = 0;
}

bool RecordingTarget::waitFor(unsigned number, std::chrono::milliseconds timeout,
                              int times) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, timeout, [&] {
        int n = 0;
        for (const auto& m : messages_) n += m.number == number ? 1 : 0;
        return n >= times;
    });
}

}  // namespace moksel
