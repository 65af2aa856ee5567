// Shared support for the engine tests: a sound driver that needs no hardware, generated
// recordings in a temporary folder, a running engine with recording targets in place of the
// main window and the views, and readers of the pictures the views would paint.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/engine_context.h"
#include "frame_pattern.h"
#include "platform/recording_target.h"
#include "recording_generator.h"

namespace moksel::test {

using namespace std::chrono_literals;

// A folder of its own per test process, removed at exit.
const std::filesystem::path& testFolder();
// The file the disk sound driver writes (set before SDL starts, in the test main).
std::string soundCapturePath();
// The samples the disk sound driver has written so far (16-bit, as the device takes them).
std::vector<int16_t> capturedSound();

// Generates a pair into a sub-folder named `name` (small pictures unless the options say).
gen::GenResult makeRecording(const std::string& name, gen::GenOptions options);
gen::GenOptions smallOptions(int frames = 90);

// Frame number shown in a camera's current picture (under the picture lock), -1 if none or
// unreadable.
int shownFrame(int camera);
int frameInPicture(const uint8_t* pixels, int camera, int sizeIndex);

// Engine with recording targets; started in SetUp and quit, awaited and joined in TearDown.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Queues CmdStop + CmdOpen and waits for the open's outcome (UM_OPEN_DONE or UM_OPEN_FAILED).
    bool openAndWait(const std::string& path);
    // Puts the player in the state the main window's pause step leaves (engine half included).
    void pauseLikeMainWindow();
    void play();
    void stopAndWait();
    EngineContext& context() { return *engineContext.load(); }
    int frontCount();
    int rearCount();
    // Frames delivered to a view (by repaint), in order.
    std::vector<int> delivered(int camera);
    void clearDelivered();
    bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 20s);

    RecordingTarget mainWindow;
    RecordingTarget frontView;
    RecordingTarget rearView;
    RecordingTarget enlarged;
    std::unique_ptr<EngineThread> engine;

private:
    std::mutex deliveredMutex_;
    std::vector<int> delivered_[2];
};

// Resets every control of the playback record to its start value.
void resetControls();

}  // namespace moksel::test
