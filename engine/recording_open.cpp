#include "engine/recording_open.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "engine/clock_sound.h"
#include "engine/engine_context.h"
#include "engine/engine_messages.h"
#include "engine/engine_reports.h"
#include "engine/engine_thread.h"
#include "engine/media_file.h"
#include "engine/picture_converter.h"
#include "engine/picture_decoding.h"
#include "engine/picture_lock.h"
#include "engine/playback_state.h"
#include "engine/prepared_recording.h"
#include "recording/recording_name.h"
#include "recording/telemetry.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace moksel {

namespace {

PlaybackState& ps = playbackState;

enum class Which { Front, Rear };

// Pictures up to this many pixels (1920 x 1080 and the camera's own 1280 x 720) decode on one
// thread: one core decodes them in real time, and frame threads cost CPU of their own.
constexpr int64_t kOneThreadPixels = 1920 * 1088;

// The sound decoder's output converted to interleaved 16-bit samples as the device takes
// them; null when that conversion cannot be made.
SwrContext* soundResampler(AVCodecContext* decoder) {
    SwrContext* resampler = nullptr;
    if (swr_alloc_set_opts2(&resampler, &decoder->ch_layout, AV_SAMPLE_FMT_S16, decoder->sample_rate,
                            &decoder->ch_layout, decoder->sample_fmt, decoder->sample_rate, 0, nullptr) < 0 ||
        swr_init(resampler) < 0) {
        swr_free(&resampler);
    }
    return resampler;
}

bool openSound(EngineContext& context, AVFormatContext* demuxer, int number) {
    AVStream* stream = demuxer->streams[number];
    AVCodecContext* decoder = openDecoder(stream, false);
    if (!decoder) {
        std::fprintf(stderr, "Unsupported codec!\n");
        return false;
    }
    const int channels = decoder->ch_layout.nb_channels;
    if (channels < 1 || channels > 8 || decoder->sample_rate <= 0) {
        std::fprintf(stderr, "Unsupported codec!\n");
        avcodec_free_context(&decoder);
        return false;
    }
    SwrContext* resampler = soundResampler(decoder);
    if (!resampler) {
        std::fprintf(stderr, "Unsupported codec!\n");
        avcodec_free_context(&decoder);
        return false;
    }
    // No sound device: the recording still opens and its pictures follow the clock; nothing
    // decodes the sound while no device asks for it.
    openSoundDevice(context, decoder->sample_rate, channels);
    context.soundDecoder = decoder;
    context.resampler = resampler;
    context.soundChannels = channels;
    context.soundSampleRate = decoder->sample_rate;
    context.soundStreamNumber = number;
    context.soundStream = stream;
    return true;
}

bool openVideo(EngineContext& context, AVFormatContext* demuxer, int number, Which which) {
    AVStream* stream = demuxer->streams[number];
    if (!pictureKnown(stream)) {
        std::fprintf(stderr, "Unsupported codec!\n");
        return false;
    }
    AVCodecContext* decoder = openDecoder(stream, true);
    if (!decoder) {
        std::fprintf(stderr, "Unsupported codec!\n");
        return false;
    }
    const int camera = which == Which::Front ? kFrontCamera : kRearCamera;
    {
        std::lock_guard<std::mutex> lock(pictureLock(camera));
        context.cameras[camera].decoder = decoder;
        context.cameras[camera].needsFlush = false;
    }
    if (which == Which::Front) {
        context.frontVideoStream = number;
        context.frontStream = stream;
    } else {
        context.rearVideoStream = number;
        context.rearStream = stream;
    }
    return true;
}

bool makeConverters(EngineContext& context, int camera) {
    std::lock_guard<std::mutex> lock(pictureLock(camera));
    if (createConverters(context, camera)) return true;
    std::fprintf(stderr, "Cannot initialize the conversion context!\n");
    return false;
}

int64_t streamDurationMs(const AVFormatContext* demuxer, const AVStream* stream) {
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        return streamTimeToMs(stream->duration, stream->time_base);
    }
    if (demuxer->duration != AV_NOPTS_VALUE && demuxer->duration > 0) {
        return demuxer->duration / 1000;
    }
    return 0;
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Reads every packet of a demuxer; packets of `video` go to videoIndex, of `sound` (if >= 0)
// to soundIndex, the rest are released. Stops at the end, at a read error or on quit. Where
// the file allows, only the packets' places are learnt and their data is read when decoded.
void readPackets(EngineContext& context, AVFormatContext* demuxer, int video, PacketIndex& videoIndex,
                 int sound, PacketIndex* soundIndex) {
    const int dataFile = beginIndexPass(demuxer, {video, soundIndex ? sound : -1});
    if (dataFile >= 0) {
        videoIndex.readDataFrom(dataFile);
        if (soundIndex && sound >= 0) soundIndex->readDataFrom(fcntl(dataFile, F_DUPFD_CLOEXEC, 0));
    }
    AVPacket* packet = av_packet_alloc();
    if (!packet) {
        endIndexPass(demuxer);
        return;
    }
    while (!context.quit.load() && av_read_frame(demuxer, packet) >= 0) {
        if (packet->stream_index == video) {
            videoIndex.store(packet, demuxer->streams[video]->time_base);
        } else if (soundIndex && packet->stream_index == sound) {
            soundIndex->store(packet, demuxer->streams[sound]->time_base);
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    endIndexPass(demuxer);
    videoIndex.finish();
    if (soundIndex) soundIndex->finish();
}

void readTelemetry(EngineContext& context, uint32_t& eventTimeMs) {
    eventTimeMs = 0;
    const PacketIndex& index = context.cameras[kFrontCamera].index;
    TelemetryBox& box = context.telemetryBox;
    if (!box.read(std::string(context.path))) return;
    std::vector<int64_t> times;
    const int count = index.count();
    times.reserve(static_cast<size_t>(count));
    for (int seq = 1; seq <= count; ++seq) times.push_back(index.at(seq)->timeMs);
    TelemetryRecord* records = reserveTelemetry(count);
    const int built = box.buildRecords(times.data(), count, records, count, eventTimeMs);
    ps.telemetryCount.store(built);
    if (built > 0) postToMain(UM_TELEMETRY_LOADED);
}

// Opens the rear file and indexes its video: Unusable when it cannot play (the caller reports
// it and the front plays alone).
enum class RearOutcome { Opened, Unusable };

RearOutcome openRear(EngineContext& context, const std::string& rearPath, int secondVideoStream) {
    if (!openMediaFile(rearPath.c_str(), &context.rearDemuxer)) return RearOutcome::Unusable;
    av_dump_format(context.rearDemuxer, 0, rearPath.c_str(), 0);
    AVFormatContext* demuxer = context.rearDemuxer;
    int number = secondVideoStream;
    if (number < 0) {
        for (unsigned i = 0; i < demuxer->nb_streams; ++i) {
            if (demuxer->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
                number = static_cast<int>(i);
                break;
            }
        }
    }
    // Only a video stream is taken as the rear picture.
    if (number < 0 || number >= static_cast<int>(demuxer->nb_streams) ||
        demuxer->streams[number]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) {
        return RearOutcome::Unusable;
    }
    if (!openVideo(context, demuxer, number, Which::Rear)) return RearOutcome::Unusable;
    if (!makeConverters(context, kRearCamera)) return RearOutcome::Unusable;

    PacketIndex rearIndex;
    readPackets(context, demuxer, number, rearIndex, -1, nullptr);
    {
        std::lock_guard<std::mutex> lock(pictureLock(kRearCamera));
        context.cameras[kRearCamera].index = std::move(rearIndex);
        context.cameras[kRearCamera].durationMs = streamDurationMs(demuxer, demuxer->streams[number]);
    }
    return RearOutcome::Opened;
}

// The first video stream, a second video stream (the rear camera of a front file that holds
// both) and the first sound stream; -1 for each one missing.
void chooseStreams(const AVFormatContext* demuxer, int& video, int& secondVideo, int& sound) {
    video = secondVideo = sound = -1;
    for (unsigned i = 0; i < demuxer->nb_streams; ++i) {
        const AVMediaType type = demuxer->streams[i]->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_VIDEO) {
            if (video < 0) {
                video = static_cast<int>(i);
            } else if (secondVideo < 0) {
                secondVideo = static_cast<int>(i);
            }
        } else if (type == AVMEDIA_TYPE_AUDIO && sound < 0) {
            sound = static_cast<int>(i);
        }
    }
}

// A camera of a prepared recording: its decoder and packet index, and its first picture
// decoded (a picture that will not decode is decoded again when shown).
bool prepareCamera(EngineContext& context, AVFormatContext* demuxer, int number, CameraPictures& cam,
                   int sound, PacketIndex* soundIndex) {
    AVStream* stream = demuxer->streams[number];
    if (!pictureKnown(stream)) return false;
    cam.decoder = openDecoder(stream, true);
    if (!cam.decoder) return false;
    readPackets(context, demuxer, number, cam.index, sound, soundIndex);
    cam.durationMs = streamDurationMs(demuxer, stream);
    if (cam.index.count() == 0) return false;
    decodePicture(cam, 1);
    return true;
}

// Frees what a front file that failed to open holds (its demuxer and decoder).
void releaseOpenedFront(EngineContext& context) {
    {
        std::lock_guard<std::mutex> lock(pictureLock(kFrontCamera));
        avcodec_free_context(&context.cameras[kFrontCamera].decoder);
        freeConverters(context.cameras[kFrontCamera]);
    }
    closeMediaFile(&context.frontDemuxer);
    context.frontVideoStream = -1;
    context.frontStream = nullptr;
}

}  // namespace

bool pictureKnown(const AVStream* stream) {
    const AVCodecParameters* parameters = stream->codecpar;
    const auto format = static_cast<AVPixelFormat>(parameters->format);
    return parameters->width > 0 && parameters->height > 0 && format != AV_PIX_FMT_NONE &&
           av_pix_fmt_desc_get(format) != nullptr && sws_isSupportedInput(format) > 0;
}

AVCodecContext* openDecoder(const AVStream* stream, bool video) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) return nullptr;
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    if (!decoder) return nullptr;
    if (avcodec_parameters_to_context(decoder, stream->codecpar) < 0) {
        avcodec_free_context(&decoder);
        return nullptr;
    }
    decoder->pkt_timebase = stream->time_base;
    if (video) {
        const AVCodecParameters* parameters = stream->codecpar;
        if (static_cast<int64_t>(parameters->width) * parameters->height > kOneThreadPixels) {
            // Larger pictures (4K) do not decode in real time on one core:
            // frame and slice threads, as many as the machine has. The pictures they hold back
            // are drained by the picture decoding.
            decoder->thread_count = 0;
            decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        } else {
            // One thread costs the least CPU.
            decoder->thread_count = 1;
        }
        // Without reordered pictures the decoder may hand each picture out at once.
        if (parameters->video_delay == 0 && decoder->thread_count == 1) decoder->flags |= AV_CODEC_FLAG_LOW_DELAY;
    }
    if (avcodec_open2(decoder, codec, nullptr) < 0) {
        avcodec_free_context(&decoder);
        return nullptr;
    }
    return decoder;
}

