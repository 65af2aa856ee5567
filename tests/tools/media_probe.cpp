#include "media_probe.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace moksel::gen::test {
namespace {

struct Input {
    AVFormatContext* format = nullptr;
    ~Input() {
        if (format) avformat_close_input(&format);
    }
    bool open(const std::string& path) {
        if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
        return avformat_find_stream_info(format, nullptr) >= 0;
    }
};

struct Decoder {
    AVCodecContext* codec = nullptr;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    ~Decoder() {
        avcodec_free_context(&codec);
        av_frame_free(&frame);
        av_packet_free(&packet);
    }
    bool open(const AVStream* st) {
        const AVCodec* c = avcodec_find_decoder(st->codecpar->codec_id);
        if (!c) return false;
        codec = avcodec_alloc_context3(c);
        if (avcodec_parameters_to_context(codec, st->codecpar) < 0) return false;
        codec->thread_count = 1;
        return avcodec_open2(codec, c, nullptr) >= 0;
    }
};

}  // namespace

int Probe::videoStreams() const {
    int n = 0;
    for (const StreamInfo& s : streams) n += s.video;
    return n;
}

int Probe::audioStreams() const {
    int n = 0;
    for (const StreamInfo& s : streams) n += s.audio;
    return n;
}

std::vector<PacketInfo> Probe::packetsOf(int stream) const {
    std::vector<PacketInfo> out;
    for (const PacketInfo& p : packets)
        if (p.stream == stream) out.push_back(p);
    return out;
}

Probe probe(const std::string& path) {
    Probe result;
    Input in;
    if (!in.open(path)) return result;
    result.opened = true;
    for (unsigned i = 0; i < in.format->nb_streams; ++i) {
        const AVStream* st = in.format->streams[i];
        StreamInfo s;
        s.index = static_cast<int>(i);
        s.video = st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
        s.audio = st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
        s.timeBaseNum = st->time_base.num;
        s.timeBaseDen = st->time_base.den;
        s.width = st->codecpar->width;
        s.height = st->codecpar->height;
        s.sampleRate = st->codecpar->sample_rate;
        s.channels = st->codecpar->ch_layout.nb_channels;
        result.streams.push_back(s);
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(in.format, packet) >= 0) {
        result.packets.push_back({packet->stream_index, packet->pts, packet->dts,
                                  (packet->flags & AV_PKT_FLAG_KEY) != 0});
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return result;
}

int decodeVideo(const std::string& path, int stream, const ConvertOptions& convert,
                const std::function<void(int, const Bgra&)>& visit) {
    Input in;
    if (!in.open(path) || stream < 0 || stream >= static_cast<int>(in.format->nb_streams))
        return -1;
    Decoder dec;
    if (!dec.open(in.format->streams[stream])) return -1;
    SwsContext* sws = nullptr;
    Bgra picture;
    int count = 0;
    auto drain = [&]() {
        while (avcodec_receive_frame(dec.codec, dec.frame) >= 0) {
            const AVFrame* f = dec.frame;
            picture.width = convert.width ? convert.width : f->width;
            picture.height = convert.height ? convert.height : f->height;
            if (!sws) {
                sws = sws_getContext(f->width, f->height, static_cast<AVPixelFormat>(f->format),
                                     picture.width, picture.height, AV_PIX_FMT_BGRA,
                                     convert.fastBilinear ? SWS_FAST_BILINEAR : SWS_BICUBIC,
                                     nullptr, nullptr, nullptr);
                // The viewer's colour mapping of brightness and contrast (0..100).
                int* inverse;
                int* table;
                int srcRange, dstRange, brightness, contrast, saturation;
                sws_getColorspaceDetails(sws, &inverse, &srcRange, &table, &dstRange, &brightness,
                                         &contrast, &saturation);
                sws_setColorspaceDetails(sws, inverse, srcRange, table, dstRange,
                                         (convert.brightness - 50) * 655,
                                         convert.contrast * 655 + 32786, saturation);
            }
            picture.pixels.assign(static_cast<size_t>(picture.stride()) * picture.height, 0);
            uint8_t* dst[4] = {picture.pixels.data(), nullptr, nullptr, nullptr};
            int dstStride[4] = {picture.stride(), 0, 0, 0};
            sws_scale(sws, f->data, f->linesize, 0, f->height, dst, dstStride);
            visit(count++, picture);
        }
    };
    while (av_read_frame(in.format, dec.packet) >= 0) {
        if (dec.packet->stream_index == stream) avcodec_send_packet(dec.codec, dec.packet);
        av_packet_unref(dec.packet);
        drain();
    }
    avcodec_send_packet(dec.codec, nullptr);
    drain();
    sws_freeContext(sws);
    return count;
}

bool decodeSound(const std::string& path, std::vector<float>& samples, int& sampleRate) {
    samples.clear();
    Input in;
    if (!in.open(path)) return false;
    const int stream = av_find_best_stream(in.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (stream < 0) return false;
    Decoder dec;
    if (!dec.open(in.format->streams[stream])) return false;
    sampleRate = dec.codec->sample_rate;
    auto drain = [&]() {
        while (avcodec_receive_frame(dec.codec, dec.frame) >= 0) {
            if (dec.frame->format != AV_SAMPLE_FMT_FLTP) continue;
            const auto* data = reinterpret_cast<const float*>(dec.frame->data[0]);
            samples.insert(samples.end(), data, data + dec.frame->nb_samples);
        }
    };
    while (av_read_frame(in.format, dec.packet) >= 0) {
        if (dec.packet->stream_index == stream) avcodec_send_packet(dec.codec, dec.packet);
        av_packet_unref(dec.packet);
        drain();
    }
    avcodec_send_packet(dec.codec, nullptr);
    drain();
    return true;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string freshFolder(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) /
                                      ("moksel-gen-" + std::to_string(getpid()) + "-" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

}  // namespace moksel::gen::test
