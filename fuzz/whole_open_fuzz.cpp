// Fuzz target: a whole recording pair opened the way the engine opens files, each file's bytes
// in a memory file: the engine's own file reading for the demuxer (and its reopening where the
// data needs parsing), stream selection, the checks made before converters are built, the
// packet index with its pass that skips the samples' bytes, the sound decoder, the telemetry
// box, then the first picture decoded by the engine's picture decoding (its data read back by
// place) and converted at both picture sizes, a step forward and a step back, and a jump to the
// last picture.
//
// Input: a 4-byte big-endian length, that many bytes of front file, the rest the rear file
// (inputs shorter than 4 bytes are a front file alone).

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine_context.h"
#include "engine/media_file.h"
#include "engine/packet_index.h"
#include "engine/picture_converter.h"
#include "engine/picture_decoding.h"
#include "engine/recording_open.h"
#include "fuzz/fuzz_driver.h"
#include "recording/telemetry.h"
#include "recording_generator.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace {

using moksel::CameraPictures;
using moksel::EngineContext;
using moksel::kFrontCamera;
using moksel::kRearCamera;
using moksel::PacketIndex;
using moksel::openDecoder;
using moksel::pictureKnown;

// Work per input is bounded: packets indexed per file and sound packets decoded.
constexpr int kMaxPackets = 2000;
constexpr int kSoundPacketsDecoded = 4;

// The demuxer over one file's bytes, held in a memory file that the engine's reader opens by
// name.
struct Demuxer {
    int fd = -1;
    AVFormatContext* format = nullptr;

    bool open(const uint8_t* data, size_t size) {
        fd = memfd_create("recording", MFD_CLOEXEC);
        if (fd < 0) return false;
        for (size_t written = 0; written < size;) {
            const ssize_t n = ::write(fd, data + written, size - written);
            if (n <= 0) return false;
            written += static_cast<size_t>(n);
        }
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        return moksel::openMediaFile(path.c_str(), &format);
    }
    ~Demuxer() {
        moksel::closeMediaFile(&format);
        if (fd >= 0) ::close(fd);
    }
};

// The sound decoder and resampler as open makes them, then a few packets decoded and resampled
// as the sound thread does.
void decodeSound(const AVStream* stream, PacketIndex& index) {
    AVCodecContext* decoder = openDecoder(stream, false);
    if (!decoder) return;
    const int channels = decoder->ch_layout.nb_channels;
    SwrContext* resampler = nullptr;
    if (channels >= 1 && channels <= 8 && decoder->sample_rate > 0 &&
        swr_alloc_set_opts2(&resampler, &decoder->ch_layout, AV_SAMPLE_FMT_S16,
                            decoder->sample_rate, &decoder->ch_layout, decoder->sample_fmt,
                            decoder->sample_rate, 0, nullptr) >= 0 &&
        swr_init(resampler) >= 0) {
        AVFrame* frame = av_frame_alloc();
        static std::vector<uint8_t> out(288000);
        for (int seq = 1; frame && seq <= std::min(index.count(), kSoundPacketsDecoded); ++seq) {
            const AVPacket* packet = index.packetData(*index.at(seq));
            if (!packet || avcodec_send_packet(decoder, packet) < 0) continue;
            while (avcodec_receive_frame(decoder, frame) >= 0) {
                const int room = static_cast<int>(out.size()) / (2 * channels);
                uint8_t* planes[1] = {out.data()};
                if (frame->ch_layout.nb_channels == channels)
                    swr_convert(resampler, planes, room,
                                const_cast<const uint8_t**>(frame->extended_data),
                                frame->nb_samples);
                av_frame_unref(frame);
            }
        }
        av_frame_free(&frame);
    }
    swr_free(&resampler);
    avcodec_free_context(&decoder);
}

