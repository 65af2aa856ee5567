#include "engine/engine_thread.h"
#include "engine/media_file.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "engine/clock_sound.h"
#include "engine/engine_commands.h"
#include "engine/engine_context.h"
#include "engine/engine_messages.h"
#include "engine/engine_reports.h"
#include "engine/picture_converter.h"
#include "engine/picture_lock.h"
#include "engine/playback_state.h"
#include "engine/recording_handover.h"
#include "engine/recording_open.h"
#include "engine/still_pictures.h"
#include "engine/video_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

namespace moksel {

std::atomic<EngineContext*> engineContext{nullptr};

namespace {

PlaybackState& ps = playbackState;

// The registered SDL event type that carries commands; 0 while no engine takes commands. The
// mutex keeps a push from slipping in between the end of the loop and the queue's shut-down.
std::mutex pushMutex;
uint32_t commandEventType = 0;
SDL_sem* commandQueued = nullptr;  // posted after each push
std::atomic<uint64_t> commandsQueued{0};
// Keeps the context alive while requestEngineQuit uses it from another thread.
std::mutex contextMutex;
std::atomic<uint64_t> commandsFinished{0};

bool allocatePictures(EngineContext& context) {
    for (CameraPictures& cam : context.cameras) {
        cam.decoded = av_frame_alloc();
        cam.scratch = av_frame_alloc();
        if (!cam.decoded || !cam.scratch) return false;
    }
    context.soundFrame = av_frame_alloc();
    if (!context.soundFrame) return false;
    for (int sizeIndex = 0; sizeIndex < 2; ++sizeIndex) {
        for (int camera = 0; camera < 2; ++camera) {
            const PictureSize size = pictureSizes[camera][sizeIndex];
            context.cameras[camera].buffers[sizeIndex] =
                static_cast<uint8_t*>(av_mallocz(pictureBufferBytes(size)));
            if (!context.cameras[camera].buffers[sizeIndex]) return false;
        }
    }
    context.flipScratch.resize(static_cast<size_t>(1280) * 720 * 4);
    return true;
}

void freePictures(EngineContext& context) {
    for (CameraPictures& cam : context.cameras) {
        av_frame_free(&cam.decoded);
        av_frame_free(&cam.scratch);
        for (uint8_t*& buffer : cam.buffers) {
            av_free(buffer);
            buffer = nullptr;
        }
    }
    av_frame_free(&context.soundFrame);
}

// Frees everything a recording holds, without reports.
void releaseRecording(EngineContext& context) {
    discardPrepared(context);
    closeSoundDevice(context);
    for (int camera = 0; camera < 2; ++camera) {
        std::lock_guard<std::mutex> lock(pictureLock(camera));
        CameraPictures& cam = context.cameras[camera];
        avcodec_free_context(&cam.decoder);
        freeConverters(cam);
        cam.index.clear();
        if (cam.decoded) av_frame_unref(cam.decoded);
        cam.needsFlush = false;
        cam.decodedNumber = 0;
        cam.fedPosition = 0;
        cam.drained = false;
        cam.durationMs = 0;
    }
    avcodec_free_context(&context.soundDecoder);
    swr_free(&context.resampler);
    context.soundIndex.clear();
    context.soundChannels = 0;
    closeMediaFile(&context.frontDemuxer);
    closeMediaFile(&context.rearDemuxer);
    context.frontVideoStream = context.soundStreamNumber = context.rearVideoStream = -1;
    context.soundStream = context.frontStream = context.rearStream = nullptr;
}

// At normal speed with a sound device the clock starts with the sound (when the device takes
// the first samples), so the pictures do not run ahead of the sound by what the device still
// held for the whole play.
void runPlay(EngineContext& context) {
    ps.engineState.store(Playing);
    wakeDecoders(context);
    if (ps.speedFactor.load() == 1.0 && ps.audioDeviceState.load() >= 0) {
        startClockWithSound();
        unpauseSound();
    } else {
        startClockTimer();
    }
}

// Without a video subsystem SDL_WaitEvent polls the queue every millisecond; the engine thread
// instead sleeps on a semaphore that pushEngineCommand posts after each push. An event pushed
// some other way (SDL_QUIT) is still seen within the wait's time-out.
bool nextEvent(SDL_sem* queued, SDL_Event& event) {
    while (SDL_PollEvent(&event) == 0) {
        if (SDL_SemWaitTimeout(queued, 100) < 0) {
            std::fprintf(stderr, "SDL_SemWaitTimeout: %s\n", SDL_GetError());
            return false;
        }
    }
    return true;
}

// The path a command carries (copied by pushEngineCommand), taken over and freed.
std::string takePath(SDL_Event& event) {
    std::string path;
    if (event.user.data1) {
        path = static_cast<const char*>(event.user.data1);
        std::free(event.user.data1);
        event.user.data1 = nullptr;
    }
    if (path.size() >= kPathBytes) path.resize(kPathBytes - 1);
    return path;
}

// Steps the same way queued behind this one (a held key, fast presses) are taken with it and
// shown as one step of that many pictures: a step back on a file with long key-picture intervals
// decodes from its key picture, and each queued step would do it again.
int takeQueuedSteps(int command) {
    int taken = 0;
    SDL_Event next;
    while (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, commandEventType, commandEventType) > 0 &&
           next.user.code == command) {
        SDL_PeepEvents(&next, 1, SDL_GETEVENT, commandEventType, commandEventType);
        ++taken;
    }
    return taken;
}

void runSteps(EngineContext& context, const SDL_Event& event) {
    const int command = event.user.code;
    const int taken = takeQueuedSteps(command);
    if (command == CmdStepForward) {
        stepForward(context, 1 + taken);
    } else {
        stepBack(context, 1 + taken);
    }
    commandsFinished.fetch_add(taken);
}

void runCommand(EngineContext& context, SDL_Event& event) {
    switch (event.user.code) {
        case CmdPlay:
            runPlay(context);
            break;
        case CmdStop:
            pauseSound();
            ps.seekTargetMs.store(0);
            ps.audioSeekPending.store(1);
            runStop(context);
            break;
        case CmdClose:
            runClose(context);
            break;
        case CmdOpen:
            openRecording(context, takePath(event).c_str());
            break;
        case CmdPrepare:
            runPrepare(context, takePath(event).c_str());
            break;
        case CmdHandover:
            runHandover(context);
            break;
        case CmdStepForward:
        case CmdStepBack:
            runSteps(context, event);
            break;
        default:
            break;
    }
}

void runCommandLoop(EngineContext& context, uint32_t eventType, SDL_sem* queued) {
    SDL_Event event;
    while (true) {
        if (!nextEvent(queued, event)) return;
        if (event.type == SDL_QUIT) return;
        if (event.type != eventType) continue;
        runCommand(context, event);
        commandsFinished.fetch_add(1);
        if (event.user.code == CmdQuit) return;
    }
}

// Runs the engine until it quits; returns at once when start-up fails.
void engineMain(const std::function<void(bool)>& ready) {
    auto context = std::make_unique<EngineContext>();
    if (!allocatePictures(*context)) {
        freePictures(*context);
        ready(false);
        return;
    }
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_EVENTS) < 0) {
        std::fprintf(stderr, "Could not initialize SDL - %s\n", SDL_GetError());
        freePictures(*context);
        ready(false);
        return;
    }
    // Sound is optional: without a usable sound system recordings still play, silently.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
        std::fprintf(stderr, "Could not initialize SDL audio - %s\n", SDL_GetError());
    }
    const uint32_t eventType = SDL_RegisterEvents(1);
    if (eventType == static_cast<uint32_t>(-1)) {
        std::fprintf(stderr, "Could not initialize SDL - %s\n", "no event type left");
        SDL_Quit();
        freePictures(*context);
        ready(false);
        return;
    }
    SDL_sem* queued = SDL_CreateSemaphore(0);
    if (!queued) {
        std::fprintf(stderr, "Could not initialize SDL - %s\n", SDL_GetError());
        SDL_Quit();
        freePictures(*context);
        ready(false);
        return;
    }
    ps.frontIdle.store(1);
    ps.rearIdle.store(1);
    engineContext.store(context.get());
    {
        std::lock_guard<std::mutex> lock(pushMutex);
        commandEventType = eventType;
        commandQueued = queued;
    }
    context->frontDecoderThread = SDL_CreateThread(frontDecoderThread, "front decoder", context.get());
    context->rearDecoderThread = SDL_CreateThread(rearDecoderThread, "rear decoder", context.get());
    ready(true);

    runCommandLoop(*context, eventType, queued);

    context->quit.store(1);
    wakeDecoders(*context);
    if (context->frontDecoderThread) SDL_WaitThread(context->frontDecoderThread, nullptr);
    if (context->rearDecoderThread) SDL_WaitThread(context->rearDecoderThread, nullptr);
    {
        std::lock_guard<std::mutex> lock(pushMutex);
        commandEventType = 0;
        commandQueued = nullptr;
        SDL_Event event;
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, eventType, eventType) > 0) {
            if (event.user.code == CmdOpen || event.user.code == CmdPrepare) std::free(event.user.data1);
        }
    }
    stopClockTimer();
    releaseRecording(*context);
    {
        std::lock_guard<std::mutex> lock(contextMutex);
        engineContext.store(nullptr);
    }
    SDL_DestroySemaphore(queued);
    SDL_Quit();
    freePictures(*context);
    ps.engineState.store(Stopped);
    ps.openState.store(NoRecording);
    ps.frontPicture.store(nullptr);
    ps.rearPicture.store(nullptr);
    ps.frontLargePicture.store(nullptr);
    ps.rearLargePicture.store(nullptr);
    ps.telemetryCount.store(0);
}

}  // namespace

