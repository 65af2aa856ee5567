// Whether both cameras keep real time and stay together at a given picture size: plays a
// generated pair (front at the size asked, rear at 1920 x 1080) and reports the pictures each
// camera showed per second and the largest difference between the frame numbers the two views
// showed at the same moment.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>

#include "bench_support.h"
#include "engine/engine.h"
#include "frame_pattern.h"
#include "platform/recording_target.h"

extern "C" {
#include <libavutil/log.h>
}

namespace moksel::bench {

namespace {

using namespace std::chrono_literals;

int frameShown(int camera) {
    auto lock = lockCameraPictures(camera);
    const uint8_t* picture = currentPicture(camera).load();
    if (!picture) return -1;
    const PictureSize size = pictureSizeOf(camera, picture);
    return gen::readFrameNumber(picture, size.width, size.height, size.width * 4);
}

// A 4K front beside a 1080p rear: the rear of a second generated pair, renamed to pair with the
// front.
gen::GenResult makeMixedPair(int frames, int width, int height) {
    gen::GenResult front = makePair("pace-front-" + std::to_string(width), frames, width, height);
    const gen::GenResult rear = makePair("pace-rear", frames, 1920, 1080);
    std::error_code ignored;
    std::filesystem::copy_file(rear.rearPath, front.rearPath, std::filesystem::copy_options::overwrite_existing,
                               ignored);
    return front;
}

}  // namespace

int runCameraPaceBench(int width, int height, int seconds) {
    av_log_set_level(AV_LOG_QUIET);
    setenv("SDL_AUDIODRIVER", "disk", 0);
    setenv("SDL_DISKAUDIOFILE", (benchFolder() + "/sound.raw").c_str(), 0);
    const int fps = gen::GenOptions{}.fps;
    const gen::GenResult pair = makeMixedPair((seconds + 5) * fps, width, height);

    RecordingTarget mainWindow, front, rear, enlarged;
    std::mutex seenMutex;
    std::set<int> frontSeen, rearSeen;
    std::atomic<int> largestOffset{0};
    front.setRepaintHandler([&] {
        const int f = frameShown(kFrontCamera);
        const int r = frameShown(kRearCamera);
        std::lock_guard<std::mutex> lock(seenMutex);
        if (f >= 0) frontSeen.insert(f);
        if (f >= 0 && r >= 0) largestOffset = std::max(largestOffset.load(), std::abs(f - r));
    });
    rear.setRepaintHandler([&] {
        const int r = frameShown(kRearCamera);
        std::lock_guard<std::mutex> lock(seenMutex);
        if (r >= 0) rearSeen.insert(r);
    });
    playbackState.mainWindow = &mainWindow;
    playbackState.frontViewWindow = &front;
    playbackState.rearViewWindow = &rear;
    playbackState.enlargedWindow = &enlarged;
    auto engine = startEngine(&mainWindow);
    if (!engine->running()) return 1;

    pushEngineCommand(CmdOpen, pair.frontPath.c_str());
    if (!mainWindow.waitFor(UM_OPEN_DONE, 5min)) return 1;
    playbackState.uiState = Playing;
    pushEngineCommand(CmdPlay);
    // The first second settles (decoder threads filling); the figures cover the rest.
    std::this_thread::sleep_for(1s);
    {
        std::lock_guard<std::mutex> lock(seenMutex);
        frontSeen.clear();
        rearSeen.clear();
        largestOffset = 0;
    }
    const double startMs = nowMs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double elapsedS = (nowMs() - startMs) / 1000.0;
    // Paused, the two views must show the same moment.
    playbackState.uiState = Paused;
    pausePlaybackOutput();
    playbackState.engineState = Paused;
    std::this_thread::sleep_for(200ms);
    const int pausedOffset = std::abs(frameShown(kFrontCamera) - frameShown(kRearCamera));
    {
        std::lock_guard<std::mutex> lock(seenMutex);
        std::printf("front-size: %dx%d, rear-size: 1920x1080, seconds: %.1f\n", width, height, elapsedS);
        std::printf("front-fps: %.1f\n", static_cast<double>(frontSeen.size()) / elapsedS);
        std::printf("rear-fps: %.1f\n", static_cast<double>(rearSeen.size()) / elapsedS);
        std::printf("camera-offset-frames: %d\n", largestOffset.load());
        std::printf("paused-offset-frames: %d\n", pausedOffset);
    }
    pushEngineCommand(CmdStop);
    pushEngineCommand(CmdClose);
    pushEngineCommand(CmdQuit);
    engine->waitForEnd(30s);
    engine->join();
    playbackState.mainWindow = nullptr;
    playbackState.frontViewWindow = nullptr;
    playbackState.rearViewWindow = nullptr;
    playbackState.enlargedWindow = nullptr;
    return 0;
}

}  // namespace moksel::bench
