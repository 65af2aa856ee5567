#include "repaired_file_writer.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

extern "C" {
#include <libavformat/avformat.h>
}

namespace moksel::repair {
namespace {

std::string ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

RepairedFileWriter::~RepairedFileWriter() {
    discard();
}

void RepairedFileWriter::discard() {
    if (output_) {
        if (output_->pb) avio_closep(&output_->pb);
        avformat_free_context(output_);
        output_ = nullptr;
        std::error_code ignored;
        std::filesystem::remove(partPath_, ignored);
    }
    av_packet_free(&packet_);
}

bool RepairedFileWriter::open(const std::string& path, const AVCodecParameters* video,
                              TimeBase videoTime, const AVCodecParameters* sound,
                              TimeBase soundTime, std::string& error) {
    path_ = path;
    partPath_ = path + ".part";
    videoTime_ = videoTime;
    soundTime_ = soundTime;
    if (avformat_alloc_output_context2(&output_, nullptr, "mp4", partPath_.c_str()) < 0 ||
        !output_ || !(packet_ = av_packet_alloc())) {
        error = "cannot create the MP4 writer";
        return false;
    }
    auto addStream = [&](const AVCodecParameters* params, TimeBase time) -> int {
        AVStream* stream = avformat_new_stream(output_, nullptr);
        if (!stream || avcodec_parameters_copy(stream->codecpar, params) < 0) return -1;
        stream->codecpar->codec_tag = 0;
        if (params->codec_type == AVMEDIA_TYPE_AUDIO && params->frame_size <= 0 &&
            params->codec_id == AV_CODEC_ID_AAC)
            stream->codecpar->frame_size = 1024;
        stream->time_base = AVRational{time.num, time.den};
        return stream->index;
    };
    videoStream_ = addStream(video, videoTime);
    if (sound) soundStream_ = addStream(sound, soundTime);
    if (videoStream_ < 0 || (sound && soundStream_ < 0)) {
        error = "cannot describe the repaired streams";
        return false;
    }
    int r = avio_open(&output_->pb, partPath_.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) {
        error = "cannot create " + partPath_ + " (" + ffmpegError(r) + ")";
        avformat_free_context(output_);
        output_ = nullptr;
        return false;
    }
    AVDictionary* options = nullptr;
    if (videoTime.num == 1)  // keep the camera's video time scale (milliseconds, usually)
        av_dict_set(&options, "video_track_timescale", std::to_string(videoTime.den).c_str(), 0);
    r = avformat_write_header(output_, &options);
    av_dict_free(&options);
    if (r < 0) {
        error = "cannot write the repaired file's header (" + ffmpegError(r) + ")";
        return false;
    }
    return true;
}

bool RepairedFileWriter::write(bool video, const uint8_t* data, size_t size, int64_t pts,
                               int64_t dts, int64_t duration, bool key, std::string& error) {
    const int index = video ? videoStream_ : soundStream_;
    if (!output_ || index < 0) return true;  // a stream the repaired file does not carry
    av_packet_unref(packet_);
    if (av_new_packet(packet_, int(size)) < 0) {
        error = "out of memory";
        return false;
    }
    std::memcpy(packet_->data, data, size);
    packet_->stream_index = index;
    packet_->pts = pts;
    packet_->dts = dts;
    packet_->duration = duration;
    packet_->flags = key ? AV_PKT_FLAG_KEY : 0;
    const TimeBase from = video ? videoTime_ : soundTime_;
    av_packet_rescale_ts(packet_, AVRational{from.num, from.den},
                         output_->streams[index]->time_base);
    const int r = av_interleaved_write_frame(output_, packet_);
    if (r < 0) {
        error = "cannot write a sample (" + ffmpegError(r) + ")";
        return false;
    }
    return true;
}

bool RepairedFileWriter::finish(std::string& error) {
    if (!output_) {
        error = "the repaired file is not open";
        return false;
    }
    int r = av_write_trailer(output_);
    if (r < 0) {
        error = "cannot finish the repaired file (" + ffmpegError(r) + ")";
        return false;
    }
    r = avio_closep(&output_->pb);
    avformat_free_context(output_);
    output_ = nullptr;
    if (r < 0) {
        error = "cannot close the repaired file (" + ffmpegError(r) + ")";
        std::error_code ignored;
        std::filesystem::remove(partPath_, ignored);
        return false;
    }
    std::error_code failure;
    std::filesystem::rename(partPath_, path_, failure);
    if (failure) {
        error = "cannot name the repaired file " + path_ + " (" + failure.message() + ")";
        std::error_code ignored;
        std::filesystem::remove(partPath_, ignored);
        return false;
    }
    return true;
}

}  // namespace moksel::repair
