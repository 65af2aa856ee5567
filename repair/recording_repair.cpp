#include "recording_repair.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <numeric>
#include <vector>

#include "aac_judge.h"
#include "media_scan.h"
#include "recording/recording_name.h"
#include "reference_recording.h"
#include "repaired_file_writer.h"
#include "sample_times.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace fs = std::filesystem;

namespace moksel::repair {

const char* repairOutcomeText(RepairOutcome outcome) {
    switch (outcome) {
        case RepairOutcome::Repaired:
            return "repaired";
        case RepairOutcome::NothingToRepair:
            return "nothing to repair";
        case RepairOutcome::NothingRecovered:
            return "nothing recovered";
        case RepairOutcome::Refused:
            return "refused";
        case RepairOutcome::Failed:
            return "failed";
        case RepairOutcome::Cancelled:
            return "cancelled";
    }
    return "";
}

namespace {

// The file's bytes, mapped read-only.
class MappedFile {
public:
    explicit MappedFile(const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_size > 0) {
            void* p = ::mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (p != MAP_FAILED) {
                data_ = static_cast<const uint8_t*>(p);
                size_ = size_t(info.st_size);
                ::madvise(p, size_, MADV_SEQUENTIAL);
            }
        }
        ::close(fd);
    }
    ~MappedFile() {
        if (data_) ::munmap(const_cast<uint8_t*>(data_), size_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

std::string fileName(const std::string& path) {
    return fs::path(path).filename().string();
}

std::string nearestWholeRecording(const std::string& path);

bool isRearName(const std::string& path) {
    const std::string name = fileName(path);
    return name.size() == 24 && name[3] == '1' && name[4] == '_' && name[13] == '_';
}

RepairReport failure(RepairReport report, RepairOutcome outcome, const std::string& message) {
    report.outcome = outcome;
    report.message = message;
    return report;
}

// Decodes the first recovered pictures with the reference's configuration: a reference of
// another size or other encoder settings makes the decoder fail or conceal.
bool videoFitsReference(const ReferenceRecording& reference, const uint8_t* media,
                        const std::vector<ScannedSample>& samples) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext* decoder = codec ? avcodec_alloc_context3(codec) : nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool fits = decoder && packet && frame &&
                avcodec_parameters_to_context(decoder, reference.video.get()) >= 0;
    if (fits) {
        decoder->log_level_offset = 100;  // past every level, within the level byte
        decoder->thread_count = 1;
        decoder->err_recognition = AV_EF_EXPLODE | AV_EF_BITSTREAM | AV_EF_BUFFER;
        fits = avcodec_open2(decoder, codec, nullptr) >= 0;
    }
    int sent = 0, pictures = 0;
    auto drain = [&]() {
        while (fits) {
            const int r = avcodec_receive_frame(decoder, frame);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
            if (r < 0 || frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT) ||
                frame->width != reference.width || frame->height != reference.height)
                fits = false;
            ++pictures;
            av_frame_unref(frame);
        }
    };
    bool started = false;
    for (const ScannedSample& s : samples) {
        if (!fits || sent >= 8) break;
        if (!s.video || (!started && !s.key)) continue;
        started = true;
        av_packet_unref(packet);
        if (av_new_packet(packet, int(s.size)) < 0) break;
        std::copy(media + s.offset, media + s.offset + s.size, packet->data);
        if (avcodec_send_packet(decoder, packet) < 0) fits = false;
        ++sent;
        drain();
    }
    if (fits && sent > 0) {
        avcodec_send_packet(decoder, nullptr);
        drain();
        if (pictures == 0) fits = false;
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    return fits;
}

// A file whose index is whole but whose media data ends early: every sample the index lists
// that lies wholly in the file is copied.
RepairReport repairFromOwnIndex(const RepairJob& job, RepairReport report) {
    std::error_code sizeError;
    const uint64_t fileSize = fs::file_size(job.input, sizeError);
    if (sizeError)
        return failure(report, RepairOutcome::Failed, fileName(job.input) + " cannot be read");
    AVFormatContext* input = nullptr;
    if (avformat_open_input(&input, job.input.c_str(), nullptr, nullptr) < 0)
        return failure(report, RepairOutcome::Failed, fileName(job.input) + " cannot be read");
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> closer(
        input, [](AVFormatContext* f) { avformat_close_input(&f); });
    int videoIndex = -1, soundIndex = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const int type = input->streams[i]->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_VIDEO && videoIndex < 0) videoIndex = int(i);
        if (type == AVMEDIA_TYPE_AUDIO && soundIndex < 0) soundIndex = int(i);
    }
    if (videoIndex < 0)
        return failure(report, RepairOutcome::Failed, fileName(job.input) + " has no video");
    std::map<int64_t, int> expected[2];  // sample sizes by position, video and sound
    for (int k = 0; k < 2; ++k) {
        const int index = k == 0 ? videoIndex : soundIndex;
        if (index < 0) continue;
        AVStream* stream = input->streams[index];
        for (int i = 0; i < avformat_index_get_entries_count(stream); ++i)
            if (const AVIndexEntry* e = avformat_index_get_entry(stream, i))
                expected[k][e->pos] = e->size;
    }
    auto timeOf = [&](int index) {
        const AVRational tb = input->streams[index]->time_base;
        return TimeBase{tb.num, tb.den};
    };
    RepairedFileWriter writer;
    std::string error;
    if (!writer.open(job.output, input->streams[videoIndex]->codecpar, timeOf(videoIndex),
                     soundIndex >= 0 ? input->streams[soundIndex]->codecpar : nullptr,
                     soundIndex >= 0 ? timeOf(soundIndex) : TimeBase{}, error))
        return failure(report, RepairOutcome::Failed, error);
    AVPacket* packet = av_packet_alloc();
    int64_t videoEnd = 0;
    int sinceCheck = 0;
    bool cancelled = false;
    while (packet && av_read_frame(input, packet) >= 0) {
        const bool video = packet->stream_index == videoIndex;
        if ((video || packet->stream_index == soundIndex) && packet->pos >= 0) {
            const auto& sizes = expected[video ? 0 : 1];
            const auto it = sizes.find(packet->pos);
            const bool whole = it != sizes.end() && it->second == packet->size &&
                               uint64_t(packet->pos) + uint64_t(packet->size) <= fileSize;
            if (whole) {
                if (!writer.write(video, packet->data, size_t(packet->size), packet->pts,
                                  packet->dts, packet->duration, packet->flags & AV_PKT_FLAG_KEY,
                                  error)) {
                    av_packet_free(&packet);
                    return failure(report, RepairOutcome::Failed, error);
                }
                if (video) {
                    ++report.videoSamples;
                    videoEnd = std::max(videoEnd, packet->pts + packet->duration);
                } else {
                    ++report.soundSamples;
                }
            }
        }
        if (++sinceCheck >= 256) {
            sinceCheck = 0;
            if (job.cancel && job.cancel->load()) {
                cancelled = true;
                av_packet_unref(packet);
                break;
            }
            if (job.progress && packet->pos > 0)
                job.progress(0.95 * double(packet->pos) / double(fileSize));
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    if (cancelled) return failure(report, RepairOutcome::Cancelled, "the repair was cancelled");
    if (report.videoSamples == 0)
        return failure(report, RepairOutcome::NothingRecovered,
                       "no whole video sample was found in " + fileName(job.input));
    if (!writer.finish(error)) return failure(report, RepairOutcome::Failed, error);
    const AVRational tb = input->streams[videoIndex]->time_base;
    const int64_t start = std::max<int64_t>(0, input->streams[videoIndex]->start_time);
    report.durationS = double(videoEnd - start) * av_q2d(tb);
    report.outcome = RepairOutcome::Repaired;
    return report;
}

RepairReport repairFromMediaData(const RepairJob& job, RepairReport report) {
    const std::string name = fileName(job.input);
    report.reference = job.reference.empty() ? findReference(job.input) : job.reference;
    if (report.reference.empty()) {
        report.referenceMissing = true;
        return failure(report, RepairOutcome::Failed,
                       "no complete recording of the same camera was found beside " + name +
                           " to learn its format from; name one as the reference");
    }
    ReferenceRecording reference;
    std::string error;
    if (!readReference(report.reference, reference, error))
        return failure(report, RepairOutcome::Refused, error);
    const std::string referenceName = fileName(report.reference);
    if (!reference.sound && !isRearName(job.input))
        return failure(report, RepairOutcome::Refused,
                       "the reference " + referenceName +
                           " has no sound: a front recording needs a reference with sound");
    std::unique_ptr<AacJudge> judge;
    if (reference.sound) {
        judge = AacJudge::create(reference.sound.get(), error);
        if (!judge) return failure(report, RepairOutcome::Refused, error);
    }

    const FileLayout layout = readFileLayout(job.input);
    const MappedFile file(job.input);
    if (!file.data() || layout.mediaEnd > file.size() || layout.mediaBegin >= layout.mediaEnd)
        return failure(report, RepairOutcome::NothingRecovered, name + " holds no media data");
    const uint8_t* media = file.data() + layout.mediaBegin;
    const size_t mediaSize = size_t(layout.mediaEnd - layout.mediaBegin);

    ScanSetup setup;
    setup.video = &reference.avc;
    setup.sound = judge.get();
    setup.maxVideoSample = std::max<size_t>(size_t(reference.largestVideoSample) * 8, 4u << 20);
    setup.largestVideoSample = reference.largestVideoSample;
    setup.soundRunsLong = reference.soundRunsLong;
    setup.videoRunsLong = reference.videoRunsLong;
    std::function<void(double)> scanProgress;
    if (job.progress) scanProgress = [&](double f) { job.progress(0.8 * f); };
    const ScanReport scan = scanMediaData(media, mediaSize, setup, scanProgress, job.cancel);
    report.skippedBytes = scan.skippedBytes;
    if (scan.cancelled)
        return failure(report, RepairOutcome::Cancelled, "the repair was cancelled");

    std::vector<ScannedSample> samples;
    for (const ScannedSample& s : scan.samples) {
        if (s.video)
            ++report.videoSamples;
        else
            ++report.soundSamples;
    }
    if (report.videoSamples == 0) {
        report.soundSamples = 0;
        return failure(report, RepairOutcome::NothingRecovered,
                       "no whole video sample was found in " + name +
                           (mediaSize > (1u << 16) ? " (does the reference " + referenceName +
                                                         " come from the same camera?)"
                                                   : ""));
    }
    if (!videoFitsReference(reference, media, scan.samples))
        return failure(report, RepairOutcome::Refused,
                       "the reference " + referenceName + " (" + std::to_string(reference.width) +
                           "x" + std::to_string(reference.height) + ") does not fit " + name +
                           ": it was recorded at another resolution or with other settings");

    const SampleTimes times = assignSampleTimes(scan.samples, reference);
    RepairedFileWriter writer;
    const TimeBase videoTime{reference.videoTiming.timeBaseNum, reference.videoTiming.timeBaseDen};
    const TimeBase soundTime{reference.soundTiming.timeBaseNum, reference.soundTiming.timeBaseDen};
    if (!writer.open(job.output, reference.video.get(), videoTime, reference.sound.get(), soundTime,
                     error))
        return failure(report, RepairOutcome::Failed, error);
    for (size_t i = 0; i < scan.samples.size(); ++i) {
        const ScannedSample& s = scan.samples[i];
        if (!s.video && !reference.sound) continue;
        const SampleTime& t = times.samples[i];
        if (!writer.write(s.video, media + s.offset, s.size, t.pts, t.dts, t.duration, s.key,
                          error))
            return failure(report, RepairOutcome::Failed, error);
        if ((i & 255) == 0) {
            if (job.cancel && job.cancel->load())
                return failure(report, RepairOutcome::Cancelled, "the repair was cancelled");
            if (job.progress) job.progress(0.8 + 0.19 * double(i) / double(scan.samples.size()));
        }
    }
    if (!reference.sound) report.soundSamples = 0;
    if (!writer.finish(error)) return failure(report, RepairOutcome::Failed, error);
    report.durationS = times.videoDurationS;
    report.outcome = RepairOutcome::Repaired;
    return report;
}

}  // namespace

RepairReport repairFile(const RepairJob& job) {
    RepairReport report;
    report.input = job.input;
    report.output = job.output;
    const std::string name = fileName(job.input);
    std::error_code e;
    if (!fs::is_regular_file(job.input, e))
        return failure(report, RepairOutcome::Failed, name + " cannot be found");
    if (fs::exists(job.output, e) && fs::equivalent(job.input, job.output, e))
        return failure(report, RepairOutcome::Failed,
                       "the repaired file would replace the original " + name);
    report.state = fileState(job.input);
    switch (report.state) {
        case FileState::Whole:
            return failure(report, RepairOutcome::NothingToRepair,
                           name + " is complete: nothing to repair");
        case FileState::NotRecording:
            return failure(report, RepairOutcome::Failed,
                           name + " is not a recording (no media data)");
        case FileState::MediaCut:
            report = repairFromOwnIndex(job, report);
            break;
        case FileState::IndexMissing:
            report = repairFromMediaData(job, report);
            break;
    }
    if (report.outcome == RepairOutcome::Repaired) {
        char text[256];
        std::snprintf(text, sizeof text, "recovered %d video and %d sound samples (%.1f s)",
                      report.videoSamples, report.soundSamples, report.durationS);
        report.message = text;
    }
    if (job.progress && report.outcome == RepairOutcome::Repaired) job.progress(1.0);
    return report;
}

std::string defaultRepairFolder(const std::string& path) {
    return (fs::path(path).parent_path() / "REPAIRED").string();
}

std::string findReference(const std::string& path) {
    try {
        return nearestWholeRecording(path);
    } catch (const std::exception&) {  // a folder that changes or fails while it is listed
        return {};
    }
}

namespace {

std::string nearestWholeRecording(const std::string& path) {
    const fs::path broken(path);
    const std::string name = broken.filename().string();
    const bool cameraName = name.size() == 24 && name[4] == '_' && name[13] == '_';
    const auto brokenStart = recordingStartOf(name);
    auto secondsOf = [](const RecordingStart& s) {
        // Days from a fixed origin are enough to order by distance.
        const long days = long(s.year) * 372 + long(s.month) * 31 + s.day;
        return double(days) * 86400.0 + s.hour * 3600.0 + s.minute * 60.0 + s.second;
    };
    std::vector<std::pair<double, std::string>> candidates;
    std::error_code e;
    for (const auto& entry :
         fs::directory_iterator(broken.parent_path().empty() ? "." : broken.parent_path(), e)) {
        const std::string other = entry.path().filename().string();
        if (other == name || !entry.is_regular_file(e)) continue;
        if (cameraName) {
            if (other.size() != 24 || other[3] != name[3] || other[4] != '_' || other[13] != '_' ||
                other.substr(20) != ".mp4")
                continue;
        } else if (entry.path().extension() != fs::path(name).extension()) {
            continue;
        }
        const auto start = recordingStartOf(other);
        const double distance =
            brokenStart && start ? std::fabs(secondsOf(*start) - secondsOf(*brokenStart)) : 1e12;
        candidates.emplace_back(distance, entry.path().string());
    }
    std::sort(candidates.begin(), candidates.end());
    int tried = 0;
    for (const auto& [distance, candidate] : candidates) {
        if (++tried > 32) break;
        if (fileState(candidate) == FileState::Whole) return candidate;
    }
    return {};
}

}  // namespace

PairRepairReport repairPair(const PairRepairJob& job) {
    PairRepairReport pair;
    const std::string folder =
        job.outputFolder.empty() ? defaultRepairFolder(job.front) : job.outputFolder;
    const std::string rearPath = rearPathForFront(job.front);
    std::error_code e;
    const bool hasRear = rearPath != job.front && fs::is_regular_file(rearPath, e);
    const FileState frontState = fileState(job.front);
    const FileState rearState = hasRear ? fileState(rearPath) : FileState::Whole;
    auto cut = [](FileState s) { return s == FileState::IndexMissing || s == FileState::MediaCut; };
    if (!cut(frontState) && !cut(rearState)) {
        pair.outcome =
            frontState == FileState::Whole ? RepairOutcome::NothingToRepair : RepairOutcome::Failed;
        pair.message = fileName(job.front) + " is " + fileStateText(frontState) +
                       (frontState == FileState::Whole ? ": nothing to repair" : "");
        pair.front.outcome = pair.outcome;
        pair.front.state = frontState;
        return pair;
    }
    const bool folderExisted = fs::exists(folder, e);
    fs::create_directories(folder, e);
    if (e) {
        pair.message = "cannot create the folder " + folder + " (" + e.message() + ")";
        return pair;
    }
    const std::string frontOut = (fs::path(folder) / fs::path(job.front).filename()).string();
    const std::string rearOut = (fs::path(folder) / fs::path(rearPath).filename()).string();
    const double frontShare = hasRear && cut(rearState) && cut(frontState) ? 0.6 : 1.0;
    const bool frontOutExisted = fs::exists(frontOut, e);
    const bool rearOutExisted = fs::exists(rearOut, e);

    auto copyWhole = [&](const std::string& from, const std::string& to, RepairReport& r) {
        r.input = from;
        r.output = to;
        r.state = FileState::Whole;
        std::error_code copyError;
        if (fs::exists(to, copyError) && fs::equivalent(from, to, copyError)) {
            r.outcome = RepairOutcome::Failed;
            r.message = "the output folder is the recording's own folder";
            return;
        }
        fs::copy_file(from, to, fs::copy_options::overwrite_existing, copyError);
        r.outcome = copyError ? RepairOutcome::Failed : RepairOutcome::NothingToRepair;
        r.message = copyError ? "cannot copy " + fileName(from) + " (" + copyError.message() + ")"
                              : fileName(from) + " is complete: copied unchanged";
    };

    if (cut(frontState)) {
        RepairJob frontJob{job.front, job.reference, frontOut, {}, job.cancel};
        if (job.progress) frontJob.progress = [&](double f) { job.progress(frontShare * f); };
        pair.front = repairFile(frontJob);
    } else {
        copyWhole(job.front, frontOut, pair.front);
    }
    // A cut front that could not be repaired decides the pair: its rear is left alone (and a
    // rear kept from an earlier repair is not overwritten).
    const bool frontLost = cut(frontState) && pair.front.outcome != RepairOutcome::Repaired;
    if (hasRear && !frontLost) {
        RepairReport rear;
        if (cut(rearState)) {
            std::string rearReference;
            if (!job.reference.empty()) {
                const std::string candidate = rearPathForFront(job.reference);
                if (candidate != job.reference && fs::is_regular_file(candidate, e))
                    rearReference = candidate;
            }
            RepairJob rearJob{rearPath, rearReference, rearOut, {}, job.cancel};
            if (job.progress)
                rearJob.progress = [&](double f) {
                    job.progress(frontShare < 1.0 ? 0.6 + 0.4 * f : f);
                };
            rear = repairFile(rearJob);
        } else {
            copyWhole(rearPath, rearOut, rear);
        }
        pair.rear = rear;
    }
    const bool frontRepaired = pair.front.outcome == RepairOutcome::Repaired;
    const bool rearRepaired = pair.rear && pair.rear->outcome == RepairOutcome::Repaired;
    if (cut(frontState))
        pair.outcome = pair.front.outcome;
    else
        pair.outcome = pair.rear ? pair.rear->outcome : RepairOutcome::NothingToRepair;
    if (frontRepaired || (!cut(frontState) && rearRepaired)) {
        pair.outcome = RepairOutcome::Repaired;
        pair.frontOutput = frontOut;
    }
    if (pair.outcome != RepairOutcome::Repaired) {
        // Nothing to play came of it: what this repair wrote goes, so that a failed or
        // cancelled repair leaves the card as it was.
        if (!frontOutExisted) fs::remove(frontOut, e);
        if (hasRear && !rearOutExisted) fs::remove(rearOut, e);
        if (!folderExisted && fs::is_empty(folder, e)) fs::remove(folder, e);
    }
    pair.message = fileName(job.front) + ": " + pair.front.message;
    if (pair.rear) pair.message += "; " + fileName(rearPath) + ": " + pair.rear->message;
    if (job.progress && pair.outcome == RepairOutcome::Repaired) job.progress(1.0);
    return pair;
}

}  // namespace moksel::repair
