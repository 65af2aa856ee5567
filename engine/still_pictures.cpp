#include "engine/still_pictures.h"

#include <algorithm>
#include <cstdint>
#include <mutex>

#include "engine/engine_context.h"
#include "engine/engine_reports.h"
#include "engine/picture_converter.h"
#include "engine/picture_decoding.h"
#include "engine/picture_lock.h"
#include "engine/playback_state.h"
#include "engine/video_decoder.h"

namespace moksel {

namespace {

PlaybackState& ps = playbackState;

bool hasRear() { return ps.openState.load() == FrontAndRear; }

// Converts a camera's last decoded picture at its view's size index (lock held).
void renderAtViewSize(EngineContext& context, int camera) {
    const int sizeIndex = sizeIndexOf(camera).load() == 0 ? 0 : 1;
    uint8_t* picture = convertPicture(context, camera, sizeIndex);
    if (!picture) return;
    currentPicture(camera).store(picture);
    if (camera == kRearCamera) {
        applyRearFlips(context, picture, pictureSizes[camera][sizeIndex].width,
                       pictureSizes[camera][sizeIndex].height);
    }
}

void rerenderIfPaused(EngineContext& context, bool front, bool rear) {
    if (ps.engineState.load() != Paused) return;
    if (front) {
        {
            std::lock_guard<std::mutex> lock(pictureLock(kFrontCamera));
            renderAtViewSize(context, kFrontCamera);
        }
        repaintWindow(ps.frontViewWindow.load());
    }
    if (rear && hasRear()) {
        {
            std::lock_guard<std::mutex> lock(pictureLock(kRearCamera));
            renderAtViewSize(context, kRearCamera);
        }
        repaintWindow(ps.rearViewWindow.load());
    }
}

void stepIndex(std::atomic<int>& sizeIndex, int wheelDelta) {
    const int16_t delta = static_cast<int16_t>(static_cast<uint32_t>(wheelDelta) & 0xFFFFu);
    if (delta > 0 && sizeIndex.load() < 1) sizeIndex.fetch_add(1);
    if (delta < 0 && sizeIndex.load() > 0) sizeIndex.fetch_sub(1);
}

void renderLarge(EngineContext& context, int camera, int adopt) {
    std::lock_guard<std::mutex> lock(pictureLock(camera));
    uint8_t* picture = convertPicture(context, camera, kLargeSizeIndex);
    if (!picture) return;
    largePicture(camera).store(picture);
    if (adopt == 1) currentPicture(camera).store(picture);
    if (camera == kRearCamera) {
        applyRearFlips(context, picture, pictureSizes[camera][0].width, pictureSizes[camera][0].height);
    }
}

int64_t frontDurationMs(EngineContext& context) {
    std::lock_guard<std::mutex> lock(pictureLock(kFrontCamera));
    return context.cameras[kFrontCamera].durationMs;
}

// Shows the front picture numbered `number` and the rear picture of the same moment while not
// playing, reports the front one as the decoders do, and leaves the play positions so that
// playing continues after them and the sound re-finds that time.
void showStillPair(EngineContext& context, int number) {
    StoredPacket packet;
    int64_t durationMs = 0;
    {
        std::lock_guard<std::mutex> lock(pictureLock(kFrontCamera));
        CameraPictures& cam = context.cameras[kFrontCamera];
        if (!cam.index.at(number)) return;
        ps.frontNextSeq.store(number + 1);
        packet = *cam.index.at(number);
        durationMs = cam.durationMs;
        decodePicture(cam, number);
        renderAtViewSize(context, kFrontCamera);
    }
    repaintWindow(ps.frontViewWindow.load());
    // The times first: the report shows the picture's own time, not the one before the seek.
    const int64_t resumeMs = packet.timeMs + packet.durationMs;
    ps.seekTargetMs.store(static_cast<int>(resumeMs));
    ps.clockMs.store(static_cast<double>(resumeMs));
    ps.frontFrameTimeMs.store(static_cast<double>(resumeMs));
    ps.audioSeekPending.store(1);
    reportFrontFrame(packet, durationMs, true, false);

    if (!hasRear()) return;
    bool produced = false;
    {
        std::lock_guard<std::mutex> lock(pictureLock(kRearCamera));
        CameraPictures& cam = context.cameras[kRearCamera];
        // The rear shows the picture at the front's time, so the two are the same moment (a
        // shorter rear video shows its end).
        const int k = cam.index.numberShownAt(packet.timeMs);
        if (k == 0) return;
        ps.rearNextSeq.store(k + 1);
        const StoredPacket& rear = *cam.index.at(k);
        ps.rearFrameTimeMs.store(static_cast<double>(rear.timeMs + rear.durationMs));
        produced = decodePicture(cam, k);
        if (produced) renderAtViewSize(context, kRearCamera);
    }
    if (produced) repaintWindow(ps.rearViewWindow.load());
}

// Whether the front index holds a key picture that a still picture can be decoded from.
bool frontHasKeyPicture(const PacketIndex& index) { return index.firstKeyAtOrAfter(0) != 0; }

}  // namespace

void seekStill(int positionTenths) {
    EngineContext* context = engineContext.load();
    if (!context) return;
    int number = 0;
    {
        std::lock_guard<std::mutex> lock(pictureLock(kFrontCamera));
        const PacketIndex& index = context->cameras[kFrontCamera].index;
        if (frontHasKeyPicture(index)) number = index.seekTarget(static_cast<int64_t>(positionTenths) * 100);
    }
    if (number > 0) showStillPair(*context, number);
}

void showLastFrame() {
    EngineContext* context = engineContext.load();
    if (!context) return;
    // The index numbers pictures in the order they are shown: the last number is the last
    // frame. Playing on from there ends the recording, as playing past its last frame does.
    int number = 0;
    {
        std::lock_guard<std::mutex> lock(pictureLock(kFrontCamera));
        const PacketIndex& index = context->cameras[kFrontCamera].index;
        if (frontHasKeyPicture(index)) number = index.count();
    }
    if (number > 0) showStillPair(*context, number);
}

void changeFrontZoom(int wheelDelta) {
    stepIndex(ps.frontSizeIndex, wheelDelta);
    if (EngineContext* context = engineContext.load()) rerenderIfPaused(*context, true, true);
}

void changeRearZoom(int wheelDelta) {
    stepIndex(ps.rearSizeIndex, wheelDelta);
    if (EngineContext* context = engineContext.load()) rerenderIfPaused(*context, false, true);
}

void renderLargeStills(int adopt) {
    EngineContext* context = engineContext.load();
    if (!context || ps.engineState.load() != Paused) return;
    renderLarge(*context, kFrontCamera, adopt);
    if (hasRear()) renderLarge(*context, kRearCamera, adopt);
}

void renderZoomStills() {
    EngineContext* context = engineContext.load();
    if (!context || ps.engineState.load() != Paused) return;
    {
        std::lock_guard<std::mutex> lock(pictureLock(kFrontCamera));
        renderAtViewSize(*context, kFrontCamera);
    }
    if (hasRear()) {
        std::lock_guard<std::mutex> lock(pictureLock(kRearCamera));
        renderAtViewSize(*context, kRearCamera);
    }
}

namespace {

struct CameraStep {
    int moved = 0;         // pictures moved (0: none)
    double lengthMs = 0;   // the length of the pictures passed
    StoredPacket landed;   // the picture now shown
};

// Moves a camera's still picture `delta` pictures on (negative: back) from the one on screen,
// never before the first picture nor past the last (the one before it for `stopBeforeLast`:
// the front's last packet is reached only by playing). Decodes and delivers only the picture it
// lands on.
CameraStep stepCamera(EngineContext& context, int camera, int delta, bool stopBeforeLast) {
    CameraStep step;
    DeliveryNotice notice;
    {
        std::lock_guard<std::mutex> lock(pictureLock(camera));
        CameraPictures& cam = context.cameras[camera];
        std::atomic<int>& nextSeq = camera == kFrontCamera ? ps.frontNextSeq : ps.rearNextSeq;
        // The picture on screen is numbered one below the next to play.
        const int onScreen = std::min(nextSeq.load() - 1, cam.index.count());
        const int last = cam.index.count() - (stopBeforeLast ? 1 : 0);
        const int target = std::clamp(onScreen + delta, 1, std::max(last, 1));
        if (delta > 0 ? target <= onScreen : target >= onScreen) return step;
        for (int seq = std::min(onScreen, target) + 1; seq <= std::max(onScreen, target); ++seq) {
            step.lengthMs += static_cast<double>(cam.index.at(seq)->durationMs);
        }
        step.moved = delta > 0 ? target - onScreen : onScreen - target;
        nextSeq.store(target + 1);
        // Back, this decodes from the key picture before it, unless that one is on screen.
        decodePicture(cam, target);
        step.landed = *cam.index.at(target);
        notice = deliverStepPicture(context, camera);
    }
    notifyDelivery(notice);
    return step;
}

// The front's new picture as the decoders report theirs, with the play positions after it.
void reportStep(EngineContext& context, const StoredPacket& packet, double shownEndMs, bool sendSpeed) {
    ps.frontFrameTimeMs.store(shownEndMs);
    ps.clockMs.store(shownEndMs);
    ps.seekTargetMs.store(static_cast<int>((packet.timeMs / 100) * 100));
    ps.audioSeekPending.store(1);
    reportFrontFrame(packet, frontDurationMs(context), true, sendSpeed);
}

}  // namespace

void stepForward(EngineContext& context, int count) {
    const CameraStep front = stepCamera(context, kFrontCamera, std::max(count, 1), true);
    if (front.moved == 0) return;
    reportStep(context, front.landed, ps.frontFrameTimeMs.load() + front.lengthMs, false);
    if (!hasRear()) return;
    const CameraStep rear = stepCamera(context, kRearCamera, front.moved, false);
    ps.rearFrameTimeMs.fetch_add(rear.lengthMs);
}

void stepBack(EngineContext& context, int count) {
    const CameraStep front = stepCamera(context, kFrontCamera, -std::max(count, 1), false);
    if (front.moved == 0) return;
    // The shown picture's end moves back by the length of the pictures left.
    reportStep(context, front.landed, ps.frontFrameTimeMs.load() - front.lengthMs, true);
    if (!hasRear()) return;
    const CameraStep rear = stepCamera(context, kRearCamera, -front.moved, false);
    ps.rearFrameTimeMs.fetch_add(-rear.lengthMs);
}

}  // namespace moksel
