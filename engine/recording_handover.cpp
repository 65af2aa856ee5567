#include "engine/recording_handover.h"

#include <SDL.h>

#include <cstring>
#include <mutex>
#include <utility>

#include "engine/engine_commands.h"
#include "engine/engine_context.h"
#include "engine/engine_messages.h"
#include "engine/engine_reports.h"
#include "engine/engine_thread.h"
#include "engine/picture_lock.h"
#include "engine/playback_state.h"
#include "engine/prepared_recording.h"
#include "engine/recording_open.h"
#include "engine/still_pictures.h"

namespace moksel {

namespace {

PlaybackState& ps = playbackState;

// Exchanges what belongs to one recording in a camera; converters and picture buffers stay.
void swapCamera(CameraPictures& playing, CameraPictures& next) {
    std::swap(playing.decoder, next.decoder);
    std::swap(playing.decoded, next.decoded);
    std::swap(playing.scratch, next.scratch);
    std::swap(playing.index, next.index);
    std::swap(playing.durationMs, next.durationMs);
    std::swap(playing.decodedNumber, next.decodedNumber);
    std::swap(playing.fedPosition, next.fedPosition);
    std::swap(playing.drained, next.drained);
    std::swap(playing.needsFlush, next.needsFlush);
}

// Swaps the prepared recording in; afterwards `next` holds the recording that ended. Decoders
// parked.
void swapIn(EngineContext& context, PreparedRecording& next) {
    for (int camera = 0; camera < 2; ++camera) {
        std::lock_guard<std::mutex> lock(pictureLock(camera));
        swapCamera(context.cameras[camera], next.cameras[camera]);
    }
    SDL_LockAudio();
    std::swap(context.soundDecoder, next.soundDecoder);
    std::swap(context.resampler, next.resampler);
    std::swap(context.soundIndex, next.soundIndex);
    std::swap(context.soundChannels, next.soundChannels);
    std::swap(context.soundSampleRate, next.soundSampleRate);
    std::swap(context.soundStream, next.soundStream);
    std::swap(context.soundStreamNumber, next.soundStreamNumber);
    // What the device still has of the ended recording plays out; the next sound follows it.
    context.soundPacket = nullptr;
    ps.audioNextSeq.store(1);
    ps.audioSeekPending.store(0);
    SDL_UnlockAudio();
    std::swap(context.frontDemuxer, next.frontDemuxer);
    std::swap(context.rearDemuxer, next.rearDemuxer);
    std::swap(context.frontVideoStream, next.frontVideoStream);
    std::swap(context.rearVideoStream, next.rearVideoStream);
    std::swap(context.frontStream, next.frontStream);
    std::swap(context.rearStream, next.rearStream);
    std::memset(context.path, 0, sizeof context.path);
    std::strncpy(context.path, next.path.c_str(), sizeof context.path - 1);
}

void publishTelemetry(const PreparedRecording& next) {
    clearTelemetry();
    postToMain(UM_TELEMETRY_CLEARED);
    const int count = static_cast<int>(next.telemetry.size());
    if (count == 0) return;
    TelemetryRecord* records = reserveTelemetry(count);
    std::copy(next.telemetry.begin(), next.telemetry.end(), records);
    ps.telemetryCount.store(count);
    postToMain(UM_TELEMETRY_LOADED);
}

// The end of a recording with nothing to hand over to: what the front decoder's end does.
void endPlaying() {
    pushEngineCommand(CmdStop);
    postToMain(UM_PLAY_END);
}

}  // namespace

void discardPrepared(EngineContext& context) {
    context.handoverReady.store(false);
    delete std::exchange(context.prepared, nullptr);
}

void runPrepare(EngineContext& context, const char* path) {
    // The same recording asked for again (another Play) stays as it was prepared.
    if (context.prepared && path && context.prepared->path == path) return;
    discardPrepared(context);
    if (!path || !*path || ps.openState.load() == NoRecording) return;
    auto* next = new PreparedRecording;
    if (!prepareRecording(context, path, *next)) {
        delete next;
        return;
    }
    context.prepared = next;
    context.handoverReady.store(true);
}

void runHandover(EngineContext& context) {
    PreparedRecording* next = std::exchange(context.prepared, nullptr);
    context.handoverReady.store(false);
    if (!next || ps.engineState.load() != Playing || context.quit.load()) {
        delete next;
        if (ps.engineState.load() == Playing) endPlaying();
        return;
    }
    // Where the last picture of the ended recording ends on the clock: the next recording's
    // first picture is due there.
    const double endMs = ps.frontFrameTimeMs.load();
    ps.engineState.store(Paused);
    wakeDecoders(context);  // out of their frame waits, to park at once
    waitForParkedDecoders(context);
    swapIn(context, *next);
    ps.frontSeekPending.store(0);
    ps.rearSeekPending.store(0);
    ps.frontNextSeq.store(1);
    ps.rearNextSeq.store(1);
    ps.frontFrameTimeMs.store(0.0);
    ps.rearFrameTimeMs.store(0.0);
    ps.seekTargetMs.store(0);
    ps.clockMs.fetch_sub(endMs);
    const bool hasRear = context.cameras[kRearCamera].decoder != nullptr;
    ps.openState.store(hasRear ? FrontAndRear : FrontOnly);
    ps.hasSound.store(context.soundStreamNumber >= 0 ? 1 : 0);
    if (!hasRear) {
        ps.rearPicture.store(nullptr);
        repaintWindow(ps.rearViewWindow.load());
    }
    // A pause the user gave meanwhile stands: the next recording's first pictures show still,
    // so the pictures on screen are those of the recording the window now names.
    const bool pausedMeanwhile = ps.uiState.load() != Playing;
    if (!pausedMeanwhile) {
        ps.engineState.store(Playing);
        wakeDecoders(context);
    }

    publishTelemetry(*next);
    const int64_t durationMs = context.cameras[kFrontCamera].durationMs;
    postToMain(UM_RECORDING_LENGTH, next->eventTimeMs / 100, static_cast<LParam>(static_cast<uint32_t>(durationMs / 100)));
    if (next->rearUnusable) postToMain(UM_REAR_OPEN_FAILED);
    postToMain(UM_HANDED_OVER, 0, static_cast<LParam>(static_cast<uint32_t>(durationMs / 100)));
    if (pausedMeanwhile) seekStill(0);
    // The ended recording's files, decoders and indexes.
    delete next;
}

}  // namespace moksel
