// The playback clock and the sound output.
//
// The clock (`playbackState.clockMs`) is advanced by an SDL timer every kClockTickMs by the real
// time elapsed since the previous tick (a monotonic clock) times `speedFactor`, so the pictures
// keep pace with the sound device however late the timer fires. The decoders pace against
// clockNowMs, which adds the time since the last tick, so their timing is as fine as the
// monotonic clock whatever the tick period. A 1 ms tick cost a quarter more CPU in all while
// playing (a wake-up every millisecond that also interrupts the decoders); on a virtual machine
// even 10 ms ticks cost a fortieth of the viewer's CPU. 40 ms ticks lose no precision either.
//
// The sound plays only at speed 1.0: SDL's sound thread pulls samples through soundCallback,
// which decodes the packets of the sound index one after another and scales them by the
// volume. Sound and pictures are not steered by each other; a play with sound starts the clock
// when the device takes its first samples (startClockWithSound), after which both follow real
// time.
#pragma once

#include <cstdint>

namespace moksel {

struct EngineContext;

constexpr uint32_t kClockTickMs = 40;
constexpr int kClockSoundWaitMs = 2000;

// Starts the clock timer (restarting it if it runs). Any thread.
void startClockTimer();
// Starts the clock timer for a play with sound: the clock stands still until the device takes
// the play's first samples, so the pictures start with the sound however much silence the
// device still held from the pause before. A device that takes nothing within
// kClockSoundWaitMs starts the clock without it, and so does pausing the sound (another speed)
// meanwhile. Engine thread.
void startClockWithSound();
// Stops the clock timer; the clock keeps its value. Any thread.
void stopClockTimer();
// The timer's callback (SDL timer thread). Returns the interval to keep the timer running.
uint32_t tickClock(uint32_t intervalMs, void* unused);
// The clock as of now: clockMs plus the real time since the last tick times speedFactor while
// the timer runs; clockMs itself while it is stopped. Any thread.
double clockNowMs();

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
