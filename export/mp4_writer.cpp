#include "export/mp4_writer.h"

#include <algorithm>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

namespace moksel::exporting {

namespace {

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

Mp4Writer::~Mp4Writer() { abandon(); }

void Mp4Writer::abandon() {
    if (muxer_) {
        if (muxer_->pb) avio_closep(&muxer_->pb);
        avformat_free_context(muxer_);
        muxer_ = nullptr;
    }
    avcodec_free_context(&videoEncoder_);
    avcodec_free_context(&soundEncoder_);
    av_packet_free(&packet_);
    av_packet_free(&soundPacket_);
    if (fifo_) av_audio_fifo_free(fifo_);
    fifo_ = nullptr;
    swr_free(&resampler_);
    av_channel_layout_uninit(&resamplerLayout_);
    if (convertPlanes_) av_freep(&convertPlanes_[0]);
    av_freep(&convertPlanes_);
}

bool Mp4Writer::open(const std::string& path, const VideoSettings& v, const SoundSettings& s,
                     std::string& error) {
    sound_ = s;
    int result = avformat_alloc_output_context2(&muxer_, nullptr, "mp4", path.c_str());
    packet_ = av_packet_alloc();
    soundPacket_ = av_packet_alloc();
    if (result < 0 || !packet_ || !soundPacket_) {
        error = "the MP4 writer cannot be set up";
        return false;
    }

    const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
    if (!h264) {
        error = "the H.264 encoder (libx264) is not available";
        return false;
    }
    videoEncoder_ = avcodec_alloc_context3(h264);
    videoEncoder_->width = v.width;
    videoEncoder_->height = v.height;
    videoEncoder_->pix_fmt = AV_PIX_FMT_YUV420P;
    videoEncoder_->time_base = v.timeBase;
    videoEncoder_->framerate = v.frameRate;
    videoEncoder_->sample_aspect_ratio = AVRational{1, 1};
    videoEncoder_->color_range = AVCOL_RANGE_MPEG;
    videoEncoder_->colorspace = v.colorSpace;
    videoEncoder_->color_primaries = v.colorPrimaries;
    videoEncoder_->color_trc = v.colorTransfer;
    videoEncoder_->thread_count = v.threads;
    if (muxer_->oformat->flags & AVFMT_GLOBALHEADER)
        videoEncoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(videoEncoder_->priv_data, "preset", v.preset.c_str(), 0);
    av_opt_set_double(videoEncoder_->priv_data, "crf", v.crf, 0);
    if ((result = avcodec_open2(videoEncoder_, h264, nullptr)) < 0) {
        error = "the H.264 encoder cannot start: " + avError(result);
        return false;
    }
    videoStream_ = avformat_new_stream(muxer_, nullptr);
    if (!videoStream_) {
        error = "out of memory";
        return false;
    }
    avcodec_parameters_from_context(videoStream_->codecpar, videoEncoder_);
    videoStream_->time_base = videoEncoder_->time_base;
    videoStream_->avg_frame_rate = v.frameRate;
    videoStream_->r_frame_rate = v.frameRate;

    if (s.present) {
        const AVCodec* aac = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!aac) {
            error = "the AAC encoder is not available";
            return false;
        }
        soundEncoder_ = avcodec_alloc_context3(aac);
        soundEncoder_->sample_fmt = AV_SAMPLE_FMT_FLTP;
        soundEncoder_->sample_rate = s.sampleRate;
        av_channel_layout_default(&soundEncoder_->ch_layout, s.channels);
        soundEncoder_->bit_rate = 64000 * s.channels;
        soundEncoder_->time_base = AVRational{1, s.sampleRate};
        if (muxer_->oformat->flags & AVFMT_GLOBALHEADER)
            soundEncoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if ((result = avcodec_open2(soundEncoder_, aac, nullptr)) < 0) {
            error = "the AAC encoder cannot start: " + avError(result);
            return false;
        }
        soundStream_ = avformat_new_stream(muxer_, nullptr);
        if (!soundStream_) {
            error = "out of memory";
            return false;
        }
        avcodec_parameters_from_context(soundStream_->codecpar, soundEncoder_);
        soundStream_->time_base = soundEncoder_->time_base;
        fifo_ = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, s.channels, 4096);
        if (!fifo_) {
            error = "out of memory";
            return false;
        }
    }