void openRecording(EngineContext& context, const char* path) {
    std::memset(context.path, 0, sizeof context.path);
    std::strncpy(context.path, path ? path : "", sizeof context.path - 1);
    runClose(context);
    ps.clockMs.store(0.0);
    context.frontVideoStream = context.soundStreamNumber = context.rearVideoStream = -1;

    if (!openMediaFile(context.path, &context.frontDemuxer)) {
        postToMain(UM_OPEN_FAILED);
        return;
    }
    AVFormatContext* demuxer = context.frontDemuxer;
    av_dump_format(demuxer, 0, context.path, 0);

    int video = -1, secondVideo = -1, sound = -1;
    chooseStreams(demuxer, video, secondVideo, sound);
    // A recording without sound (the camera's microphone switched off) or with sound that
    // cannot be decoded plays silently, the clock running by itself.
    if (video >= 0) openVideo(context, demuxer, video, Which::Front);
    if (context.frontVideoStream < 0 || !makeConverters(context, kFrontCamera)) {
        releaseOpenedFront(context);
        postToMain(UM_OPEN_FAILED);
        return;
    }
    if (sound >= 0) openSound(context, demuxer, sound);
    ps.hasSound.store(context.soundStreamNumber >= 0 ? 1 : 0);
    ps.openState.store(FrontOnly);
    clearTelemetry();

    PacketIndex frontIndex, soundIndex;
    readPackets(context, demuxer, video, frontIndex, context.soundStreamNumber, &soundIndex);
    const int64_t durationMs = streamDurationMs(demuxer, demuxer->streams[video]);
    {
        std::lock_guard<std::mutex> lock(pictureLock(kFrontCamera));
        context.cameras[kFrontCamera].index = std::move(frontIndex);
        context.cameras[kFrontCamera].durationMs = durationMs;
    }
    SDL_LockAudio();
    context.soundIndex = std::move(soundIndex);
    context.soundPacket = nullptr;
    SDL_UnlockAudio();
    if (context.quit.load()) return;

    uint32_t eventTimeMs = 0;
    readTelemetry(context, eventTimeMs);
    sendToMain(UM_RECORDING_LENGTH, eventTimeMs / 100,
               static_cast<LParam>(static_cast<uint32_t>(durationMs / 100)));

    const std::string rearPath = rearPathForFront(context.path);
    if (fileExists(rearPath)) {
        switch (openRear(context, rearPath, secondVideo)) {
            case RearOutcome::Opened:
                if (!context.quit.load()) ps.openState.store(FrontAndRear);
                break;
            case RearOutcome::Unusable:
                postToMain(UM_REAR_OPEN_FAILED);
                break;
        }
    }
    sendToMain(UM_OPEN_DONE, 0, static_cast<LParam>(static_cast<uint32_t>(durationMs / 100)));
}

