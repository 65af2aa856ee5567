#include "media_scan.h"

#include <algorithm>
#include <cstring>

namespace moksel::repair {
namespace {

// Boxes that may sit among the samples (padding, a second media box, the start of an index
// written after a crash); they are stepped over whole.
bool foreignBoxType(const uint8_t* type) {
    static const char* const kTypes[] = {"free", "skip", "wide", "moov", "uuid", "udat",
                                         "meta", "moof", "mfra", "ftyp", "mdat"};
    for (const char* t : kTypes)
        if (std::memcmp(type, t, 4) == 0) return true;
    return false;
}

class Scanner {
public:
    Scanner(const uint8_t* data, size_t size, const ScanSetup& setup)
        : d_(data),
          n_(size),
          setup_(setup),
          config_(*setup.video),
          lengthSize_(size_t(config_.nalLengthSize)) {
        maxFrameNum_ = 1u << config_.sps.front().log2MaxFrameNum;
    }

    ScanReport run(const std::function<void(double)>& progress, const std::atomic<bool>* cancel) {
        ScanReport report;
        size_t p = 0;
        bool lastWasSound = false;
        size_t sinceCheck = 0;
        while (p < n_) {
            if (++sinceCheck >= 256) {
                sinceCheck = 0;
                if (cancel && cancel->load()) {
                    report.cancelled = true;
                    break;
                }
                if (progress) progress(double(p) / double(n_));
            }
            const bool soundFirst =
                setup_.sound && (lastWasSound ? setup_.soundRunsLong : !setup_.videoRunsLong);
            ScannedSample sample;
            bool cut = false;
            bool found = false;
            if (soundFirst)
                found = trySound(p, sample) || tryVideo(p, sample, cut);
            else
                found = tryVideo(p, sample, cut) || (!cut && trySound(p, sample));
            if (found) {
                if (sample.video && unknownRun_ > 0) recoverSoundBefore(p, report);
                unknownRun_ = 0;
                report.samples.push_back(sample);
                lastWasSound = !sample.video;
                p += sample.size;
                continue;
            }
            if (cut) {
                report.cutBytes = n_ - p;
                p = n_;
                break;
            }
            const size_t next = skipUnknown(p);
            unknownRun_ += next - p;
            report.skippedBytes += next - p;
            p = next;
        }
        if (progress && !report.cancelled) progress(1.0);
        return report;
    }

private:
    uint64_t lengthAt(size_t at) const {
        uint64_t value = 0;
        for (size_t i = 0; i < lengthSize_; ++i) value = (value << 8) | d_[at + i];
        return value;
    }

    uint64_t cutSampleLimit() const {
        if (setup_.largestVideoSample == 0) return setup_.maxVideoSample;
        return std::min<uint64_t>(setup_.maxVideoSample,
                                  uint64_t(setup_.largestVideoSample) * 2 + 65536);
    }

    bool chainFollows(const SliceStart& s) const {
        if (s.idr) return true;
        return haveReference_ && s.frameNum == (lastReferenceFrameNum_ + 1) % maxFrameNum_;
    }

    // A NAL unit that could open an access unit starts at `at` (it may run past the end).
    bool videoStartsAt(size_t at) const {
        if (at + lengthSize_ + 1 > n_) return false;
        const uint64_t length = lengthAt(at);
        if (length < 2 || length > setup_.maxVideoSample) return false;
        const uint8_t* nal = d_ + at + lengthSize_;
        if (!plausibleNalHeader(nal[0])) return false;
        const int type = nal[0] & 0x1f;
        if (type == kNalSlice || type == kNalIdr) {
            const size_t avail = std::min<uint64_t>(length, n_ - at - lengthSize_);
            auto slice = parseSliceStart(nal, std::min<size_t>(avail, 64), config_);
            return slice && slice->firstMb == 0;
        }
        return type == kNalSei || type == kNalSps || type == kNalPps || type == kNalAud;
    }

    // Parses the access unit at p. `cut` is set when it is plausibly a video sample that the
    // end of the data split.
    bool parseAccessUnit(size_t p, size_t& size, SliceStart& first, bool& cut) const {
        size_t q = p;
        bool haveSlice = false;
        uint32_t lastFirstMb = 0;
        while (q < n_) {
            if (q + lengthSize_ + 1 > n_) {
                cut = !haveSlice;
                break;
            }
            const uint64_t length = lengthAt(q);
            if (length < 1 || length > setup_.maxVideoSample) break;
            const uint8_t* nal = d_ + q + lengthSize_;
            if (!plausibleNalHeader(nal[0])) break;
            const int type = nal[0] & 0x1f;
            const size_t avail = size_t(std::min<uint64_t>(length, n_ - q - lengthSize_));
            const bool whole = avail == length;
            if (type == kNalSlice || type == kNalIdr) {
                auto slice = parseSliceStart(nal, std::min<size_t>(avail, 64), config_);
                if (!slice) break;
                if (!haveSlice) {
                    if (slice->firstMb != 0) break;
                    first = *slice;
                    haveSlice = true;
                } else if (slice->firstMb == 0) {
                    break;  // the next picture
                } else if (slice->firstMb <= lastFirstMb || slice->frameNum != first.frameNum ||
                           slice->idr != first.idr || slice->ppsId != first.ppsId) {
                    break;
                }
                lastFirstMb = slice->firstMb;
                if (!whole) {
                    // A picture the end of the data split: believed when it continues the
                    // numbering and is no longer than the reference's pictures allow.
                    cut = chainFollows(first) && length <= cutSampleLimit();
                    return false;
                }
            } else if (type == kNalSei || type == kNalSps || type == kNalPps || type == kNalAud) {
                if (haveSlice) break;  // opens the next access unit
                if (!whole) return false;
            } else {  // end of sequence or stream, filler: only after the picture
                if (!haveSlice || !whole) break;
            }
            q += lengthSize_ + size_t(length);
        }
        if (!haveSlice) return false;
        size = q - p;
        return true;
    }

