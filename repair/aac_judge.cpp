#include "aac_judge.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace moksel::repair {

std::unique_ptr<AacJudge> AacJudge::create(const AVCodecParameters* params, std::string& error) {
    if (!params || params->codec_id != AV_CODEC_ID_AAC) {
        error = "the reference's sound is not AAC";
        return nullptr;
    }
    std::unique_ptr<AacJudge> judge(new AacJudge);
    judge->params_ = avcodec_parameters_alloc();
    judge->packet_ = av_packet_alloc();
    judge->frame_ = av_frame_alloc();
    if (!judge->params_ || !judge->packet_ || !judge->frame_ ||
        avcodec_parameters_copy(judge->params_, params) < 0) {
        error = "out of memory";
        return nullptr;
    }
    judge->channels_ = params->ch_layout.nb_channels;
    judge->sampleRate_ = params->sample_rate;
    if (params->frame_size > 0) judge->frameSamples_ = params->frame_size;
    if (!judge->openDecoder()) {
        error = "the reference's sound configuration does not open the AAC decoder";
        return nullptr;
    }
    return judge;
}

bool AacJudge::openDecoder() {
    avcodec_free_context(&decoder_);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_AAC);
    decoder_ = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!decoder_ || avcodec_parameters_to_context(decoder_, params_) < 0) return false;
    // Most tries fail on purpose; their complaints are no news.
    decoder_->log_level_offset = 100;  // past every level, within the level byte
    decoder_->thread_count = 1;
    return avcodec_open2(decoder_, codec, nullptr) >= 0;
}

AacJudge::~AacJudge() {
    avcodec_free_context(&decoder_);
    avcodec_parameters_free(&params_);
    av_packet_free(&packet_);
    av_frame_free(&frame_);
}

size_t AacJudge::maxFrameLength() const {
    // 6144 bits per channel and frame is the most AAC allows.
    return size_t(768 * std::max(channels_, 1) + 16);
}

AacJudge::Try AacJudge::attempt(const uint8_t* data, size_t length) {
    ++attempts_;
    if (!decoder_) return Try::Short;
    buffer_.assign(data, data + length);
    buffer_.resize(length + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    avcodec_flush_buffers(decoder_);
    av_packet_unref(packet_);
    packet_->data = buffer_.data();
    packet_->size = int(length);
    if (avcodec_send_packet(decoder_, packet_) < 0) return Try::Short;
    packet_->data = nullptr;
    packet_->size = 0;
    const int first = avcodec_receive_frame(decoder_, frame_);
    const bool ours = first >= 0 && frame_->nb_samples == frameSamples_ &&
                      (channels_ == 0 || frame_->ch_layout.nb_channels == channels_);
    av_frame_unref(frame_);
    const int more = ours ? avcodec_receive_frame(decoder_, frame_) : 0;
    av_frame_unref(frame_);
    // Bytes that are not sound may hold a channel configuration the decoder then keeps; it
    // would refuse every real frame after them, so it starts afresh.
    if (decoder_->ch_layout.nb_channels != channels_ || decoder_->sample_rate != sampleRate_)
        if (!openDecoder()) avcodec_free_context(&decoder_);
    if (!ours) return Try::Short;
    // The decoder swallows trailing zero bytes; a frame ends in a non-zero byte (its end
    // element), so a try ending in zero may hold bytes of the next sample.
    if (more == AVERROR(EAGAIN) && data[length - 1] != 0) return Try::Exact;
    return Try::Long;
}

bool AacJudge::plausibleStart(uint8_t first) const {
    // The first element of a frame: a channel element of the configured kind, fill or data.
    const int element = first >> 5;
    const int channelElement = channels_ == 2 ? 1 : 0;
    return channels_ > 2 || element == channelElement || element == 4 || element == 6;
}

bool AacJudge::wholeFrame(const uint8_t* data, size_t length) {
    return length >= 2 && length <= maxFrameLength() && plausibleStart(data[0]) &&
           attempt(data, length) == Try::Exact;
}

size_t AacJudge::frameLength(const uint8_t* data, size_t available, size_t guess) {
    const size_t most = std::min(available, maxFrameLength());
    if (most < 2 || !plausibleStart(data[0])) return 0;

    size_t low = 2, high = most;
    bool highKnown = false;
    if (guess >= low && guess <= most) {
        const Try t = attempt(data, guess);
        if (t == Try::Exact) return guess;
        if (success(t)) {
            high = guess;
            highKnown = true;
        } else {
            low = guess + 1;
        }
    }
    if (!highKnown) {
        if (low > high) return 0;
        const Try t = attempt(data, high);
        if (t == Try::Exact) return high;
        if (!success(t)) return 0;
    }
    // The shortest length that decodes is the frame's length.
    while (low < high) {
        const size_t mid = low + (high - low) / 2;
        const Try t = attempt(data, mid);
        if (t == Try::Exact) return mid;
        if (success(t))
            high = mid;
        else
            low = mid + 1;
    }
    return attempt(data, low) == Try::Exact ? low : 0;
}

}  // namespace moksel::repair
