// A short queue of composed pictures between the thread that decodes and composes them and
// the thread that encodes them, so decoding goes on while the encoder waits for its threads.
//
// Thread contract: one producer, one consumer; every method may be called from either.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

extern "C" {
#include <libavutil/frame.h>
}

namespace moksel::exporting {

class PictureQueue {
public:
    explicit PictureQueue(size_t capacity) : capacity_(capacity) {}
    ~PictureQueue() {
        for (AVFrame* f : frames_) av_frame_free(&f);
    }

    // Takes `frame`; waits while the queue is full. False (frame freed) once aborted.
    bool push(AVFrame* frame) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return aborted_ || frames_.size() < capacity_; });
        if (aborted_) {
            av_frame_free(&frame);
            return false;
        }
        frames_.push_back(frame);
        changed_.notify_all();
        return true;
    }
    // The next picture (the caller frees it); null once closed and empty, or aborted.
    AVFrame* pop() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return aborted_ || closed_ || !frames_.empty(); });
        if (aborted_ || frames_.empty()) return nullptr;
        AVFrame* f = frames_.front();
        frames_.pop_front();
        changed_.notify_all();
        return f;
    }
    // No more pictures come.
    void close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }
    // Stops both sides at once.
    void abort() {
        std::lock_guard lock(mutex_);
        aborted_ = true;
        changed_.notify_all();
    }

private:
    const size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<AVFrame*> frames_;
    bool closed_ = false, aborted_ = false;
};

}  // namespace moksel::exporting
