// An engine stand-in for main window tests: records, in order, what the window asked of the
// engine, and does nothing else.
#pragma once

#include <memory>
#include <mutex>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "engine/playback_state.h"
#include "mainwindow/engine_link.h"

namespace moksel::testing {

using Calls = std::vector<std::string>;

class EngineRecorder : public EngineLink {
public:
    struct Log {
        std::mutex mutex;
        Calls calls;
        void add(std::string call) {
            std::lock_guard<std::mutex> lock(mutex);
            calls.push_back(std::move(call));
        }
        Calls take() {
            std::lock_guard<std::mutex> lock(mutex);
            return std::exchange(calls, {});
        }
    };

    explicit EngineRecorder(std::shared_ptr<Log> log) : log_(std::move(log)) {}

    void start(MessageTarget*) override { log_->add("start"); }
    void push(EngineCommand command, const char*) override {
        static const char* names[] = {"Quit",        "Play",     "Stop",    "Close",   "Open",
                                      "StepForward", "StepBack", "Prepare", "Handover"};
        const int number = command - CmdQuit;
        const bool known = number >= 0 && number < static_cast<int>(std::size(names));
        log_->add(std::string("Cmd") + (known ? names[number] : "?"));
        if (command == CmdClose) playbackState.openState = NoRecording;  // as the engine's Close
    }
    bool waitForEnd(std::chrono::milliseconds) override { return true; }
    void join() override {}
    void pauseOutput() override { log_->add("pauseOutput"); }
    void pauseSound() override { log_->add("pauseSound"); }
    void resumeSoundAtNormalSpeed() override { log_->add("resumeSound"); }
    void applyColourAdjustment() override { log_->add("applyColour"); }
    void changeFrontZoom(int delta) override { log_->add("frontZoom " + std::to_string(delta)); }
    void changeRearZoom(int delta) override { log_->add("rearZoom " + std::to_string(delta)); }
    void seekStill(int position) override { log_->add("seekStill " + std::to_string(position)); }
    void showLastFrame() override { log_->add("lastFrame"); }
    void renderLargeStills(int adopt) override {
        log_->add("largeStills " + std::to_string(adopt));
    }
    void renderZoomStills() override { log_->add("zoomStills"); }

private:
    std::shared_ptr<Log> log_;
};

}  // namespace moksel::testing