    bool tryVideo(size_t p, ScannedSample& sample, bool& cut) {
        size_t size = 0;
        SliceStart first;
        if (!parseAccessUnit(p, size, first, cut)) return false;
        // Believed when it continues the picture numbering, or when something known follows.
        if (!chainFollows(first) && !knownFollows(p + size)) return false;
        sample.offset = p;
        sample.size = uint32_t(size);
        sample.video = true;
        sample.key = first.idr;
        sample.refIdc = first.refIdc;
        sample.frameNum = first.frameNum;
        sample.pocLsb = first.pocLsb;
        if (first.refIdc != 0) {
            haveReference_ = true;
            lastReferenceFrameNum_ = first.frameNum;
        }
        return true;
    }

    bool zerosAt(size_t at, size_t count) const {
        if (at + count > n_) return false;
        for (size_t i = 0; i < count; ++i)
            if (d_[at + i]) return false;
        return true;
    }

    bool knownFollows(size_t at) {
        if (at == n_) return true;
        if (videoStartsAt(at) || zerosAt(at, 8)) return true;
        if (at + 8 <= n_ && foreignBoxType(d_ + at + 4)) return true;
        if (!setup_.sound) return false;
        const size_t avail = n_ - at;
        return setup_.sound->frameLength(d_ + at, avail, lastSoundSize_) > 0;
    }

    bool trySound(size_t p, ScannedSample& sample) {
        // Deep in unknown bytes only video is looked for: a decoder try at every byte of a long
        // stretch would take minutes, and a video sample ends the stretch.
        if (!setup_.sound || unknownRun_ > kLongUnknownRun) return false;
        const size_t avail = n_ - p;
        // Where the next video sample starts is the likeliest end of this frame (looked for
        // only among samples: inside unknown bytes it would cost a search at every byte).
        size_t guess = 0;
        const size_t limit = unknownRun_ ? 0 : std::min(avail, setup_.sound->maxFrameLength());
        for (size_t length = 1; length <= limit && p + length < n_; ++length) {
            if (videoStartsAt(p + length)) {
                guess = length;
                break;
            }
        }
        const size_t length =
            setup_.sound->frameLength(d_ + p, avail, guess ? guess : lastSoundSize_);
        if (length == 0) return false;
        // Among unknown bytes a frame is believed only when a known sample follows it.
        if (unknownRun_ > 0 && !knownFollows(p + length)) return false;
        lastSoundSize_ = length;
        sample.offset = p;
        sample.size = uint32_t(length);
        sample.video = false;
        sample.key = true;
        return true;
    }

    // Sound frames that end where the video sample found after unknown bytes starts: the
    // search among unknown bytes may have passed over them.
    void recoverSoundBefore(size_t videoStart, ScanReport& report) {
        if (!setup_.sound) return;
        const size_t floor = videoStart - std::min(unknownRun_, videoStart);
        std::vector<ScannedSample> found;
        size_t end = videoStart;
        for (bool more = true; more;) {
            more = false;
            const size_t longest = std::min(end - floor, setup_.sound->maxFrameLength());
            for (size_t length = 2; length <= longest; ++length) {
                if (!setup_.sound->wholeFrame(d_ + end - length, length)) continue;
                ScannedSample frame;
                frame.offset = end - length;
                frame.size = uint32_t(length);
                frame.key = true;
                found.push_back(frame);
                end -= length;
                more = true;
                break;
            }
        }
        for (auto it = found.rbegin(); it != found.rend(); ++it) {
            report.samples.push_back(*it);
            report.skippedBytes -= it->size;
        }
    }

    size_t skipUnknown(size_t p) const {
        if (zerosAt(p, 8)) {
            size_t z = p + 8;
            while (z < n_ && d_[z] == 0) ++z;
            // A length prefix may begin with up to lengthSize - 1 zero bytes.
            return std::max(p + 1, z >= lengthSize_ - 1 ? z - (lengthSize_ - 1) : z);
        }
        if (p + 8 <= n_ && foreignBoxType(d_ + p + 4)) {
            uint64_t size = uint64_t(d_[p]) << 24 | uint64_t(d_[p + 1]) << 16 |
                            uint64_t(d_[p + 2]) << 8 | d_[p + 3];
            const bool mediaBox = std::memcmp(d_ + p + 4, "mdat", 4) == 0;
            if (mediaBox) return std::min(n_, p + (size == 1 ? 16 : 8));  // its payload is media
            if (size >= 8) return size_t(std::min<uint64_t>(n_, p + size));
        }
        return p + 1;
    }

    const uint8_t* d_;
    size_t n_;
    const ScanSetup& setup_;
    const AvcConfig& config_;
    size_t lengthSize_;
    uint32_t maxFrameNum_ = 16;
    bool haveReference_ = false;
    uint32_t lastReferenceFrameNum_ = 0;
    size_t lastSoundSize_ = 0;
    size_t unknownRun_ = 0;  // bytes skipped since the last sample
    static constexpr size_t kLongUnknownRun = 64 * 1024;
};

}  // namespace

ScanReport scanMediaData(const uint8_t* data, size_t size, const ScanSetup& setup,
                         const std::function<void(double)>& progress,
                         const std::atomic<bool>* cancel) {
    if (!data || size == 0 || !setup.video || setup.video->sps.empty()) {
        ScanReport report;
        report.skippedBytes = size;
        return report;
    }
    Scanner scanner(data, size, setup);
    return scanner.run(progress, cancel);
}

}  // namespace moksel::repair
