// Time stamps for samples recovered without their index: video samples follow one another at
// the reference's frame duration in decode order, and are shown in the order of their picture
// order counts (for streams with reordered pictures); sound frames follow one another at the
// reference's frame duration. Both start where the reference's streams start.
//
// Thread contract: pure functions.
#pragma once

#include <cstdint>
#include <vector>

#include "media_scan.h"
#include "reference_recording.h"

namespace moksel::repair {

struct SampleTime {
    int64_t pts = 0, dts = 0, duration = 0;  // in the sample's stream time base
};

struct SampleTimes {
    std::vector<SampleTime> samples;  // one per scanned sample, same order
    double videoDurationS = 0;
};

SampleTimes assignSampleTimes(const std::vector<ScannedSample>& samples,
                              const ReferenceRecording& reference);

}  // namespace moksel::repair