bool pushEngineCommand(EngineCommand command, const char* path) {
    std::lock_guard<std::mutex> lock(pushMutex);
    if (commandEventType == 0) return false;
    SDL_Event event{};
    event.type = commandEventType;
    event.user.code = command;
    const bool carriesPath = command == CmdOpen || command == CmdPrepare;
    if (carriesPath) event.user.data1 = strdup(path ? path : "");
    if (SDL_PushEvent(&event) != 1) {
        if (carriesPath) std::free(event.user.data1);
        return false;
    }
    SDL_SemPost(commandQueued);
    commandsQueued.fetch_add(1);
    return true;
}

void requestEngineQuit() {
    std::lock_guard<std::mutex> lock(contextMutex);
    EngineContext* context = engineContext.load();
    if (!context) return;
    context->quit.store(1);
    wakeDecoders(*context);
}

uint64_t engineCommandsQueued() { return commandsQueued.load(); }
uint64_t engineCommandsFinished() { return commandsFinished.load(); }

void waitForParkedDecoders(EngineContext& context) {
    while (!(ps.frontIdle.load() && ps.rearIdle.load()) && !context.quit.load()) SDL_Delay(1);
}

void wakeDecoders(EngineContext& context) {
    // Taking the lock after the state was written means a decoder that has just found the
    // state unchanged is already waiting when the notice comes.
    std::lock_guard<std::mutex> lock(context.wakeMutex);
    context.wake.notify_all();
}

