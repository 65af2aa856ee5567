#include "engine/playback_state.h"

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

}  // namespace moksel
