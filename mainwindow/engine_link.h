// What the main window asks of the playback engine, in one place: starting and ending the
// engine thread, queuing commands, the engine's half of the pause step and the operations the
// main window runs directly on its own thread. The viewer uses the real engine
// (makeEngineLink); the main window's tests put a recorder in its place.
//
// Thread contract: UI thread only.
#pragma once

#include <chrono>
#include <memory>

#include "engine/engine_commands.h"
#include "platform/message_target.h"

namespace moksel {

class EngineLink {
public:
    virtual ~EngineLink() = default;

    // Starts the engine thread; UM_ENGINE_ENDED goes to `mainWindow` when it ends.
    virtual void start(MessageTarget* mainWindow) = 0;
    // Queues a command (CmdOpen with the UTF-8 path of the front file).
    virtual void push(EngineCommand command, const char* path = nullptr) = 0;
    // Waits up to `timeout` for the engine thread to end; true once it has.
    virtual bool waitForEnd(std::chrono::milliseconds timeout) = 0;
    // Joins the ended engine thread.
    virtual void join() = 0;
    // Makes the engine give up whatever it waits for, so the commands queued at exit run at
    // once and the engine ends.
    virtual void requestQuit() {}

    // Pauses the sound device and stops the clock timer (the pause step's engine half).
    virtual void pauseOutput() = 0;
    // Pauses the sound device only (speeds other than 1.0).
    virtual void pauseSound() = 0;
    // Unpauses the sound at speed 1.0, re-synchronised to the position.
    virtual void resumeSoundAtNormalSpeed() = 0;
    // Brightness and contrast of the playback record to the converters.
    virtual void applyColourAdjustment() = 0;
    // Zoom by a wheel delta (0: re-render the stills after a colour or flip change).
    virtual void changeFrontZoom(int wheelDelta) = 0;
    virtual void changeRearZoom(int wheelDelta) = 0;
    // Shows the picture at a position (tenths of a second) while not playing.
    virtual void seekStill(int positionTenths) = 0;
    // Shows the recording's last frame while not playing.
    virtual void showLastFrame() = 0;
    // Makes both large still pictures (capture, enlarging).
    virtual void renderLargeStills(int adopt) = 0;
    // Makes both still pictures at their views' sizes again (after the enlarged window).
    virtual void renderZoomStills() = 0;
};

std::unique_ptr<EngineLink> makeEngineLink();

}  // namespace moksel
