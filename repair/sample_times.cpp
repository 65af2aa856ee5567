#include "sample_times.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace moksel::repair {
namespace {

// Picture order counts of the video samples in decode order (order type 0; other types show
// pictures in decode order). Counts restart at every IDR picture, so each is paired with the
// number of the IDR period it belongs to.
std::vector<std::pair<int64_t, int64_t>> displayKeys(const std::vector<ScannedSample>& samples,
                                                     const ReferenceRecording& reference) {
    const SequenceParameters& sps = reference.avc.sps.front();
    const int64_t maxLsb = int64_t(1) << sps.log2MaxPocLsb;
    std::vector<std::pair<int64_t, int64_t>> keys;
    int64_t period = -1, prevMsb = 0, prevLsb = 0, index = 0;
    for (const ScannedSample& s : samples) {
        if (!s.video) continue;
        if (s.key || period < 0) {
            ++period;
            prevMsb = 0;
            prevLsb = 0;
        }
        int64_t order = index;
        if (sps.pocType == 0) {
            const int64_t lsb = s.pocLsb;
            int64_t msb = prevMsb;
            if (lsb < prevLsb && prevLsb - lsb >= maxLsb / 2)
                msb = prevMsb + maxLsb;
            else if (lsb > prevLsb && lsb - prevLsb > maxLsb / 2)
                msb = prevMsb - maxLsb;
            order = msb + lsb;
            if (s.refIdc != 0) {
                prevMsb = msb;
                prevLsb = lsb;
            }
        }
        keys.emplace_back(period, order);
        ++index;
    }
    return keys;
}

}  // namespace

SampleTimes assignSampleTimes(const std::vector<ScannedSample>& samples,
                              const ReferenceRecording& reference) {
    SampleTimes times;
    times.samples.resize(samples.size());
    const auto keys = displayKeys(samples, reference);
    const size_t videos = keys.size();
    std::vector<size_t> byDisplay(videos);
    std::iota(byDisplay.begin(), byDisplay.end(), size_t(0));
    std::stable_sort(byDisplay.begin(), byDisplay.end(),
                     [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<int64_t> rank(videos);
    for (size_t r = 0; r < videos; ++r) rank[byDisplay[r]] = int64_t(r);

    const StreamTiming& v = reference.videoTiming;
    const double frame = v.frameDuration;
    auto at = [&](int64_t n) { return int64_t(std::llround(double(n) * frame)); };
    int64_t delay = std::max<int64_t>(0, v.firstPts - v.firstDts);
    // Shown no earlier than decoded, whatever the reference's delay was.
    for (size_t i = 0; i < videos; ++i) delay = std::max(delay, at(int64_t(i)) - at(rank[i]));

    const StreamTiming& a = reference.soundTiming;
    size_t video = 0, sound = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        SampleTime& t = times.samples[i];
        if (samples[i].video) {
            const int64_t n = int64_t(video);
            t.dts = v.firstDts + at(n);
            t.pts = v.firstDts + delay + at(rank[video]);
            t.duration = at(n + 1) - at(n);
            ++video;
        } else {
            const int64_t n = int64_t(sound);
            const int64_t start = a.firstPts + int64_t(std::llround(double(n) * a.frameDuration));
            t.pts = t.dts = start;
            t.duration = int64_t(std::llround(double(n + 1) * a.frameDuration)) -
                         int64_t(std::llround(double(n) * a.frameDuration));
            ++sound;
        }
    }
    times.videoDurationS = double(at(int64_t(videos))) * v.timeBaseNum / v.timeBaseDen;
    return times;
}

}  // namespace moksel::repair
