#include "repair_fixtures.h"

#include <fstream>
#include <iterator>

#include "frame_pattern.h"
#include "media_probe.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace moksel::repair::test {

namespace {
uint64_t fnv(const uint8_t* data, size_t size) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
    return h;
}
}  // namespace

std::vector<PacketRecord> readPackets(const std::string& path) {
    std::vector<PacketRecord> packets;
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return packets;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(input, packet) >= 0) {
        const int type = input->streams[packet->stream_index]->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO)
            packets.push_back({type == AVMEDIA_TYPE_VIDEO, packet->pos, packet->size,
                               fnv(packet->data, size_t(packet->size)), packet->pts});
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&input);
    return packets;
}

std::vector<uint64_t> hashesBefore(const std::vector<PacketRecord>& packets, bool video,
                                   int64_t cut) {
    std::vector<uint64_t> hashes;
    for (const PacketRecord& p : packets)
        if (p.video == video && p.pos + p.size <= cut) hashes.push_back(p.hash);
    return hashes;
}

std::vector<uint64_t> hashesOf(const std::vector<PacketRecord>& packets, bool video) {
    return hashesBefore(packets, video, INT64_MAX);
}

std::vector<uint8_t> fileBytes(const std::string& path) {
    return gen::test::readFile(path);
}

std::vector<int64_t> ptsBefore(const std::vector<PacketRecord>& packets, bool video, int64_t cut) {
    std::vector<int64_t> times;
    for (const PacketRecord& p : packets)
        if (p.video == video && p.pos + p.size <= cut) times.push_back(p.pts);
    for (size_t i = times.size(); i-- > 0;) times[i] -= times[0];
    return times;
}

uint64_t hashBytes(const std::vector<uint8_t>& bytes) {
    return fnv(bytes.data(), bytes.size());
}

uint64_t hashFile(const std::string& path) {
    const auto bytes = fileBytes(path);
    return fnv(bytes.data(), bytes.size()) ^ bytes.size();
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<int> frameNumbers(const std::string& path) {
    std::vector<int> numbers;
    gen::test::decodeVideo(path, 0, {}, [&](int, const gen::test::Bgra& picture) {
        numbers.push_back(gen::readFrameNumber(picture.pixels.data(), picture.width, picture.height,
                                               picture.stride()));
    });
    return numbers;
}

}  // namespace moksel::repair::test
