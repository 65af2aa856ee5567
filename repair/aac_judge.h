// Tells where a raw AAC frame ends by letting FFmpeg's AAC decoder, configured like the
// reference recording's sound, try it: a frame decodes only when all its bytes are there, and
// decodes without leftover only when no byte of the next sample is included.
//
// Thread contract: one object per thread; it owns its decoder.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "media_scan.h"

struct AVCodecParameters;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;

namespace moksel::repair {

class AacJudge : public SoundJudge {
public:
    // Null with `error` set when the parameters are not AAC or the decoder does not open.
    static std::unique_ptr<AacJudge> create(const AVCodecParameters* params, std::string& error);
    ~AacJudge() override;

    size_t frameLength(const uint8_t* data, size_t available, size_t guess) override;
    size_t maxFrameLength() const override;
    bool wholeFrame(const uint8_t* data, size_t length) override;

    int attempts() const { return attempts_; }

private:
    AacJudge() = default;
    enum class Try { Short, Exact, Long };
    Try attempt(const uint8_t* data, size_t length);
    bool success(Try t) const { return t != Try::Short; }
    bool plausibleStart(uint8_t first) const;
    bool openDecoder();

    AVCodecParameters* params_ = nullptr;  // the reference's, to reopen the decoder with
    AVCodecContext* decoder_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    std::vector<uint8_t> buffer_;
    int channels_ = 0;
    int sampleRate_ = 0;
    int frameSamples_ = 1024;
    int attempts_ = 0;
};

}  // namespace moksel::repair
