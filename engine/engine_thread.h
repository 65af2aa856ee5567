// Starting and ending the engine thread.
//
// Thread contract: startEngine and the EngineThread methods are called by the main window on
// the UI thread. The engine thread runs the command loop (open, play, stop, close, steps) and
// owns the decoder threads; it ends after CmdQuit (or SDL's quit event), posting
// UM_ENGINE_ENDED to the main window it was started with and then signalling its end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/message_target.h"

namespace moksel {

struct EngineContext;

class EngineThread {
public:
    ~EngineThread();  // joins the thread (after CmdQuit has been queued by the owner)
    EngineThread(const EngineThread&) = delete;
    EngineThread& operator=(const EngineThread&) = delete;

    // Waits up to `timeout` for the engine to end; true once it has ended.
    bool waitForEnd(std::chrono::milliseconds timeout);
    // Waits for the thread to end and joins it. Never terminates it.
    void join();
    // Whether the command queue came up (false: SDL could not start, the thread has ended).
    bool running();

private:
    friend std::unique_ptr<EngineThread> startEngine(MessageTarget* mainWindow);
    EngineThread() = default;
    void signalEnded();
    void signalReady(bool ready);

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ended_ = false;
    bool readyKnown_ = false;
    bool queueReady_ = false;
};

// Starts the engine thread with the main window as the receiver of UM_ENGINE_ENDED and returns
// once its command queue takes commands (or the start failed and the thread ended). The
// references in playbackState (mainWindow, views, enlarged window) are set before this call.
std::unique_ptr<EngineThread> startEngine(MessageTarget* mainWindow);

// Engine thread procedures, used by the command loop and by tests.
// Wakes parked decoders at once after engineState became Playing or quit was set.
void wakeDecoders(EngineContext& context);
// Waits until both decoders are parked (or the engine quits), after engineState left Playing.
void waitForParkedDecoders(EngineContext& context);
void runStop(EngineContext& context);
void runClose(EngineContext& context);

// Ends whatever the engine is doing: every wait of the engine and its decoders gives up, an
// open stops reading, and the commands still queued (Stop, Close, Quit at exit) run without
// reports. The exit command calls it after queuing Quit, so the viewer always ends. Any thread.
void requestEngineQuit();

// Commands queued so far and commands whose work has finished, over the process's life: a
// command queued and not finished within a moment means the engine hangs (stress tests).
uint64_t engineCommandsQueued();
uint64_t engineCommandsFinished();

}  // namespace moksel
