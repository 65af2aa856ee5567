#include "engine/playback_state.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace moksel {

PlaybackState playbackState;

std::atomic<uint8_t*>& currentPicture(int camera) {
    return camera == kFrontCamera ? playbackState.frontPicture : playbackState.rearPicture;
}

std::atomic<uint8_t*>& largePicture(int camera) {
    return camera == kFrontCamera ? playbackState.frontLargePicture
                                  : playbackState.rearLargePicture;
}

std::atomic<int>& sizeIndexOf(int camera) {
    return camera == kFrontCamera ? playbackState.frontSizeIndex : playbackState.rearSizeIndex;
}

namespace {

struct TelemetryStorage {
    std::mutex mutex;
    std::vector<std::unique_ptr<TelemetryRecord[]>> blocks;  // the last one is in use
    size_t capacity = 0;
    size_t used = 0;  // records zeroed by the last reserve or clear
};

TelemetryStorage& telemetryStorage() {
    static TelemetryStorage storage;
    return storage;
}

}  // namespace

TelemetryRecord* reserveTelemetry(int count) {
    TelemetryStorage& s = telemetryStorage();
    std::lock_guard<std::mutex> lock(s.mutex);
    const size_t wanted = size_t(std::max(count, 1));
    if (wanted > s.capacity) {
        const size_t capacity = std::max({wanted, s.capacity * 2, size_t(4000)});
        s.blocks.push_back(std::make_unique<TelemetryRecord[]>(capacity));
        s.capacity = capacity;
    } else {
        std::fill_n(s.blocks.back().get(), std::max(wanted, s.used), TelemetryRecord{});
    }
    s.used = wanted;
    TelemetryRecord* records = s.blocks.back().get();
    playbackState.telemetry.store(records);
    return records;
}

void clearTelemetry() {
    playbackState.telemetryCount.store(0);
    TelemetryStorage& s = telemetryStorage();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.blocks.empty()) std::fill_n(s.blocks.back().get(), s.used, TelemetryRecord{});
}

}  // namespace moksel