void runStop(EngineContext& context) {
    discardPrepared(context);
    ps.engineState.store(Stopped);
    stopClockTimer();
    waitForParkedDecoders(context);
    ps.clockMs.store(0.0);
    ps.frontPicture.store(nullptr);
    ps.rearPicture.store(nullptr);
    ps.frontFrameTimeMs.store(0.0);
    ps.rearFrameTimeMs.store(0.0);
    ps.frontNextSeq.store(1);
    ps.rearNextSeq.store(1);
    ps.frontLargePicture.store(nullptr);
    ps.rearLargePicture.store(nullptr);
    {
        // The next packet decoded after a rewind is not the successor of the last one.
        for (int camera = 0; camera < 2; ++camera) {
            std::lock_guard<std::mutex> lock(pictureLock(camera));
            context.cameras[camera].needsFlush = true;
        }
    }
    if (!context.quit.load()) {
        repaintWindow(ps.frontViewWindow.load());
        repaintWindow(ps.rearViewWindow.load());
        // The enlarged window paints on its frame notice; without one it would keep the last
        // frame after the pictures are gone.
        if (MessageTarget* enlarged = ps.enlargedWindow.load(); enlarged && ps.enlargedVisible.load()) {
            enlarged->post(UM_ENLARGED_FRAME, 0, 0);
        }
        postToMain(UM_POSITION, 0, 0);
        postToMain(UM_TELEMETRY_TIME, 0, 0);
        postToMain(UM_INFO_CHANGED);
        postToMain(UM_TIME, 0, 0);
    }
}

void runClose(EngineContext& context) {
    // Decoders must not be inside a packet while their decoders are freed.
    if (ps.engineState.load() != Stopped) {
        ps.engineState.store(Stopped);
        waitForParkedDecoders(context);
    }
    stopClockTimer();
    releaseRecording(context);
    ps.frontLargePicture.store(nullptr);
    ps.rearLargePicture.store(nullptr);
    if (!context.quit.load()) {
        ps.frontSizeIndex.store(1);
        ps.rearSizeIndex.store(1);
        postToMain(UM_RESET_PAN);
    }
    ps.openState.store(NoRecording);
    ps.hasSound.store(0);
    postToMain(UM_TELEMETRY_CLEARED);
    clearTelemetry();
}

EngineThread::~EngineThread() { join(); }

bool EngineThread::waitForEnd(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return ended_; });
}

bool EngineThread::running() {
    std::lock_guard<std::mutex> lock(mutex_);
    return queueReady_ && !ended_;
}

void EngineThread::join() {
    if (thread_.joinable()) thread_.join();
}

void EngineThread::signalEnded() {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

void EngineThread::signalReady(bool ready) {
    std::lock_guard<std::mutex> lock(mutex_);
    readyKnown_ = true;
    queueReady_ = ready;
    changed_.notify_all();
}

std::unique_ptr<EngineThread> startEngine(MessageTarget* mainWindow) {
    std::unique_ptr<EngineThread> engine(new EngineThread());
    EngineThread* owner = engine.get();
    owner->thread_ = std::thread([owner, mainWindow] {
        engineMain([owner](bool ready) { owner->signalReady(ready); });
        if (mainWindow) mainWindow->post(UM_ENGINE_ENDED, 0, 0);
        owner->signalEnded();
    });
    std::unique_lock<std::mutex> lock(owner->mutex_);
    owner->changed_.wait(lock, [owner] { return owner->readyKnown_; });
    return engine;
}

}  // namespace moksel
