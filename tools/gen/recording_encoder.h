// Writes one MP4 file the way the camera lays it out: H.264 video with millisecond time stamps
// (track time scale 1000), optional AAC sound at 22050 Hz, top-level boxes ftyp, free, mdat, moov.
//
// Thread contract: each call owns its FFmpeg contexts; calls on different files may run on
// different threads at once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame_pattern.h"
#include "sound_signal.h"

namespace moksel::gen {

struct VideoTrackJob {
    Camera camera = Camera::Front;  // picks the scene and the camera bit of the pattern
    int frames = 0;
    std::vector<double> travelledM;  // road travelled at each frame (metres); may be shorter
};

struct EncodeJob {
    std::string path;
    int width = 1280, height = 720;
    int fps = 30;
    int keyInterval = 30;                    // frames between key frames; 0 = the first frame only
    int bFrames = 0;                         // reordered frames between references (x264's own: 3)
    int videoTimeScale = 1000;               // video track time units per second
    std::vector<VideoTrackJob> videoTracks;  // in stream order
    bool sound = false;                      // one AAC stream after the video streams
    SoundSignal signal;
    double soundDurationS = -1;  // < 0: as long as the first video track
    int encoderThreads = 0;      // per video encoder; 0 = the encoder's choice
};

struct EncodeReport {
    std::vector<int> videoPackets;  // packets written per video track
    int64_t soundSamples = 0;       // samples per channel fed to the sound encoder
};

bool encodeRecording(const EncodeJob& job, EncodeReport& report, std::string& error);

}  // namespace moksel::gen
