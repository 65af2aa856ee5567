#include "reference_recording.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "file_layout.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace moksel::repair {

void CodecParametersFree::operator()(AVCodecParameters* p) const {
    avcodec_parameters_free(&p);
}

namespace {

struct InputClose {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};

CodecParametersPtr copyParameters(const AVCodecParameters* from) {
    CodecParametersPtr to(avcodec_parameters_alloc());
    if (to && avcodec_parameters_copy(to.get(), from) < 0) to.reset();
    return to;
}

struct Placed {
    int64_t pos;
    bool video;
};

// Average frame duration and the first decode time from the stream's index.
void timingFromIndex(AVStream* stream, StreamTiming& timing, std::vector<Placed>& placed,
                     bool video, uint32_t* largest) {
    timing.timeBaseNum = stream->time_base.num;
    timing.timeBaseDen = stream->time_base.den;
    const int count = avformat_index_get_entries_count(stream);
    int64_t first = 0, last = 0;
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry* e = avformat_index_get_entry(stream, i);
        if (!e) continue;
        if (i == 0) first = e->timestamp;
        last = e->timestamp;
        placed.push_back({e->pos, video});
        if (largest) *largest = std::max(*largest, uint32_t(e->size));
    }
    timing.firstDts = first;
    timing.frameDuration = count > 1 ? double(last - first) / double(count - 1) : 0.0;
    // The frame rate the demuxer derives from the whole track is exact where the time stamps
    // are rounded (a 30 fps stream in milliseconds: 33, 33, 34, ...).
    const AVRational rate = stream->avg_frame_rate;
    if (video && rate.num > 0 && rate.den > 0 && stream->time_base.num > 0) {
        const double exact =
            double(rate.den) * stream->time_base.den / (double(rate.num) * stream->time_base.num);
        if (timing.frameDuration <= 0 || std::abs(exact - timing.frameDuration) < 1.0)
            timing.frameDuration = exact;
    }
}

}  // namespace

bool readReference(const std::string& path, ReferenceRecording& reference, std::string& error) {
    reference = ReferenceRecording{};
    reference.path = path;
    const std::string name = std::filesystem::path(path).filename().string();
    if (fileState(path) != FileState::Whole) {
        error = "the reference " + name + " is not a complete recording";
        return false;
    }
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
        error = "the reference " + name + " cannot be read";
        return false;
    }
    std::unique_ptr<AVFormatContext, InputClose> input(raw);
    int videoIndex = -1, soundIndex = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* p = input->streams[i]->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
            if (++reference.videoStreams == 1) videoIndex = int(i);
        } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
            if (++reference.soundStreams == 1) soundIndex = int(i);
        }
    }
    if (videoIndex < 0 || input->streams[videoIndex]->codecpar->codec_id != AV_CODEC_ID_H264) {
        error = "the reference " + name + " has no H.264 video";
        return false;
    }
    if (reference.videoStreams > 1) {
        error = "the reference " + name + " holds more than one video stream";
        return false;
    }
    AVStream* video = input->streams[videoIndex];
    auto avc = parseAvcConfig(video->codecpar->extradata, size_t(video->codecpar->extradata_size));
    if (!avc) {
        error = "the reference " + name + " has no usable H.264 configuration";
        return false;
    }
    reference.avc = *avc;
    reference.video = copyParameters(video->codecpar);
    reference.width = video->codecpar->width;
    reference.height = video->codecpar->height;
    std::vector<Placed> placed;
    timingFromIndex(video, reference.videoTiming, placed, true, &reference.largestVideoSample);
    if (soundIndex >= 0) {
        AVStream* sound = input->streams[soundIndex];
        if (sound->codecpar->codec_id == AV_CODEC_ID_AAC) {
            reference.sound = copyParameters(sound->codecpar);
            timingFromIndex(sound, reference.soundTiming, placed, false, nullptr);
        }
    }
    if (!reference.video) {
        error = "out of memory";
        return false;
    }
    // How the camera lays its samples out: runs of the same kind, in file order.
    std::sort(placed.begin(), placed.end(),
              [](const Placed& a, const Placed& b) { return a.pos < b.pos; });
    int sameVideo = 0, sameSound = 0, videos = 0, sounds = 0;
    for (size_t i = 0; i + 1 < placed.size(); ++i) {
        if (placed[i].video) {
            ++videos;
            sameVideo += placed[i + 1].video;
        } else {
            ++sounds;
            sameSound += !placed[i + 1].video;
        }
    }
    reference.videoRunsLong = videos > 0 && sameVideo * 2 > videos;
    reference.soundRunsLong = sounds > 0 && sameSound * 2 > sounds;

    // First presentation times (composition offsets and encoder delay are not in the index).
    AVPacket* packet = av_packet_alloc();
    bool videoSeen = false, soundSeen = !reference.sound;
    for (int n = 0; n < 1000 && !(videoSeen && soundSeen) && packet; ++n) {
        if (av_read_frame(input.get(), packet) < 0) break;
        if (packet->stream_index == videoIndex && !videoSeen) {
            videoSeen = true;
            reference.videoTiming.firstPts =
                packet->pts == AV_NOPTS_VALUE ? reference.videoTiming.firstDts : packet->pts;
            if (packet->dts != AV_NOPTS_VALUE) reference.videoTiming.firstDts = packet->dts;
        } else if (packet->stream_index == soundIndex && !soundSeen) {
            soundSeen = true;
            reference.soundTiming.firstPts =
                packet->pts == AV_NOPTS_VALUE ? reference.soundTiming.firstDts : packet->pts;
            if (packet->dts != AV_NOPTS_VALUE) reference.soundTiming.firstDts = packet->dts;
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    if (reference.videoTiming.frameDuration <= 0) {
        error = "the reference " + name + " is too short to tell its frame rate";
        return false;
    }
    if (reference.sound && reference.soundTiming.frameDuration <= 0)
        reference.soundTiming.frameDuration =
            reference.sound->frame_size > 0 ? reference.sound->frame_size : 1024;
    return true;
}

}  // namespace moksel::repair