void readPackets(AVFormatContext* format, int video, PacketIndex& videoIndex, int sound,
                 PacketIndex* soundIndex) {
    // As open does: where the file allows, only the packets' places are learnt.
    const int dataFile = moksel::beginIndexPass(format, {video, soundIndex ? sound : -1});
    if (dataFile >= 0) {
        videoIndex.readDataFrom(dataFile);
        if (soundIndex) soundIndex->readDataFrom(::dup(dataFile));
    }
    AVPacket* packet = av_packet_alloc();
    for (int n = 0; packet && n < kMaxPackets && av_read_frame(format, packet) >= 0; ++n) {
        if (packet->stream_index == video) {
            videoIndex.store(packet, format->streams[video]->time_base);
        } else if (soundIndex && packet->stream_index == sound) {
            soundIndex->store(packet, format->streams[sound]->time_base);
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    moksel::endIndexPass(format);
    videoIndex.finish();
    if (soundIndex) soundIndex->finish();
}

void showPicture(EngineContext& context, int camera, int number) {
    if (!moksel::decodePicture(context.cameras[camera], number)) return;
    for (int sizeIndex = 0; sizeIndex < 2; ++sizeIndex)
        moksel::convertPicture(context, camera, sizeIndex);
}

void readTelemetry(EngineContext& context, const uint8_t* data, size_t size) {
    if (size == 0) return;
    std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file) return;
    const bool found = context.telemetryBox.read(file);
    std::fclose(file);
    if (!found) return;
    const PacketIndex& index = context.cameras[kFrontCamera].index;
    std::vector<int64_t> times;
    for (int seq = 1; seq <= index.count(); ++seq) times.push_back(index.at(seq)->timeMs);
    std::vector<moksel::TelemetryRecord> records(times.size());
    uint32_t eventTimeMs = 0;
    const int built = context.telemetryBox.buildRecords(times.data(), index.count(), records.data(),
                                                        index.count(), eventTimeMs);
    if (built < 0 || built > index.count()) std::abort();
}

// One camera's stream from open to the pictures shown after it.
void playCamera(EngineContext& context, int camera, AVFormatContext* format, int video,
                int sound, const uint8_t* file, size_t fileSize) {
    const AVStream* stream = format->streams[video];
    if (!pictureKnown(stream)) return;
    CameraPictures& cam = context.cameras[camera];
    cam.decoder = openDecoder(stream, true);
    if (!cam.decoder) return;
    if (moksel::createConverters(context, camera)) {
        PacketIndex soundIndex;
        readPackets(format, video, cam.index, sound, sound >= 0 ? &soundIndex : nullptr);
        if (sound >= 0) decodeSound(format->streams[sound], soundIndex);
        // The front file's telemetry box, timed by the front index.
        if (camera == kFrontCamera) readTelemetry(context, file, fileSize);
        moksel::resetPictureDecoding(cam);
        cam.fedPosition = 0;
        cam.drained = false;
        const int count = cam.index.count();
        showPicture(context, camera, 1);
        showPicture(context, camera, 2);
        showPicture(context, camera, 1);
        showPicture(context, camera, count);
        showPicture(context, camera, count - 1);
    }
    cam.index.clear();
    moksel::freeConverters(cam);
    avcodec_free_context(&cam.decoder);
    av_frame_unref(cam.decoded);
    av_frame_unref(cam.scratch);
    cam.decodedNumber = 0;
}

EngineContext& engineContext() {
    static EngineContext* context = [] {
        av_log_set_level(AV_LOG_QUIET);
        auto* made = new EngineContext;
        for (int camera = 0; camera < 2; ++camera) {
            CameraPictures& cam = made->cameras[camera];
            cam.decoded = av_frame_alloc();
            cam.scratch = av_frame_alloc();
            for (int sizeIndex = 0; sizeIndex < 2; ++sizeIndex)
                cam.buffers[sizeIndex] = static_cast<uint8_t*>(
                    av_mallocz(moksel::pictureBufferBytes(moksel::pictureSizes[camera][sizeIndex])));
        }
        return made;
    }();
    return *context;
}

std::string bigEndian32(uint32_t v) {
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

// Small pairs from the sample generator, one per layout and stream option it has.
std::vector<std::string> mokselFuzzSeeds() {
    namespace fs = std::filesystem;
    av_log_set_level(AV_LOG_QUIET);
    std::error_code error;
    const fs::path folder =
        fs::temp_directory_path(error) / ("moksel-fuzz-seeds-" + std::to_string(::getpid()));
    std::vector<moksel::gen::GenOptions> variants(11);
    for (auto& options : variants) {
        options.frames = 3;
        options.width = 64;
        options.height = 36;
        options.keyInterval = 2;
        options.parallel = false;
    }
    variants[1].bFrames = 2;
    variants[1].frames = 5;
    variants[2].videoTimeScale = 90000;
    variants[3].sampleRate = 8000;
    variants[3].signal.channels = 2;
    variants[4].movieFirst = true;
    variants[5].extraBoxType = "skip";
    variants[6].sound = false;
    variants[7].telemetry = false;
    variants[7].flags = false;
    variants[8].secondVideoStream = true;
    variants[9].rear = moksel::gen::RearKind::SoundOnly;
    variants[10].keyInterval = 0;
    variants[10].rearFrames = 2;
    std::vector<std::string> seeds;
    for (size_t i = 0; i < variants.size(); ++i) {
        variants[i].outputDir = (folder / std::to_string(i)).string();
        moksel::gen::GenResult result;
        std::string message;
        if (!moksel::gen::generatePair(variants[i], result, message)) {
            std::fprintf(stderr, "whole_open seeds: %s\n", message.c_str());
            std::abort();
        }
        const std::string front = fileBytes(result.frontPath);
        const std::string rear = result.rearPath.empty() ? "" : fileBytes(result.rearPath);
        seeds.push_back(bigEndian32(uint32_t(front.size())) + front + rear);
    }
    fs::remove_all(folder, error);
    return seeds;
}

std::vector<std::string> mokselFuzzDictionary() {
    std::vector<std::string> words;
    for (const char* box : {"ftyp", "moov", "mdat", "udat", "GPSI", "SENS", "finf", "trak", "mdia",
                            "minf", "stbl", "stsd", "stsz", "stco", "co64", "stts", "ctts", "stss",
                            "avcC", "esds", "mvhd", "tkhd", "mdhd", "hdlr", "free", "avc1",
                            "mp4a", "elst", "edts", "stsc"})
        words.emplace_back(box);
    // H.264 start codes and NAL headers (sequence and picture parameter sets, key and other
    // slices, SEI) and a 4-byte sample length.
    for (const char* nal : {"\x67\x42\xc0\x0a", "\x68\xce\x0f\xc8", "\x65\x88", "\x41\x9a", "\x06\x05"})
        words.emplace_back(std::string("\x00\x00\x00\x01", 4) + nal);
    words.emplace_back("\x00\x00\x03", 3);
    words.emplace_back("\x00\x00\x00\x10", 4);
    words.emplace_back("\xff\xff\xff\xff", 4);
    return words;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    EngineContext& context = engineContext();
    const uint8_t* front = data;
    size_t frontSize = size;
    const uint8_t* rear = nullptr;
    size_t rearSize = 0;
    if (size >= 4) {
        const size_t declared = (size_t(data[0]) << 24) | (size_t(data[1]) << 16) |
                                (size_t(data[2]) << 8) | size_t(data[3]);
        front = data + 4;
        frontSize = std::min(declared, size - 4);
        rear = front + frontSize;
        rearSize = size - 4 - frontSize;
    }

    int secondVideo = -1;
    {
        Demuxer demuxer;
        if (!demuxer.open(front, frontSize)) return 0;
        AVFormatContext* format = demuxer.format;
        int video = -1, sound = -1;
        for (unsigned i = 0; i < format->nb_streams; ++i) {
            const AVMediaType type = format->streams[i]->codecpar->codec_type;
            if (type == AVMEDIA_TYPE_VIDEO) {
                if (video < 0) video = int(i);
                else if (secondVideo < 0) secondVideo = int(i);
            } else if (type == AVMEDIA_TYPE_AUDIO && sound < 0) {
                sound = int(i);
            }
        }
        if (video < 0) return 0;
        playCamera(context, kFrontCamera, format, video, sound, front, frontSize);
    }
    if (rearSize == 0) return 0;
    Demuxer demuxer;
    if (!demuxer.open(rear, rearSize)) return 0;
    AVFormatContext* format = demuxer.format;
    int number = secondVideo;
    if (number < 0) {
        for (unsigned i = 0; i < format->nb_streams; ++i) {
            if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
                number = int(i);
                break;
            }
        }
    }
    if (number < 0 || number >= int(format->nb_streams) ||
        format->streams[number]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
        return 0;
    playCamera(context, kRearCamera, format, number, -1, rear, rearSize);
    return 0;
}