    if ((result = avio_open(&muxer_->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) {
        error = "cannot write " + path + ": " + avError(result);
        return false;
    }
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "+faststart", 0);
    result = avformat_write_header(muxer_, &options);
    av_dict_free(&options);
    if (result < 0) {
        error = "cannot write " + path + ": " + avError(result);
        return false;
    }
    headerWritten_ = true;
    return true;
}

bool Mp4Writer::writePackets(AVCodecContext* encoder, AVStream* stream, AVPacket* packet,
                             std::string& error, int64_t duration) {
    for (;;) {
        const int result = avcodec_receive_packet(encoder, packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) {
            error = "encoding failed: " + avError(result);
            return false;
        }
        if (duration > 0) packet->duration = duration;
        av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
        packet->stream_index = stream->index;
        std::lock_guard lock(muxerLock_);
        const int written = av_interleaved_write_frame(muxer_, packet);
        if (written < 0) {
            error = "writing the video failed: " + avError(written);
            return false;
        }
    }
}

bool Mp4Writer::writePicture(AVFrame* picture, std::string& error) {
    picture->pict_type = AV_PICTURE_TYPE_NONE;
    const int result = avcodec_send_frame(videoEncoder_, picture);
    if (result < 0) {
        error = "encoding failed: " + avError(result);
        return false;
    }
    return writePackets(videoEncoder_, videoStream_, packet_, error);
}

bool Mp4Writer::encodeSound(bool flush, std::string& error) {
    const int frameSize = soundEncoder_->frame_size > 0 ? soundEncoder_->frame_size : 1024;
    while (av_audio_fifo_size(fifo_) >= frameSize || (flush && av_audio_fifo_size(fifo_) > 0)) {
        AVFrame* frame = av_frame_alloc();
        frame->nb_samples = std::min(frameSize, av_audio_fifo_size(fifo_));
        frame->format = AV_SAMPLE_FMT_FLTP;
        frame->sample_rate = sound_.sampleRate;
        av_channel_layout_copy(&frame->ch_layout, &soundEncoder_->ch_layout);
        if (av_frame_get_buffer(frame, 0) < 0) {
            av_frame_free(&frame);
            error = "out of memory";
            return false;
        }
        av_audio_fifo_read(fifo_, reinterpret_cast<void**>(frame->data), frame->nb_samples);
        frame->pts = encoded_;
        encoded_ += frame->nb_samples;
        const int result = avcodec_send_frame(soundEncoder_, frame);
        av_frame_free(&frame);
        if (result < 0) {
            error = "sound encoding failed: " + avError(result);
            return false;
        }
        if (!writePackets(soundEncoder_, soundStream_, soundPacket_, error)) return false;
    }
    return true;
}

bool Mp4Writer::appendSound(uint8_t* const* planes, int count, std::string& error) {
    if (count <= 0) return true;
    if (av_audio_fifo_write(fifo_, reinterpret_cast<void**>(const_cast<uint8_t**>(planes)), count) < count) {
        error = "out of memory";
        return false;
    }
    placed_ += count;
    return encodeSound(false, error);
}

bool Mp4Writer::padSoundTo(int64_t sample, std::string& error) {
    if (!soundEncoder_) return true;
    std::vector<float> silence(4096, 0.0f);
    std::vector<uint8_t*> planes(size_t(sound_.channels),
                                 reinterpret_cast<uint8_t*>(silence.data()));
    while (placed_ < sample) {
        const int n = int(std::min<int64_t>(sample - placed_, 4096));
        if (!appendSound(planes.data(), n, error)) return false;
    }
    return true;
}

bool Mp4Writer::placeSound(const AVFrame* decoded, int64_t atSample, int64_t endSample,
                           std::string& error) {
    if (!soundEncoder_ || decoded->nb_samples <= 0) return true;
    // A converter for the source's format; rebuilt when a later recording's sound differs.
    if (!resampler_ || resamplerFormat_ != decoded->format ||
        resamplerRate_ != decoded->sample_rate ||
        av_channel_layout_compare(&resamplerLayout_, &decoded->ch_layout) != 0) {
        swr_free(&resampler_);
        if (swr_alloc_set_opts2(&resampler_, &soundEncoder_->ch_layout, AV_SAMPLE_FMT_FLTP,
                                sound_.sampleRate, const_cast<AVChannelLayout*>(&decoded->ch_layout),
                                AVSampleFormat(decoded->format), decoded->sample_rate, 0,
                                nullptr) < 0 ||
            swr_init(resampler_) < 0) {
            swr_free(&resampler_);
            error = "the sound cannot be converted";
            return false;
        }
        resamplerFormat_ = decoded->format;
        resamplerRate_ = decoded->sample_rate;
        av_channel_layout_uninit(&resamplerLayout_);
        av_channel_layout_copy(&resamplerLayout_, &decoded->ch_layout);
    }
    const int capacity = swr_get_out_samples(resampler_, decoded->nb_samples);
    if (capacity > convertCapacity_) {
        if (convertPlanes_) av_freep(&convertPlanes_[0]);
        av_freep(&convertPlanes_);
        if (av_samples_alloc_array_and_samples(&convertPlanes_, nullptr, sound_.channels,
                                               capacity, AV_SAMPLE_FMT_FLTP, 0) < 0) {
            convertCapacity_ = 0;
            error = "out of memory";
            return false;
        }
        convertCapacity_ = capacity;
    }
    const int count =
        swr_convert(resampler_, convertPlanes_, capacity,
                    const_cast<const uint8_t**>(decoded->extended_data), decoded->nb_samples);
    if (count <= 0) return true;

    // Up to a millisecond of jitter in the source's times counts as contiguous.
    const int64_t jitter = sound_.sampleRate / 1000;
    if (atSample > placed_ + jitter && !padSoundTo(std::min(atSample, endSample), error))
        return false;
    int skip = 0;
    if (atSample < placed_ - jitter) skip = int(std::min<int64_t>(placed_ - atSample, count));
    const int64_t room = endSample - placed_;
    const int take = int(std::max<int64_t>(0, std::min<int64_t>(count - skip, room)));
    if (take == 0) return true;
    std::vector<uint8_t*> planes(size_t(sound_.channels));
    for (int c = 0; c < sound_.channels; ++c)
        planes[size_t(c)] = convertPlanes_[c] + size_t(skip) * sizeof(float);
    return appendSound(planes.data(), take, error);
}

bool Mp4Writer::finish(std::string& error) {
    if (!headerWritten_ || finished_) return false;
    // The packets still in the encoder end the video: the last of them sets where it ends (the
    // file takes the others' lengths from the times of the packets after them).
    if (avcodec_send_frame(videoEncoder_, nullptr) < 0 ||
        !writePackets(videoEncoder_, videoStream_, packet_, error, lastPictureDuration_))
        return false;
    if (soundEncoder_) {
        if (!encodeSound(true, error)) return false;
        avcodec_send_frame(soundEncoder_, nullptr);
        if (!writePackets(soundEncoder_, soundStream_, soundPacket_, error)) return false;
    }
    const int result = av_write_trailer(muxer_);
    if (result < 0) {
        error = "completing the video failed: " + avError(result);
        return false;
    }
    const int closed = avio_closep(&muxer_->pb);
    if (closed < 0) {
        error = "completing the video failed: " + avError(closed);
        return false;
    }
    finished_ = true;
    abandon();
    return true;
}

}  // namespace moksel::exporting
