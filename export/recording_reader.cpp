#include "export/recording_reader.h"

#include "export/picture_queue.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/mathematics.h>
}

namespace moksel::exporting {

namespace {

AVCodecContext* openDecoder(const AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) return nullptr;
    AVCodecContext* context = avcodec_alloc_context3(codec);
    if (!context) return nullptr;
    if (avcodec_parameters_to_context(context, stream->codecpar) < 0) {
        avcodec_free_context(&context);
        return nullptr;
    }
    context->pkt_timebase = stream->time_base;
    context->thread_count = 0;  // the decoder's own choice, as FFmpeg's programs do
    if (avcodec_open2(context, codec, nullptr) < 0) avcodec_free_context(&context);
    return context;
}

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

RecordingReader::~RecordingReader() {
    if (aheadThread_.joinable()) {
        ahead_->abort();
        aheadThread_.join();
    }
    for (AVPacket* p : videoQueue_) av_packet_free(&p);
    av_frame_free(&current_);
    av_frame_free(&lookahead_);
    av_frame_free(&soundFrame_);
    av_packet_free(&packet_);
    avcodec_free_context(&videoDecoder_);
    avcodec_free_context(&soundDecoder_);
    if (format_) avformat_close_input(&format_);
}

bool RecordingReader::open(const std::string& path, bool video, bool sound, std::string& error) {
    int result = avformat_open_input(&format_, path.c_str(), nullptr, nullptr);
    if (result < 0) {
        error = path + ": cannot open: " + avError(result);
        return false;
    }
    if ((result = avformat_find_stream_info(format_, nullptr)) < 0) {
        error = path + ": cannot read: " + avError(result);
        return false;
    }
    packet_ = av_packet_alloc();
    soundFrame_ = av_frame_alloc();
    if (!packet_ || !soundFrame_) {
        error = "out of memory";
        return false;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        AVStream* s = format_->streams[i];
        s->discard = AVDISCARD_ALL;
        if (video && videoStream_ < 0 && s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            videoStream_ = int(i);
        } else if (sound && soundStream_ < 0 && s->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            soundStream_ = int(i);
        }
    }
    if (video) {
        if (videoStream_ < 0) {
            error = path + ": no video stream";
            return false;
        }
        format_->streams[videoStream_]->discard = AVDISCARD_DEFAULT;
        videoDecoder_ = openDecoder(format_->streams[videoStream_]);
        if (!videoDecoder_) {
            error = path + ": the video cannot be decoded";
            return false;
        }
    }
    if (soundStream_ >= 0) {
        format_->streams[soundStream_]->discard = AVDISCARD_DEFAULT;
        soundDecoder_ = openDecoder(format_->streams[soundStream_]);
        if (!soundDecoder_) soundStream_ = -1;  // played without sound, as the viewer does
    }
    return true;
}

void RecordingReader::seek(int64_t ms) {
    if (ms <= 0) return;
    const int stream = videoStream_ >= 0 ? videoStream_ : soundStream_;
    if (stream < 0) return;
    const int64_t target = av_rescale_q(ms, AVRational{1, 1000}, format_->streams[stream]->time_base);
    if (av_seek_frame(format_, stream, target, AVSEEK_FLAG_BACKWARD) < 0) return;  // read from 0
    if (videoDecoder_) avcodec_flush_buffers(videoDecoder_);
    if (soundDecoder_) avcodec_flush_buffers(soundDecoder_);
}

bool RecordingReader::readPacket() {
    if (ended_) return false;
    for (;;) {
        if (av_read_frame(format_, packet_) < 0) {
            ended_ = true;
            return false;
        }
        if (packet_->stream_index == videoStream_) {
            videoQueue_.push_back(av_packet_clone(packet_));
            av_packet_unref(packet_);
            return true;
        }
        if (packet_->stream_index == soundStream_) {
            decodeSound(packet_);
            av_packet_unref(packet_);
            return true;
        }
        av_packet_unref(packet_);
    }
}

void RecordingReader::decodeSound(const AVPacket* packet) {
    if (avcodec_send_packet(soundDecoder_, packet) < 0) return;  // damaged: skipped
    const AVRational timeBase = format_->streams[soundStream_]->time_base;
    while (avcodec_receive_frame(soundDecoder_, soundFrame_) >= 0) {
        const int64_t pts = soundFrame_->best_effort_timestamp;
        if (pts != AV_NOPTS_VALUE && soundFrame_->sample_rate > 0) {
            const double startMs = pts * av_q2d(timeBase) * 1000.0;
            soundReachedMs_ = int64_t(startMs + soundFrame_->nb_samples * 1000.0 /
                                                    soundFrame_->sample_rate);
            if (soundSink) soundSink(soundFrame_, startMs);
        }
        av_frame_unref(soundFrame_);
    }
}

void RecordingReader::readSoundUntil(int64_t ms) {
    if (!soundDecoder_) return;
    while (soundReachedMs_ < ms && readPacket()) {
    }
}

int64_t RecordingReader::pictureMs(const AVFrame* frame) const {
    const int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE) return INT64_MIN;
    return av_rescale_q(pts, format_->streams[videoStream_]->time_base, AVRational{1, 1000});
}

void RecordingReader::readAhead() {
    if (!videoDecoder_ || aheadThread_.joinable()) return;
    ahead_ = std::make_unique<PictureQueue>(4);
    aheadThread_ = std::thread([this] {
        while (AVFrame* picture = decodePicture()) {
            if (!ahead_->push(picture)) return;  // aborted: the reader is going away
        }
        ahead_->close();
    });
}

AVFrame* RecordingReader::nextPicture() {
    if (ahead_) return ahead_->pop();
    return decodePicture();
}

AVFrame* RecordingReader::decodePicture() {
    if (pictureEnded_) return nullptr;
    AVFrame* frame = av_frame_alloc();
    for (;;) {
        const int received = avcodec_receive_frame(videoDecoder_, frame);
        if (received >= 0) return frame;
        if (received != AVERROR(EAGAIN)) break;  // the end, or a decoder that gave up
        if (videoQueue_.empty() && !readPacket()) {
            if (flushed_) break;
            avcodec_send_packet(videoDecoder_, nullptr);
            flushed_ = true;
            continue;
        }
        if (videoQueue_.empty()) continue;  // a sound packet was read
        AVPacket* p = videoQueue_.front();
        videoQueue_.pop_front();
        avcodec_send_packet(videoDecoder_, p);  // a damaged packet is skipped
        av_packet_free(&p);
    }
    av_frame_free(&frame);
    pictureEnded_ = true;
    return nullptr;
}

const AVFrame* RecordingReader::pictureAt(int64_t ms, int64_t toleranceMs) {
    if (!videoDecoder_) return nullptr;
    for (;;) {
        if (!lookahead_) lookahead_ = nextPicture();
        if (!lookahead_ || pictureMs(lookahead_) > ms + toleranceMs) break;
        av_frame_free(&current_);
        current_ = lookahead_;
        lookahead_ = nullptr;
    }
    // A stream that ended or lost pictures long ago shows nothing rather than a frozen picture.
    if (current_ && pictureMs(current_) < ms - kStaleMs) return nullptr;
    return current_;
}

}  // namespace moksel::exporting
