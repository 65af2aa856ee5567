// The recording that follows the playing one in its drive, opened ahead while the playing one
// plays: its files, decoders and packet indexes, its first pictures already decoded and its
// telemetry records built, so that at the end of the playing recording the engine only swaps
// them in (recording_handover.h) and the pictures and sound run on without a stop.
//
// Thread contract: made, swapped in and freed by the engine thread only; the front decoder
// reads handoverReady.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine_context.h"
#include "recording/telemetry.h"

namespace moksel {

struct PreparedRecording {
    std::string path;  // the front file
    AVFormatContext* frontDemuxer = nullptr;
    AVFormatContext* rearDemuxer = nullptr;
    int frontVideoStream = -1;
    int soundStreamNumber = -1;
    int rearVideoStream = -1;
    AVStream* frontStream = nullptr;
    AVStream* soundStream = nullptr;
    AVStream* rearStream = nullptr;
    // Decoder, index, duration and decode position of each camera; no converters or picture
    // buffers (those stay with the engine). The rear's decoder is null without a usable rear.
    CameraPictures cameras[2];
    bool rearUnusable = false;  // a rear file exists but cannot be played
    AVCodecContext* soundDecoder = nullptr;
    SwrContext* resampler = nullptr;
    int soundChannels = 0;
    int soundSampleRate = 0;
    PacketIndex soundIndex;
    std::vector<TelemetryRecord> telemetry;
    uint32_t eventTimeMs = 0;

    PreparedRecording() = default;
    PreparedRecording(const PreparedRecording&) = delete;
    PreparedRecording& operator=(const PreparedRecording&) = delete;
    ~PreparedRecording();
};

}  // namespace moksel
