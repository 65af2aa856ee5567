// Finds the video and sound samples in the raw media data of a recording whose index is lost.
//
// Video samples are H.264 access units stored as length-prefixed NAL units; they are recognised
// by their lengths, NAL headers and slice headers checked against the reference's parameter sets.
// Sound samples are raw AAC frames, which carry no header: a `SoundJudge` (the AAC decoder, in
// practice) says how long a frame starting at a position is, or that none starts there. Bytes
// that are neither are skipped one at a time (runs of zeros and whole foreign boxes at once)
// until samples are found again. A sample that runs past the end of the data (the cut) is left
// out.
//
// Thread contract: scanMediaData works only on its arguments; one call per judge at a time.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "h264_syntax.h"

namespace moksel::repair {

class SoundJudge {
public:
    virtual ~SoundJudge() = default;
    // The length of the sound frame that starts at `data` (at most `available` bytes), or 0 when
    // no whole frame starts there. `guess` is a likely length (0 when unknown).
    virtual size_t frameLength(const uint8_t* data, size_t available, size_t guess) = 0;
    // True when exactly `length` bytes at `data` are one whole frame.
    virtual bool wholeFrame(const uint8_t* data, size_t length) = 0;
    // The longest frame the stream's configuration allows.
    virtual size_t maxFrameLength() const = 0;
};

struct ScanSetup {
    const AvcConfig* video = nullptr;  // required
    SoundJudge* sound = nullptr;       // none: sound bytes are skipped as unknown
    size_t maxVideoSample = 8u << 20;  // a longer NAL unit is not believed
    size_t largestVideoSample = 0;     // the reference's; bounds a sample split by the end
    bool soundRunsLong = false;        // the camera writes sound in runs of several frames
    bool videoRunsLong = false;        // ... and video in runs of several samples
};

struct ScannedSample {
    uint64_t offset = 0;  // in the scanned data
    uint32_t size = 0;
    bool video = false;
    bool key = false;       // video: an IDR picture
    int refIdc = 0;         // video: the first slice's reference flag
    uint32_t frameNum = 0;  // video: the first slice's frame_num
    uint32_t pocLsb = 0;    // video: picture order count bits (order type 0)
};

struct ScanReport {
    std::vector<ScannedSample> samples;  // in data order
    uint64_t skippedBytes = 0;           // bytes that were neither video nor sound
    uint64_t cutBytes = 0;               // bytes of a last sample the end of data split
    bool cancelled = false;
};

// `progress` (may be empty) gets the fraction of the data scanned, now and then; `cancel`
// (may be null) stops the scan, which then reports what it found so far.
ScanReport scanMediaData(const uint8_t* data, size_t size, const ScanSetup& setup,
                         const std::function<void(double)>& progress = {},
                         const std::atomic<bool>* cancel = nullptr);

}  // namespace moksel::repair
