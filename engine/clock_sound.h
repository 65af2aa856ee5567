// The playback clock and the sound output.
//
// The clock (`playbackState.clockMs`) is advanced by an SDL timer every millisecond by the real
// time elapsed since the previous tick (a monotonic clock) times `speedFactor`, so the pictures
// keep pace with the sound device however late the timer fires. The sound plays only at speed
// 1.0: SDL's sound thread pulls samples through soundCallback, which decodes the packets of the
// sound index one after another and scales them by the volume.
#pragma once

#include <cstdint>

namespace moksel {

struct EngineContext;

// Starts the 1 ms clock timer (restarting it if it runs). Any thread.
void startClockTimer();
// Stops the clock timer; the clock keeps its value. Any thread.
void stopClockTimer();
// The timer's callback (SDL timer thread). Returns the interval to keep the timer running.
uint32_t tickClock(uint32_t intervalMs, void* unused);

// Opens the sound device paused: signed 16-bit native samples, 1024 samples per buffer.
// Engine thread (open). Returns false with the diagnostic line written when there is no
// device (or no sound system); audioDeviceState then stays below 0 and the recording plays
// silently.
bool openSoundDevice(EngineContext& context, int sampleRate, int channels);
// Closes the device if open and drops a sound packet remainder. Engine thread.
void closeSoundDevice(EngineContext& context);

// Pauses or unpauses the sound device if it is open. Any thread.
void pauseSound();
void unpauseSound();

// Unpauses the sound device if speedFactor is exactly 1.0; else does nothing. UI thread, after
// the main window changed the speed.
void resumeSoundAtNormalSpeed();

// The engine's half of the main window's pause step: pauses the sound device and stops the
// clock timer. UI thread (the main window sets uiState and engineState itself).
void pausePlaybackOutput();

// SDL's sound callback (sound thread).
void soundCallback(void* context, uint8_t* stream, int length);

// Decodes the next sound into the sound buffer: returns the bytes now in it, or -1 when there
// is nothing to play. Sound thread (tests: with the device paused or closed).
int decodeSound(EngineContext& context);

}  // namespace moksel
