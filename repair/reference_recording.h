// What a healthy recording of the same camera tells about a cut-off one: its streams and their
// codec parameters, time scales, frame durations, first time stamps and how the camera
// interleaves video and sound in the media data.
//
// Thread contract: plain data plus one reading function; safe from any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "h264_syntax.h"

struct AVCodecParameters;

namespace moksel::repair {

struct CodecParametersFree {
    void operator()(AVCodecParameters* p) const;
};
using CodecParametersPtr = std::unique_ptr<AVCodecParameters, CodecParametersFree>;

struct StreamTiming {
    int timeBaseNum = 1, timeBaseDen = 1000;
    int64_t firstDts = 0;
    int64_t firstPts = 0;
    double frameDuration = 0;  // in time base units, averaged over the stream
};

struct ReferenceRecording {
    std::string path;
    int videoStreams = 0, soundStreams = 0;
    CodecParametersPtr video;  // the first video stream (H.264)
    CodecParametersPtr sound;  // the first sound stream (AAC); null when there is none
    StreamTiming videoTiming, soundTiming;
    AvcConfig avc;
    int width = 0, height = 0;
    uint32_t largestVideoSample = 0;
    bool soundRunsLong = false;  // sound samples mostly follow sound samples in the file
    bool videoRunsLong = false;
};

// Reads `path` as a reference. Fails with a message for the user when it is not a complete
// recording with H.264 video.
bool readReference(const std::string& path, ReferenceRecording& reference, std::string& error);

}  // namespace moksel::repair
