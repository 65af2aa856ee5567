#include "engine_test_support.h"

#include "scratch_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

namespace moksel::test {

const std::filesystem::path& testFolder() {
    static const gen::ScratchFolder folder("moksel-engine-test-");
    return folder.path();
}

std::string soundCapturePath() { return (testFolder() / "sound-out.raw").string(); }

std::vector<int16_t> capturedSound() {
    std::ifstream in(soundCapturePath(), std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

gen::GenOptions smallOptions(int frames) {
    gen::GenOptions options;
    options.frames = frames;
    options.width = 320;
    options.height = 180;
    options.keyInterval = 30;
    return options;
}

gen::GenResult makeRecording(const std::string& name, gen::GenOptions options) {
    options.outputDir = (testFolder() / name).string();
    gen::GenResult result;
    std::string error;
    if (!gen::generatePair(options, result, error)) {
        ADD_FAILURE() << "generator: " << error;
    }
    return result;
}

int frameInPicture(const uint8_t* pixels, int camera, int sizeIndex) {
    if (!pixels) return -1;
    const PictureSize size = pictureSizes[camera][sizeIndex];
    return gen::readFrameNumber(pixels, size.width, size.height, size.width * 4);
}

int shownFrame(int camera) {
    auto lock = lockCameraPictures(camera);
    uint8_t* picture = currentPicture(camera).load();
    if (!picture) return -1;
    EngineContext* context = engineContext.load();
    const int sizeIndex = context && picture == context->cameras[camera].buffers[0] ? 0 : 1;
    return frameInPicture(picture, camera, sizeIndex);
}

void resetControls() {
    PlaybackState& ps = playbackState;
    ps.uiState = Stopped;
    ps.speedFactor = 1.0;
    ps.volume = 64;
    ps.soundOn = 1;
    ps.brightness = 50;
    ps.contrast = 50;
    ps.frontSizeIndex = 1;
    ps.rearSizeIndex = 1;
    ps.flipVertical = 0;
    ps.mirrorHorizontal = 0;
    ps.enlargedOn = 0;
    ps.enlargedShowsRear = 0;
    ps.enlargedVisible = 0;
    ps.positionDragging = 0;
    ps.repeatEndOn = 0;
    ps.repeatEndFraction = 0.0f;
    ps.seekTargetMs = 0;
    ps.frontSeekPending = 0;
    ps.rearSeekPending = 0;
    ps.audioSeekPending = 0;
}

void EngineTest::SetUp() {
    resetControls();
    playbackState.mainWindow = &mainWindow;
    playbackState.frontViewWindow = &frontView;
    playbackState.rearViewWindow = &rearView;
    playbackState.enlargedWindow = &enlarged;
    for (int camera = 0; camera < 2; ++camera) {
        RecordingTarget& view = camera == 0 ? frontView : rearView;
        view.setRepaintHandler([this, camera] {
            const int frame = shownFrame(camera);
            if (frame < 0) return;
            std::lock_guard<std::mutex> lock(deliveredMutex_);
            delivered_[camera].push_back(frame);
        });
    }
    engine = startEngine(&mainWindow);
    ASSERT_TRUE(engine->running());
}

void EngineTest::TearDown() {
    pushEngineCommand(CmdStop);
    pushEngineCommand(CmdClose);
    pushEngineCommand(CmdQuit);
    EXPECT_TRUE(engine->waitForEnd(60s));
    engine->join();
    EXPECT_EQ(mainWindow.numbers().back(), UM_ENGINE_ENDED);
    playbackState.mainWindow = nullptr;
    playbackState.frontViewWindow = nullptr;
    playbackState.rearViewWindow = nullptr;
    playbackState.enlargedWindow = nullptr;
}

bool EngineTest::openAndWait(const std::string& path) {
    const int done = mainWindow.count(UM_OPEN_DONE);
    const int failed = mainWindow.count(UM_OPEN_FAILED);
    pushEngineCommand(CmdStop);
    pushEngineCommand(CmdOpen, path.c_str());
    return waitUntil([&] {
        return mainWindow.count(UM_OPEN_DONE) > done || mainWindow.count(UM_OPEN_FAILED) > failed;
    }, 60s);
}

void EngineTest::pauseLikeMainWindow() {
    playbackState.uiState = Paused;
    pausePlaybackOutput();
    playbackState.engineState = Paused;
}

void EngineTest::play() {
    playbackState.uiState = Playing;
    pushEngineCommand(CmdPlay);
}

void EngineTest::stopAndWait() {
    const int stops = mainWindow.count(UM_TIME);
    pushEngineCommand(CmdStop);
    waitUntil([&] {
        return playbackState.engineState == Stopped && playbackState.frontIdle &&
               playbackState.rearIdle && mainWindow.count(UM_TIME) > stops &&
               playbackState.frontPicture.load() == nullptr;
    });
}

int EngineTest::frontCount() {
    auto lock = lockCameraPictures(kFrontCamera);
    return context().cameras[kFrontCamera].index.count();
}

int EngineTest::rearCount() {
    auto lock = lockCameraPictures(kRearCamera);
    return context().cameras[kRearCamera].index.count();
}

std::vector<int> EngineTest::delivered(int camera) {
    std::lock_guard<std::mutex> lock(deliveredMutex_);
    return delivered_[camera];
}

void EngineTest::clearDelivered() {
    std::lock_guard<std::mutex> lock(deliveredMutex_);
    delivered_[0].clear();
    delivered_[1].clear();
}

bool EngineTest::waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

}  // namespace moksel::test

// The engine plays through SDL's disk sound driver, into a file of this process's own.
int main(int argc, char** argv) {
    setenv("SDL_AUDIODRIVER", "disk", 0);
    setenv("SDL_DISKAUDIOFILE", moksel::test::soundCapturePath().c_str(), 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
