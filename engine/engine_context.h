// The engine's own context: demuxers, decoders, converters, packet indexes, the sound path and
// the engine threads. Allocated by the engine thread at start and freed when it ends.
//
// Thread contract per group:
// - demuxers, stream numbers, streams, path: engine thread only (open, close).
// - cameras[c]: guarded by pictureLock(c) (decoder thread c, still operations, steps, open and
//   close when they swap).
// - sound path (soundDecoder, resampler, soundIndex, sound buffer and its cursors): the sound
//   thread while the device is open; the engine thread only while the device is closed or
//   locked (SDL_LockAudio).
// - telemetryBox: engine thread only (open).
// - quit: written by the engine thread, and by requestEngineQuit (exit) from the UI thread;
//   read by every engine thread.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "engine/packet_index.h"
#include "recording/telemetry.h"

extern "C" {
struct AVFormatContext;
struct AVStream;
struct AVCodecContext;
struct AVFrame;
struct SwsContext;
struct SwrContext;
}

namespace moksel {

struct PreparedRecording;

constexpr int kSoundBufferBytes = 288000;
constexpr int kPathBytes = 1024;

struct CameraPictures {
    AVCodecContext* decoder = nullptr;
    AVFrame* decoded = nullptr;  // the last picture the decoder produced (kept when none comes)
    AVFrame* scratch = nullptr;  // receives the decoder's output
    uint8_t* buffers[2] = {nullptr, nullptr};  // BGRA pixels per size index, rows packed
    SwsContext* converters[2] = {nullptr, nullptr};
    // Source format each converter was made for; a decoded picture of another size or format
    // gets a converter remade for it (never a conversion that reads past the picture).
    int converterWidth[2] = {0, 0};
    int converterHeight[2] = {0, 0};
    int converterFormat[2] = {-1, -1};
    PacketIndex index;
    int64_t durationMs = 0;  // stream duration
    // Where the decoder stands (picture_decoding.h): the number of the picture in `decoded`
    // (0: none), the decode-order place of the last packet fed since the last flush, whether
    // the end of the stream was sent, and whether the next picture must start from its key.
    int decodedNumber = 0;
    int fedPosition = 0;
    bool drained = false;
    bool needsFlush = false;
    int64_t packetsSent = 0;  // packets given to the decoder since the recording was opened
};

struct EngineContext {
    AVFormatContext* frontDemuxer = nullptr;
    AVFormatContext* rearDemuxer = nullptr;
    int frontVideoStream = -1;
    int soundStreamNumber = -1;
    int rearVideoStream = -1;
    AVStream* soundStream = nullptr;
    AVStream* frontStream = nullptr;
    AVStream* rearStream = nullptr;

    CameraPictures cameras[2];
    std::vector<uint8_t> flipScratch;  // 1280 x 720 x 4, used by the rear flips

    // Sound path.
    AVCodecContext* soundDecoder = nullptr;
    SwrContext* resampler = nullptr;
    int soundChannels = 0;
    int soundSampleRate = 0;
    PacketIndex soundIndex;
    uint8_t soundBuffer[kSoundBufferBytes]{};   // volume-scaled samples waiting for the device
    uint8_t decodeScratch[kSoundBufferBytes]{}; // decoder output before volume scaling
    unsigned soundBufferSize = 0;
    unsigned soundBufferIndex = 0;
    const AVPacket* soundPacket = nullptr;  // packet still to be given to the decoder
    AVFrame* soundFrame = nullptr;
    // Bytes the sound callback has handed to the device since it was opened: what the device
    // has played plus what it still holds. Read by the playback benchmark.
    std::atomic<int64_t> soundBytesHanded{0};

    // Telemetry working arrays (about 3.7 MB), made once with the context and reused by every
    // open. Engine thread only.
    TelemetryBox telemetryBox;

    // The next recording of the drive, opened ahead (recording_handover.h); engine thread.
    // handoverReady is set while one is ready, for the front decoder at the end.
    PreparedRecording* prepared = nullptr;
    std::atomic<bool> handoverReady{false};

    SDL_Thread* frontDecoderThread = nullptr;
    SDL_Thread* rearDecoderThread = nullptr;
    char path[kPathBytes]{};  // front file being opened
    std::atomic<int> quit{0};
    // Parked decoders wait here (with a time-out) instead of polling; wakeDecoders notifies.
    std::mutex wakeMutex;
    std::condition_variable wake;
};

// The running engine's context, null while no engine runs. Set and cleared by the engine
// thread; the direct operations read it on the UI thread while the engine runs.
extern std::atomic<EngineContext*> engineContext;

}  // namespace moksel
