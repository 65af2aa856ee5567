// Fuzz target: raw media data of a recording whose index is lost, through the scan that finds
// its H.264 and AAC samples (with the AAC decoder judging sound frames), as the repair runs it.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_driver.h"
#include "repair/aac_judge.h"
#include "repair/media_scan.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

namespace {

using moksel::repair::AacJudge;
using moksel::repair::AvcConfig;

// The configuration of a 64 x 36 baseline stream as the sample generator writes it.
const uint8_t kAvcConfig[] = {0x01, 0x42, 0xc0, 0x0a, 0xff, 0xe1, 0x00, 0x1a, 0x67, 0x42, 0xc0,
                              0x0a, 0xda, 0x11, 0xfe, 0x79, 0xa8, 0x10, 0x10, 0x32, 0x00, 0x00,
                              0x03, 0x00, 0x02, 0x00, 0x00, 0x03, 0x00, 0x78, 0x1e, 0x24, 0x4d,
                              0x40, 0x01, 0x00, 0x04, 0x68, 0xce, 0x0f, 0xc8};
// AAC LC, 22050 Hz, mono.
const uint8_t kAacConfig[] = {0x13, 0x88, 0x56, 0xe5, 0x00};

struct Setup {
    AvcConfig avc;
    std::unique_ptr<AacJudge> judge;
};

Setup& setup() {
    static Setup s = [] {
        av_log_set_level(AV_LOG_QUIET);
        Setup made;
        auto avc = moksel::repair::parseAvcConfig(kAvcConfig, sizeof kAvcConfig);
        if (!avc) std::abort();
        made.avc = *avc;
        AVCodecParameters* params = avcodec_parameters_alloc();
        params->codec_type = AVMEDIA_TYPE_AUDIO;
        params->codec_id = AV_CODEC_ID_AAC;
        params->sample_rate = 22050;
        params->frame_size = 1024;
        av_channel_layout_default(&params->ch_layout, 1);
        params->extradata =
            static_cast<uint8_t*>(av_mallocz(sizeof kAacConfig + AV_INPUT_BUFFER_PADDING_SIZE));
        std::copy(kAacConfig, kAacConfig + sizeof kAacConfig, params->extradata);
        params->extradata_size = sizeof kAacConfig;
        std::string error;
        made.judge = AacJudge::create(params, error);
        avcodec_parameters_free(&params);
        if (!made.judge) std::abort();
        return made;
    }();
    return s;
}

// Bits, most significant first, for building slice headers.
struct Bits {
    std::string bytes;
    int used = 8;
    void put(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            if (used == 8) {
                bytes += '\0';
                used = 0;
            }
            if ((value >> i) & 1) bytes.back() = char(bytes.back() | (0x80 >> used));
            ++used;
        }
    }
    void ue(uint32_t value) {
        int length = 0;
        while ((value + 1) >> (length + 1)) ++length;
        put(0, length);
        put(value + 1, length + 1);
    }
};

std::string lengthPrefixed(const std::string& nal) {
    const uint32_t n = uint32_t(nal.size());
    return std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)} + nal;
}

// A picture of one slice: IDR with frame_num 0, or a P picture with the given frame_num.
std::string picture(bool idr, uint32_t frameNum, int payload) {
    Bits b;
    b.put(idr ? 0x65 : 0x41, 8);
    b.ue(0);            // first macroblock
    b.ue(idr ? 7 : 5);  // I or P, all slices alike
    b.ue(0);            // picture parameter set
    b.put(frameNum, setup().avc.sps.front().log2MaxFrameNum);
    if (idr) b.ue(0);
    b.put(0x5a5a, 16);
    for (int i = 0; i < payload; ++i) b.put(uint32_t(i * 37 + 11) & 0xff, 8);
    return lengthPrefixed(b.bytes);
}

}  // namespace

std::vector<std::string> mokselFuzzSeeds() {
    std::string stream;
    for (uint32_t i = 0; i < 6; ++i) stream += picture(i == 0, i, 20 + int(i) * 3);
    const std::string sei = lengthPrefixed(std::string("\x06\x05\x02\xaa\xbb\x80", 6));
    return {stream, sei + stream, stream + std::string(12, '\0') + stream,
            stream.substr(0, stream.size() - 5),
            std::string("\0\0\0\x08"
                        "free\x01\x02",
                        10) +
                stream};
}

std::vector<std::string> mokselFuzzDictionary() {
    return {std::string("\x00\x00\x00\x10\x65\x88", 6),
            std::string("\x00\x00\x00\x10\x41\x9a", 6),
            std::string("\x00\x00\x00\x04\x68\xce", 6),
            std::string("\x00\x00\x03", 3),
            "free",
            "mdat",
            "moov",
            std::string("\x21\x10", 2),
            std::string("\x01\x40", 2)};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Setup& s = setup();
    moksel::repair::ScanSetup scan;
    scan.video = &s.avc;
    scan.sound = s.judge.get();
    scan.maxVideoSample = 1u << 16;
    const auto report = moksel::repair::scanMediaData(data, size, scan);
    // Samples in order, inside the data, not overlapping; together with the skipped bytes and
    // the cut they account for every byte.
    uint64_t at = 0, covered = 0;
    for (const auto& sample : report.samples) {
        if (sample.size == 0 || sample.offset < at || sample.offset + sample.size > size)
            std::abort();
        at = sample.offset + sample.size;
        covered += sample.size;
    }
    if (covered + report.skippedBytes + report.cutBytes != size) std::abort();
    return 0;
}