PreparedRecording::~PreparedRecording() {
    for (CameraPictures& cam : cameras) {
        avcodec_free_context(&cam.decoder);
        av_frame_free(&cam.decoded);
        av_frame_free(&cam.scratch);
    }
    avcodec_free_context(&soundDecoder);
    swr_free(&resampler);
    closeMediaFile(&frontDemuxer);
    closeMediaFile(&rearDemuxer);
}

bool prepareRecording(EngineContext& context, const char* path, PreparedRecording& prepared) {
    prepared.path = path ? path : "";
    // Both cameras get their frames whatever they hold: the swap hands them to the engine.
    for (CameraPictures& cam : prepared.cameras) {
        cam.decoded = av_frame_alloc();
        cam.scratch = av_frame_alloc();
        if (!cam.decoded || !cam.scratch) return false;
    }
    if (!openMediaFile(prepared.path.c_str(), &prepared.frontDemuxer)) return false;
    AVFormatContext* demuxer = prepared.frontDemuxer;
    int video = -1, secondVideo = -1, sound = -1;
    chooseStreams(demuxer, video, secondVideo, sound);
    if (video < 0) return false;

    // The sound must be able to follow the playing sound on the device as it is open.
    const bool deviceOpen = ps.audioDeviceState.load() >= 0;
    if (sound >= 0) {
        AVCodecContext* decoder = openDecoder(demuxer->streams[sound], false);
        prepared.soundDecoder = decoder;
        if (!decoder) return false;
        prepared.soundChannels = decoder->ch_layout.nb_channels;
        prepared.soundSampleRate = decoder->sample_rate;
        prepared.resampler = soundResampler(decoder);
        if (!prepared.resampler) return false;
        prepared.soundStreamNumber = sound;
        prepared.soundStream = demuxer->streams[sound];
    }
    if (deviceOpen != (sound >= 0) ||
        (deviceOpen && (prepared.soundChannels != context.soundChannels ||
                        prepared.soundSampleRate != context.soundSampleRate))) {
        return false;
    }
    if (!prepareCamera(context, demuxer, video, prepared.cameras[kFrontCamera], sound, &prepared.soundIndex)) {
        return false;
    }
    prepared.frontVideoStream = video;
    prepared.frontStream = demuxer->streams[video];
    if (context.quit.load()) return false;

    // Telemetry, built against the prepared front's picture times.
    TelemetryBox& box = context.telemetryBox;
    if (box.read(prepared.path)) {
        const PacketIndex& index = prepared.cameras[kFrontCamera].index;
        std::vector<int64_t> times;
        times.reserve(static_cast<size_t>(index.count()));
        for (int seq = 1; seq <= index.count(); ++seq) times.push_back(index.at(seq)->timeMs);
        prepared.telemetry.resize(times.size());
        const int built = box.buildRecords(times.data(), index.count(), prepared.telemetry.data(), index.count(),
                                           prepared.eventTimeMs);
        prepared.telemetry.resize(static_cast<size_t>(std::max(0, built)));
    }

    const std::string rearPath = rearPathForFront(prepared.path.c_str());
    if (fileExists(rearPath)) {
        CameraPictures& rear = prepared.cameras[kRearCamera];
        int number = secondVideo;
        bool usable = openMediaFile(rearPath.c_str(), &prepared.rearDemuxer);
        if (usable && number < 0) {
            int ignoredSecond = -1, ignoredSound = -1;
            chooseStreams(prepared.rearDemuxer, number, ignoredSecond, ignoredSound);
        }
        usable = usable && number >= 0 && number < static_cast<int>(prepared.rearDemuxer->nb_streams) &&
                 prepared.rearDemuxer->streams[number]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                 prepareCamera(context, prepared.rearDemuxer, number, rear, -1, nullptr);
        if (usable) {
            prepared.rearVideoStream = number;
            prepared.rearStream = prepared.rearDemuxer->streams[number];
        } else {
            avcodec_free_context(&rear.decoder);
            rear.index.clear();
            prepared.rearUnusable = true;
        }
    }
    return !context.quit.load();
}

}  // namespace moksel
