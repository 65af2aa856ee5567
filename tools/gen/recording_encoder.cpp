#include "recording_encoder.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace moksel::gen {
namespace {

std::string ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return text;
}

struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct OutputFree {
    void operator()(AVFormatContext* f) const {
        if (f->pb) avio_closep(&f->pb);
        avformat_free_context(f);
    }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputFree>;

struct Track {
    CodecPtr codec;
    AVStream* stream = nullptr;
    FramePtr frame;
    int frames = 0;   // video: frames to encode
    int packets = 0;  // packets written
    Camera camera = Camera::Front;
    std::vector<double> travelledM;
};

class Writer {
public:
    explicit Writer(const EncodeJob& job) : job_(job) {}

    bool run(EncodeReport& report, std::string& error) {
        if (!open(error)) return false;
        if (!encodeAll(error)) return false;
        for (const Track& t : video_) report.videoPackets.push_back(t.packets);
        report.soundSamples = soundNext_;
        return true;
    }

private:
    bool fail(std::string& error, const std::string& what, int code = 0) {
        error = job_.path + ": " + what + (code ? " (" + ffmpegError(code) + ")" : "");
        return false;
    }

    bool open(std::string& error) {
        AVFormatContext* raw = nullptr;
        int r = avformat_alloc_output_context2(&raw, nullptr, "mp4", job_.path.c_str());
        if (r < 0 || !raw) return fail(error, "cannot create the MP4 writer", r);
        out_.reset(raw);
        for (const VideoTrackJob& v : job_.videoTracks)
            if (!addVideo(v, error)) return false;
        if (job_.sound && !addSound(error)) return false;
        packet_.reset(av_packet_alloc());
        if (!packet_) return fail(error, "out of memory");
        if ((r = avio_open(&out_->pb, job_.path.c_str(), AVIO_FLAG_WRITE)) < 0)
            return fail(error, "cannot create the file", r);
        AVDictionary* options = nullptr;
        av_dict_set(&options, "video_track_timescale", std::to_string(job_.videoTimeScale).c_str(),
                    0);
        r = avformat_write_header(out_.get(), &options);
        av_dict_free(&options);
        if (r < 0) return fail(error, "cannot write the file header", r);
        return true;
    }

    bool addVideo(const VideoTrackJob& v, std::string& error) {
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (!codec) return fail(error, "the H.264 encoder (libx264) is not available");
        Track t;
        t.camera = v.camera;
        t.frames = v.frames;
        t.travelledM = v.travelledM;
        t.codec.reset(avcodec_alloc_context3(codec));
        if (!t.codec) return fail(error, "out of memory");
        AVCodecContext* c = t.codec.get();
        c->width = job_.width;
        c->height = job_.height;
        c->pix_fmt = AV_PIX_FMT_YUV420P;
        c->time_base = AVRational{1, job_.fps};
        c->framerate = AVRational{job_.fps, 1};
        // Without B-frames decode order = display order: packet times rise with the file.
        c->max_b_frames = job_.bFrames;
        c->thread_count = job_.encoderThreads;
        c->color_range = AVCOL_RANGE_MPEG;
        c->colorspace = AVCOL_SPC_SMPTE170M;
        const bool oneKeyFrame = job_.keyInterval <= 0;
        c->gop_size = oneKeyFrame ? std::max(v.frames, 1) + 1 : job_.keyInterval;
        if (out_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary* options = nullptr;
        av_dict_set(&options, "preset", "ultrafast", 0);
        const std::string keyint =
            oneKeyFrame ? "infinite" : std::to_string(std::max(1, job_.keyInterval));
        const std::string params = "keyint=" + keyint +
                                   ":min-keyint=" + (oneKeyFrame ? std::string("250") : keyint) +
                                   ":scenecut=0:bframes=" + std::to_string(job_.bFrames) +
                                   (job_.bFrames > 0 ? ":b-adapt=0" : "") + ":log=0";
        av_dict_set(&options, "x264-params", params.c_str(), 0);
        const int r = avcodec_open2(c, codec, &options);
        av_dict_free(&options);
        if (r < 0) return fail(error, "cannot open the H.264 encoder", r);
        if (!addStream(t, AVRational{1, job_.videoTimeScale}, error)) return false;
        t.frame.reset(av_frame_alloc());
        if (!t.frame) return fail(error, "out of memory");
        t.frame->format = c->pix_fmt;
        t.frame->width = c->width;
        t.frame->height = c->height;
        if (av_frame_get_buffer(t.frame.get(), 0) < 0) return fail(error, "out of memory");
        video_.push_back(std::move(t));
        return true;
    }

    bool addSound(std::string& error) {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!codec) return fail(error, "the AAC encoder is not available");
        sound_.codec.reset(avcodec_alloc_context3(codec));
        if (!sound_.codec) return fail(error, "out of memory");
        AVCodecContext* c = sound_.codec.get();
        c->sample_fmt = AV_SAMPLE_FMT_FLTP;
        c->sample_rate = job_.signal.sampleRate;
        av_channel_layout_default(&c->ch_layout, std::clamp(job_.signal.channels, 1, 2));
        c->bit_rate = 48000 * c->ch_layout.nb_channels;
        c->time_base = AVRational{1, c->sample_rate};
        if (out_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        int r = avcodec_open2(c, codec, nullptr);
        if (r < 0) return fail(error, "cannot open the AAC encoder", r);
        if (!addStream(sound_, c->time_base, error)) return false;
        sound_.frame.reset(av_frame_alloc());
        if (!sound_.frame) return fail(error, "out of memory");
        AVFrame* f = sound_.frame.get();
        f->format = c->sample_fmt;
        f->sample_rate = c->sample_rate;
        f->nb_samples = c->frame_size;
        if (av_channel_layout_copy(&f->ch_layout, &c->ch_layout) < 0 ||
            av_frame_get_buffer(f, 0) < 0)
            return fail(error, "out of memory");
        const double seconds =
            job_.soundDurationS >= 0
                ? job_.soundDurationS
                : (job_.videoTracks.empty()
                       ? 0.0
                       : static_cast<double>(job_.videoTracks[0].frames) / job_.fps);
        soundTotal_ = static_cast<int64_t>(seconds * c->sample_rate + 0.5);
        return true;
    }

    bool addStream(Track& t, AVRational timeBase, std::string& error) {
        t.stream = avformat_new_stream(out_.get(), nullptr);
        if (!t.stream) return fail(error, "out of memory");
        t.stream->time_base = timeBase;
        const int r = avcodec_parameters_from_context(t.stream->codecpar, t.codec.get());
        if (r < 0) return fail(error, "cannot describe a stream", r);
        return true;
    }

    // Writes every packet the encoder has ready; a null frame flushes it.
    bool send(Track& t, AVFrame* frame, std::string& error) {
        int r = avcodec_send_frame(t.codec.get(), frame);
        if (r < 0) return fail(error, "encoding failed", r);
        for (;;) {
            r = avcodec_receive_packet(t.codec.get(), packet_.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) return fail(error, "encoding failed", r);
            AVPacket* p = packet_.get();
            if (p->duration <= 0 && t.codec->codec_type == AVMEDIA_TYPE_VIDEO) p->duration = 1;
            av_packet_rescale_ts(p, t.codec->time_base, t.stream->time_base);
            p->stream_index = t.stream->index;
            if (t.codec->codec_type == AVMEDIA_TYPE_VIDEO) ++t.packets;
            r = av_interleaved_write_frame(out_.get(), p);
            if (r < 0) return fail(error, "cannot write a packet", r);
        }
    }

    bool encodeVideoFrame(Track& t, int index, std::string& error) {
        AVFrame* f = t.frame.get();
        if (av_frame_make_writable(f) < 0) return fail(error, "out of memory");
        YuvPicture picture;
        for (int i = 0; i < 3; ++i) {
            picture.planes[i] = f->data[i];
            picture.strides[i] = f->linesize[i];
        }
        picture.width = f->width;
        picture.height = f->height;
        const double travelled =
            index < static_cast<int>(t.travelledM.size()) ? t.travelledM[index] : -1.0;
        drawFrame(picture, index, t.camera, travelled);
        f->pts = index;
        f->pict_type = AV_PICTURE_TYPE_NONE;
        return send(t, f, error);
    }

    // Feeds sound up to `untilSample` (per channel).
    bool encodeSoundUntil(int64_t untilSample, std::string& error) {
        if (!sound_.codec) return true;
        untilSample = std::min(untilSample, soundTotal_);
        AVFrame* f = sound_.frame.get();
        const int frameSize = sound_.codec->frame_size;
        while (soundNext_ < untilSample) {
            if (av_frame_make_writable(f) < 0) return fail(error, "out of memory");
            const int n = static_cast<int>(std::min<int64_t>(frameSize, soundTotal_ - soundNext_));
            if (n < frameSize && untilSample < soundTotal_) break;  // wait for a whole frame
            f->nb_samples = n;
            for (int ch = 0; ch < f->ch_layout.nb_channels; ++ch) {
                auto* out = reinterpret_cast<float*>(f->data[ch]);
                for (int i = 0; i < n; ++i) out[i] = soundSampleAt(job_.signal, soundNext_ + i);
            }
            f->pts = soundNext_;
            soundNext_ += n;
            if (!send(sound_, f, error)) return false;
        }
        return true;
    }

    bool encodeAll(std::string& error) {
        int longest = 0;
        for (const Track& t : video_) longest = std::max(longest, t.frames);
        const int rate = job_.signal.sampleRate;
        for (int i = 0; i < longest; ++i) {
            for (Track& t : video_)
                if (i < t.frames && !encodeVideoFrame(t, i, error)) return false;
            if (!encodeSoundUntil(static_cast<int64_t>(i + 1) * rate / job_.fps, error))
                return false;
        }
        if (!encodeSoundUntil(soundTotal_, error)) return false;
        for (Track& t : video_)
            if (!send(t, nullptr, error)) return false;
        if (sound_.codec && !send(sound_, nullptr, error)) return false;
        const int r = av_write_trailer(out_.get());
        if (r < 0) return fail(error, "cannot finish the file", r);
        if ((avio_closep(&out_->pb)) < 0) return fail(error, "cannot close the file");
        return true;
    }

    const EncodeJob& job_;
    OutputPtr out_;
    PacketPtr packet_;
    std::vector<Track> video_;
    Track sound_;
    int64_t soundTotal_ = 0;  // samples per channel
    int64_t soundNext_ = 0;
};

}  // namespace

bool encodeRecording(const EncodeJob& job, EncodeReport& report, std::string& error) {
    report = EncodeReport{};
    if (job.videoTracks.empty() && !job.sound) {
        error = job.path + ": nothing to write";
        return false;
    }
    for (const VideoTrackJob& v : job.videoTracks)
        if (v.frames < 1 || v.frames > kMaxPatternFrameNumber + 1) {
            error = job.path + ": a video track needs 1 to 65536 frames";
            return false;
        }
    Writer writer(job);
    return writer.run(report, error);
}

}  // namespace moksel::gen
