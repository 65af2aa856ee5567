// The process-wide playback record shared by the main window, the panes and the engine's
// threads (engine thread, front and rear decoders, clock timer, sound thread).
//
// No lock guards the record as a whole: every field that more than one thread touches is an
// atomic of its width, read and written whole, with one writer at a time. Each group below says
// who writes it. Pictures (the pixels behind the picture pointers) are guarded separately by
// the camera picture locks (picture_lock.h).
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/message_target.h"
#include "recording/telemetry.h"

namespace moksel {

enum PlayState : int { Stopped = 1, Playing = 2, Paused = 3 };
enum OpenState : int { NoRecording = 0, FrontOnly = 1, FrontAndRear = 2 };

// Picture sizes produced by the converters, per camera and size index (0 large, 1 view size).
struct PictureSize {
    int width;
    int height;
};
constexpr int kFrontCamera = 0;
constexpr int kRearCamera = 1;
constexpr int kLargeSizeIndex = 0;
constexpr int kViewSizeIndex = 1;
constexpr PictureSize pictureSizes[2][2] = {{{1280, 720}, {487, 311}}, {{1280, 720}, {487, 311}}};

struct PlaybackState {
    // --- Controls: written by the main window and its panes (UI thread); the engine reads them.
    std::atomic<int> uiState{Stopped};      // the main window's play state; the views read it
    std::atomic<int> engineState{Stopped};  // the state the decoders obey; the engine writes
                                            // Playing/Stopped, the main window Paused
    std::atomic<double> speedFactor{1.0};   // clock advance per real millisecond
    std::atomic<int> volume{64};            // sound volume 0..128
    std::atomic<int> soundOn{1};            // 0 mutes (decoding goes on at volume 0)
    std::atomic<int> brightness{50};        // 0..100
    std::atomic<int> contrast{50};          // 0..100
    std::atomic<int> frontSizeIndex{1};     // picture size index for the front view (0 large)
    std::atomic<int> rearSizeIndex{1};      // the same for the rear view (engine resets at close)
    std::atomic<int> flipVertical{0};       // rear picture upside down
    std::atomic<int> mirrorHorizontal{0};   // rear picture mirrored left to right
    std::atomic<int> enlargedOn{0};         // decoders feed the enlarged window
    std::atomic<int> enlargedShowsRear{0};  // with enlargedOn: 1 rear camera, 0 front camera
    std::atomic<int> enlargedVisible{0};    // written by the enlarged window on show and hide
    std::atomic<int> positionDragging{0};   // no position reports while the user drags
    std::atomic<uint8_t> repeatEndOn{0};    // a repeat end point is active
    std::atomic<float> repeatEndFraction{0.0f};  // repeat end as a fraction of the duration
    // Seek hand-over: the requester writes seekTargetMs first, then the pending bytes; the front
    // decoder, the rear decoder and the sound thread clear their own byte.
    std::atomic<int> seekTargetMs{0};       // ms of recording time
    std::atomic<uint8_t> frontSeekPending{0};
    std::atomic<uint8_t> rearSeekPending{0};
    std::atomic<uint8_t> audioSeekPending{0};

    // --- Engine state: written by the engine's threads (engine thread at open/stop/close and
    // steps, decoders while playing, the UI thread's still operations while not playing); the
    // main window and the panes only read it.
    std::atomic<int> openState{NoRecording};
    std::atomic<double> clockMs{0.0};           // playback clock, ms of recording time
    std::atomic<double> frontFrameTimeMs{0.0};  // time of the front frame shown, ms
    std::atomic<double> rearFrameTimeMs{0.0};   // time of the rear frame shown, ms
    std::atomic<int> frontNextSeq{1};           // next front packet to decode (1-based)
    std::atomic<int> rearNextSeq{1};
    std::atomic<int> audioNextSeq{1};           // written by the sound thread (and Stop/Open)
    std::atomic<int> frontIdle{1};              // 1 while the front decoder is parked
    std::atomic<int> rearIdle{1};
    std::atomic<uint8_t*> frontPicture{nullptr};       // BGRA, rows top to bottom; null = none
    std::atomic<uint8_t*> rearPicture{nullptr};
    std::atomic<uint8_t*> frontLargePicture{nullptr};  // 1280 x 720 still for capture/enlarge
    std::atomic<uint8_t*> rearLargePicture{nullptr};
    // The telemetry records of the open recording, one per front video packet: written by the
    // engine thread at open and close only (through reserveTelemetry); read by the panes after
    // UM_TELEMETRY_LOADED (and through the addresses of UM_MAP_POSITION and UM_HEADING).
    // telemetryCount is stored after the records are written. Record addresses stay valid for
    // the life of the process (see reserveTelemetry), so a message still queued when the
    // recording closes reads zeros or an older record, never freed memory.
    std::atomic<TelemetryRecord*> telemetry{nullptr};
    std::atomic<int> telemetryCount{0};
    std::atomic<double> lastLatitude{0.0};   // record reported last (decoders, steps)
    std::atomic<double> lastLongitude{0.0};
    std::atomic<int> audioDeviceState{-1};   // below 0: sound device closed
    std::atomic<int> hasSound{0};            // the open recording has sound it can play

    // --- References: set by the main window before it starts the engine.
    std::atomic<MessageTarget*> frontViewWindow{nullptr};
    std::atomic<MessageTarget*> rearViewWindow{nullptr};
    std::atomic<MessageTarget*> enlargedWindow{nullptr};
    std::atomic<MessageTarget*> mainWindow{nullptr};
    // The main window's path buffer for CmdOpen (UTF-8, NUL-terminated). pushEngineCommand
    // copies the path, so the buffer may be reused at once.
    char openPathBuffer[512]{};
};

// The one record of the process.
extern PlaybackState playbackState;

// Current picture pointer of a camera (0 front, 1 rear).
std::atomic<uint8_t*>& currentPicture(int camera);
std::atomic<uint8_t*>& largePicture(int camera);
std::atomic<int>& sizeIndexOf(int camera);

// Makes room for `count` telemetry records, all zeroed, publishes the storage in
// playbackState.telemetry and returns it (never null). Call with telemetryCount 0, from the
// engine thread (tests: the UI thread with no engine running). Storage only grows: a longer
// recording gets a larger block and the older blocks are kept until the process ends, so
// addresses handed out in messages never dangle; what is kept stays below twice the largest
// recording's records.
TelemetryRecord* reserveTelemetry(int count);
// Zeroes the records in use and sets telemetryCount to 0 (close).
void clearTelemetry();

}  // namespace moksel
