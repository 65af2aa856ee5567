#include "recording/packet_times.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
}

namespace moksel {

namespace {

std::string avErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

bool readFrontPacketTimesMs(const std::string& path, std::vector<int64_t>& timesMs,
                            std::string& error) {
    timesMs.clear();
    AVFormatContext* format = nullptr;
    int result = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
    if (result < 0) {
        error = "cannot open: " + avErrorText(result);
        return false;
    }
    result = avformat_find_stream_info(format, nullptr);
    if (result < 0) {
        error = "cannot read the stream information: " + avErrorText(result);
        avformat_close_input(&format);
        return false;
    }
    int video = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            video = int(i);
            break;
        }
    }
    if (video < 0) {
        error = "the file has no video stream";
        avformat_close_input(&format);
        return false;
    }
    const AVRational timeBase = format->streams[video]->time_base;
    const AVRational milliseconds{1, 1000};
    AVPacket* packet = av_packet_alloc();
    if (!packet) {
        error = "out of memory";
        avformat_close_input(&format);
        return false;
    }
    while ((result = av_read_frame(format, packet)) >= 0) {
        if (packet->stream_index == video) {
            int64_t stamp = packet->pts != AV_NOPTS_VALUE   ? packet->pts
                            : packet->dts != AV_NOPTS_VALUE ? packet->dts
                                                            : 0;
            timesMs.push_back(av_rescale_q(stamp, timeBase, milliseconds));
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
    if (result != AVERROR_EOF) {
        // A damaged tail: keep what was read, but say so.
        error = "reading stopped early: " + avErrorText(result);
        return !timesMs.empty();
    }
    return true;
}

}  // namespace moksel
