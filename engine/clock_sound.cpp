#include "engine/clock_sound.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "engine/engine_context.h"
#include "engine/playback_state.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswresample/swresample.h>
}

namespace moksel {

namespace {

std::mutex timerMutex;
SDL_TimerID timerId = 0;
// Guards lastTickNs and its pairing with the clock value: a reader never pairs one tick's time
// with another tick's clock. Seeks and Stop store the clock itself without it.
std::mutex tickMutex;
int64_t lastTickNs = 0;
// Opening and closing the sound device (engine thread) and pausing it (the window's pause step
// on the UI thread, and the engine) take turns: a pause must never reach a device being closed.
std::mutex deviceMutex;
// Set while the clock waits for the device to take the play's first samples (soundCallback
// then starts it).
std::atomic<bool> clockAwaitsSound{false};

// Moves the clock's start (the time of the last tick) to `startNs`.
void setClockStart(int64_t startNs) {
    std::lock_guard<std::mutex> lock(tickMutex);
    lastTickNs = startNs;
}

int64_t monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Drains the decoder's output into the decode scratch as interleaved S16 and mixes it into the
// cleared sound buffer at the current volume. Returns the bytes produced.
int receiveSound(EngineContext& c) {
    int produced = 0;
    const int frameBytes = 2 * std::max(1, c.soundChannels);
    while (avcodec_receive_frame(c.soundDecoder, c.soundFrame) == 0) {
        const int room = (kSoundBufferBytes - produced) / frameBytes;
        if (room > 0 && c.resampler) {
            uint8_t* out = c.decodeScratch + produced;
            const int got = swr_convert(c.resampler, &out, room,
                                        const_cast<const uint8_t**>(c.soundFrame->extended_data),
                                        c.soundFrame->nb_samples);
            if (got > 0) produced += got * frameBytes;
        }
        av_frame_unref(c.soundFrame);
    }
    if (produced > 0) {
        std::memset(c.soundBuffer, 0, static_cast<size_t>(produced));
        const int volume = playbackState.soundOn.load() ? std::clamp(playbackState.volume.load(), 0, 128) : 0;
        SDL_MixAudioFormat(c.soundBuffer, c.decodeScratch, AUDIO_S16SYS,
                           static_cast<Uint32>(produced), volume);
    }
    return produced;
}

}  // namespace

uint32_t tickClock(uint32_t intervalMs, void*) {
    std::lock_guard<std::mutex> lock(tickMutex);
    const int64_t now = monotonicNs();
    const int64_t previous = lastTickNs;
    if (previous > now) return intervalMs;  // the delayed start has not come yet
    lastTickNs = now;
    const double elapsedMs = previous > 0 ? static_cast<double>(now - previous) / 1e6 : 0.0;
    playbackState.clockMs.fetch_add(elapsedMs * playbackState.speedFactor.load());
    return intervalMs;
}

double clockNowMs() {
    std::lock_guard<std::mutex> lock(tickMutex);
    const double clock = playbackState.clockMs.load();
    if (lastTickNs <= 0) return clock;
    const double sinceTickMs = static_cast<double>(std::max<int64_t>(0, monotonicNs() - lastTickNs)) / 1e6;
    return clock + sinceTickMs * playbackState.speedFactor.load();
}

namespace {

void startTimerFrom(int64_t startNs) {
    std::lock_guard<std::mutex> lock(timerMutex);
    if (timerId != 0) SDL_RemoveTimer(timerId);
    setClockStart(startNs);
    timerId = SDL_AddTimer(kClockTickMs, [](Uint32 interval, void* p) -> Uint32 {
        return tickClock(interval, p);
    }, nullptr);
}

}  // namespace

void startClockTimer() {
    clockAwaitsSound.store(false);
    startTimerFrom(monotonicNs());
}

void startClockWithSound() {
    clockAwaitsSound.store(true);
    startTimerFrom(monotonicNs() + static_cast<int64_t>(kClockSoundWaitMs) * 1000000);
}

void stopClockTimer() {
    std::lock_guard<std::mutex> lock(timerMutex);
    if (timerId != 0) {
        SDL_RemoveTimer(timerId);
        timerId = 0;
    }
    clockAwaitsSound.store(false);
    setClockStart(0);
}

bool openSoundDevice(EngineContext& context, int sampleRate, int channels) {
    SDL_AudioSpec wanted{};
    wanted.freq = sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(channels);
    wanted.silence = 0;
    wanted.samples = 1024;
    wanted.callback = soundCallback;
    wanted.userdata = &context;
    // Without the sound system SDL_OpenAudio would try to start it again on every open.
    context.soundBytesHanded.store(0);
    std::lock_guard<std::mutex> lock(deviceMutex);
    const int result = SDL_WasInit(SDL_INIT_AUDIO) ? SDL_OpenAudio(&wanted, nullptr) : -1;
    if (result < 0) {
        std::fprintf(stderr, "SDL_OpenAudio: %s\n",
                     SDL_WasInit(SDL_INIT_AUDIO) ? SDL_GetError() : "no sound system");
        playbackState.audioDeviceState.store(-1);
        return false;
    }
    playbackState.audioDeviceState.store(result);
    return true;
}

void closeSoundDevice(EngineContext& context) {
    {
        std::lock_guard<std::mutex> lock(deviceMutex);
        if (playbackState.audioDeviceState.load() >= 0) {
            SDL_CloseAudio();  // returns after the callback has finished
            playbackState.audioDeviceState.store(-1);
        }
    }
    // A packet not fully decoded belongs to the index that is about to be cleared.
    context.soundPacket = nullptr;
    context.soundBufferSize = 0;
    context.soundBufferIndex = 0;
}

void pauseSound() {
    {
        std::lock_guard<std::mutex> lock(deviceMutex);
        if (playbackState.audioDeviceState.load() >= 0) SDL_PauseAudio(1);
    }
    // A clock still waiting for the sound (a speed change right after Play) runs without it.
    if (clockAwaitsSound.exchange(false)) setClockStart(monotonicNs());
}

void unpauseSound() {
    std::lock_guard<std::mutex> lock(deviceMutex);
    if (playbackState.audioDeviceState.load() >= 0) SDL_PauseAudio(0);
}

void resumeSoundAtNormalSpeed() {
    if (playbackState.speedFactor.load() == 1.0) unpauseSound();
}

void pausePlaybackOutput() {
    pauseSound();
    stopClockTimer();
}

int decodeSound(EngineContext& c) {
    if (!c.soundDecoder) return -1;
    for (;;) {
        if (c.soundPacket) {
            const AVPacket* packet = c.soundPacket;
            c.soundPacket = nullptr;
            // A packet the decoder refuses is dropped; the next packet follows.
            if (avcodec_send_packet(c.soundDecoder, packet) >= 0) {
                const int bytes = receiveSound(c);
                if (bytes > 0) return bytes;
            }
        }
        if (c.quit.load()) return -1;
        if (playbackState.audioSeekPending.load() && !playbackState.frontSeekPending.load()) {
            const int k = c.soundIndex.firstKeyAtOrAfter(
                static_cast<uint32_t>(playbackState.seekTargetMs.load()));
            if (k != 0) {
                playbackState.audioNextSeq.store(k);
                avcodec_flush_buffers(c.soundDecoder);
            }
            playbackState.audioSeekPending.store(0);
        }
        const int seq = playbackState.audioNextSeq.fetch_add(1);
        const StoredPacket* stored = c.soundIndex.at(seq);
        if (!stored) return -1;
        // A packet whose data cannot be read is passed over.
        c.soundPacket = c.soundIndex.packetData(*stored);
    }
}

void soundCallback(void* userData, uint8_t* stream, int length) {
    EngineContext& c = *static_cast<EngineContext*>(userData);
    c.soundBytesHanded.fetch_add(length);
    if (clockAwaitsSound.exchange(false)) setClockStart(monotonicNs());
    while (length > 0) {
        if (c.soundBufferIndex >= c.soundBufferSize) {
            const int size = decodeSound(c);
            if (size < 0) {
                std::memset(c.soundBuffer, 0, 1024);
                c.soundBufferSize = 1024;
            } else {
                c.soundBufferSize = static_cast<unsigned>(size);
            }
            c.soundBufferIndex = 0;
        }
        const int chunk = std::min(static_cast<int>(c.soundBufferSize - c.soundBufferIndex), length);
        std::memcpy(stream, c.soundBuffer + c.soundBufferIndex, static_cast<size_t>(chunk));
        stream += chunk;
        length -= chunk;
        c.soundBufferIndex += static_cast<unsigned>(chunk);
    }
}

}  // namespace moksel
