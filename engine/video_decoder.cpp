#include "engine/video_decoder.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>

#include "engine/clock_sound.h"
#include "engine/engine_commands.h"
#include "engine/engine_context.h"
#include "engine/engine_messages.h"
#include "engine/engine_reports.h"
#include "engine/picture_converter.h"
#include "engine/picture_decoding.h"
#include "engine/picture_lock.h"
#include "engine/playback_state.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace moksel {

namespace {

PlaybackState& ps = playbackState;

MessageTarget* viewWindow(int camera) {
    return camera == kFrontCamera ? ps.frontViewWindow.load() : ps.rearViewWindow.load();
}

std::atomic<double>& frameTime(int camera) {
    return camera == kFrontCamera ? ps.frontFrameTimeMs : ps.rearFrameTimeMs;
}

std::atomic<int>& idleFlag(int camera) {
    return camera == kFrontCamera ? ps.frontIdle : ps.rearIdle;
}

// Converts at the large size for the enlarged window; the flips of the rear come after.
DeliveryNotice deliverLarge(EngineContext& context, int camera, bool repaintAtOnce) {
    DeliveryNotice notice;
    uint8_t* picture = convertPicture(context, camera, kLargeSizeIndex);
    if (!picture) return notice;
    currentPicture(camera).store(picture);
    if (camera == kRearCamera) {
        applyRearFlips(context, picture, pictureSizes[camera][0].width, pictureSizes[camera][0].height);
    }
    if (ps.enlargedVisible.load()) {
        if (repaintAtOnce) {
            notice.repaint = ps.enlargedWindow.load();
        } else {
            notice.enlargedFrame = ps.enlargedWindow.load();
        }
    }
    return notice;
}

// A playing view is repainted without waiting for the paint: the front and rear pictures and
// the panes their frame changes are then drawn and sent to the screen together, and the decoder
// goes on at once. A step's picture is on the screen when the step ends.
DeliveryNotice deliverToView(EngineContext& context, int camera, bool atOnce) {
    DeliveryNotice notice;
    const int sizeIndex = sizeIndexOf(camera).load() == 0 ? 0 : 1;
    uint8_t* picture = convertPicture(context, camera, sizeIndex);
    if (!picture) return notice;
    currentPicture(camera).store(picture);
    if (camera == kRearCamera) {
        applyRearFlips(context, picture, pictureSizes[camera][sizeIndex].width,
                       pictureSizes[camera][sizeIndex].height);
    }
    (atOnce ? notice.repaint : notice.repaintSoon) = viewWindow(camera);
    return notice;
}

// Sleeps for the given real duration, in slices of at most 50 ms, leaving early when playing
// stops or the engine quits (a damaged duration never blocks Stop), at once when the engine
// wakes the decoders after such a change (a hand-over to the next recording does). A frame's
// wait at 30 and 25 frames/s is one sleep: every wake-up costs the decoder its warm caches.
void sleepFor(EngineContext& context, int64_t milliseconds) {
    using namespace std::chrono;
    const auto until = steady_clock::now() + std::chrono::milliseconds(std::max<int64_t>(1, milliseconds));
    const auto leave = [&] { return context.quit.load() || ps.engineState.load() != Playing; };
    std::unique_lock<std::mutex> lock(context.wakeMutex);
    while (steady_clock::now() < until) {
        if (context.wake.wait_until(lock, std::min(until, steady_clock::now() + 50ms), leave)) return;
    }
}

// Pacing: the sleep after a frame until the clock reaches its end.
void paceFrame(EngineContext& context, int camera, int64_t durationMs) {
    const double behind = clockNowMs() - frameTime(camera).load();
    const int64_t sleepMs = static_cast<int64_t>(static_cast<double>(durationMs) - behind);
    sleepFor(context, sleepMs > 0 ? sleepMs : 1);
}

AVRational streamTimeBase(const AVStream* stream) { return stream ? stream->time_base : AVRational{0, 1}; }

// Parks the decoder unless playing. The idle flag is cleared before the state is read again,
// so Stop, which sets the state before it reads the flag, never misses a decoder that is just
// starting a frame.
bool mayPlay(int camera, bool frontOnlyToo) {
    const bool rearCannotPlay = camera == kRearCamera && ps.openState.load() != FrontAndRear;
    return ps.engineState.load() == Playing && !(frontOnlyToo && rearCannotPlay);
}

// A parked decoder sleeps until Play or quit wakes it (wakeDecoders), or 20 ms at most, after
// which it looks again (a rear opened meanwhile needs no quicker answer).
void waitWhileParked(EngineContext& context, int camera, bool frontOnlyToo) {
    std::unique_lock<std::mutex> lock(context.wakeMutex);
    context.wake.wait_for(lock, std::chrono::milliseconds(20), [&] {
        return context.quit.load() || mayPlay(camera, frontOnlyToo);
    });
}

// A parked decoder reports itself idle whatever the state that parked it: Stop waits for both
// flags, and a pause written between Stop's state write and the park would otherwise leave
// Stop waiting for good.
bool parkUnlessPlaying(EngineContext& context, int camera, bool frontOnlyToo) {
    if (!mayPlay(camera, frontOnlyToo)) {
        idleFlag(camera).store(1);
        waitWhileParked(context, camera, frontOnlyToo);
        return true;
    }
    idleFlag(camera).store(0);
    if (ps.engineState.load() != Playing) return true;
    return false;
}

}  // namespace

double nextFrameTimeMs(double frameTimeMs, const StoredPacket& packet, AVRational timeBase) {
    const AVPacket* p = packet.packet;
    if (timeBase.num > 0 && timeBase.den > 0 && p && p->pts != AV_NOPTS_VALUE && p->duration > 0) {
        const double endMs = static_cast<double>(p->pts + p->duration) * av_q2d(timeBase) * 1000.0;
        if (std::fabs(endMs - static_cast<double>(packet.timeMs + packet.durationMs)) <= 2.0) return endMs;
    }
    return frameTimeMs + static_cast<double>(packet.durationMs);
}

DeliveryNotice deliverPicture(EngineContext& context, int camera) {
    if (!ps.enlargedOn.load()) return deliverToView(context, camera, false);
    const int shown = ps.enlargedShowsRear.load() ? kRearCamera : kFrontCamera;
    if (shown != camera) return {};
    return deliverLarge(context, camera, false);
}

DeliveryNotice deliverStepPicture(EngineContext& context, int camera) {
    if (!ps.enlargedOn.load()) return deliverToView(context, camera, true);
    return deliverLarge(context, camera, true);
}

void notifyDelivery(const DeliveryNotice& notice) {
    repaintWindow(notice.repaint);
    if (notice.repaintSoon) notice.repaintSoon->repaintSoon();
    if (notice.enlargedFrame) notice.enlargedFrame->post(UM_ENLARGED_FRAME, 0, 0);
}

void reportTelemetry(const StoredPacket& packet, bool sendSpeed) {
    const int count = std::max(ps.telemetryCount.load(), 0);
    const TelemetryRecord* records = ps.telemetry.load();
    const int i = telemetryIndexForPacketTime(records, count, packet.timeMs);
    if (i < 0) return;
    const TelemetryRecord& record = records[i];
    ps.lastLongitude.store(record.longitude);
    ps.lastLatitude.store(record.latitude);
    if (sendSpeed) {
        sendToMain(UM_SPEED, record.speedKmh, 0);
    } else {
        postToMain(UM_SPEED, record.speedKmh, 0);
    }
    postToMain(UM_HEADING, reinterpret_cast<WParam>(&record.heading), 0);
    postToMain(UM_INFO_CHANGED);
    if (packet.isKey()) {
        postToMain(UM_MAP_POSITION, reinterpret_cast<WParam>(&record.latitude),
                   reinterpret_cast<LParam>(&record.longitude));
    }
}

void reportFrontFrame(const StoredPacket& packet, int64_t durationMs, bool positionReport,
                      bool sendSpeed) {
    if (positionReport) {
        postToMain(UM_POSITION, static_cast<uint32_t>(packet.timeMs / 100), 0);
    }
    postToMain(UM_TELEMETRY_TIME, static_cast<uint32_t>(packet.timeMs), 0);
    reportTelemetry(packet, sendSpeed);
    const double shownMs = ps.frontFrameTimeMs.load();
    postToMain(UM_TIME, static_cast<WParam>(static_cast<int64_t>(std::trunc(shownMs / 1000.0))),
               static_cast<LParam>(durationMs / 1000));
}

namespace {

// Exact start of a packet's picture in ms (its presentation time in stream units, keeping the
// fraction of a millisecond), or its ms time when it has none.
double pictureStartMs(const StoredPacket& packet, AVRational timeBase) {
    const AVPacket* p = packet.packet;
    if (timeBase.num > 0 && timeBase.den > 0 && p && p->pts != AV_NOPTS_VALUE) {
        const double startMs = static_cast<double>(p->pts) * av_q2d(timeBase) * 1000.0;
        if (std::fabs(startMs - static_cast<double>(packet.timeMs)) <= 2.0) return startMs;
    }
    return static_cast<double>(packet.timeMs);
}

// A camera that has fallen behind the clock (a picture too large to decode in real time, a busy
// machine, a high speed) skips to the picture the clock has reached: the pictures between are
// decoded (a key picture between them restarts the decoder there instead) but neither
// converted nor shown, so both cameras and the sound stay together. Returns the picture to
// show next (seq when the camera keeps up).
int catchUp(const CameraPictures& cam, int seq, int camera) {
    const StoredPacket* packet = cam.index.at(seq);
    if (!packet) return seq;
    const double lateMs = clockNowMs() - frameTime(camera).load();
    const double allowedMs = std::max<double>(2.0 * static_cast<double>(packet->durationMs), 70.0);
    if (lateMs <= allowedMs) return seq;
    const int reached = cam.index.numberShownAt(static_cast<int64_t>(static_cast<double>(packet->timeMs) + lateMs));
    return std::max(seq, std::min(reached, cam.index.count()));
}

// The next picture a playing camera shows: the one after the last, or the one the clock has
// reached when the camera fell behind (its frame time then moves to that picture's start).
// Advances the camera's next packet number past it. Camera lock held.
int nextPlayingPicture(const CameraPictures& cam, int camera, const AVStream* stream) {
    std::atomic<int>& next = camera == kFrontCamera ? ps.frontNextSeq : ps.rearNextSeq;
    int seq = next.load();
    const int reached = catchUp(cam, seq, camera);
    if (reached != seq) {
        seq = reached;
        frameTime(camera).store(pictureStartMs(*cam.index.at(seq), streamTimeBase(stream)));
    }
    next.store(seq + 1);
    return seq;
}

}  // namespace

namespace {

// After a front picture (or Play on the last one): at the end of the recording, or past the
// repeat's end point, the engine hands over to the next recording of the drive when it is
// ready, else stops and tells the window that play ended.
void endPlayIfDone(EngineContext& context, bool atEnd, int64_t durationMs) {
    const bool pastRepeatEnd =
        ps.repeatEndOn.load() &&
        ps.frontFrameTimeMs.load() > static_cast<double>(durationMs) * ps.repeatEndFraction.load();
    if (atEnd && !pastRepeatEnd && context.handoverReady.load()) {
        // The next recording of the drive is ready: the engine swaps it in and playing
        // goes on with its first picture (this decoder parks meanwhile).
        pushEngineCommand(CmdHandover);
        while (!context.quit.load() && ps.engineState.load() == Playing && context.handoverReady.load()) {
            SDL_Delay(1);
        }
    } else if (atEnd || pastRepeatEnd) {
        pushEngineCommand(CmdStop);
        SDL_Delay(100);
        postToMain(UM_PLAY_END);
        // One end per play: nothing more is decoded until the queued Stop (or a pause)
        // takes effect.
        while (!context.quit.load() && ps.engineState.load() == Playing) SDL_Delay(1);
    }
}

}  // namespace

int frontDecoderThread(void* arg) {
    EngineContext& context = *static_cast<EngineContext*>(arg);
    CameraPictures& cam = context.cameras[kFrontCamera];
    while (!context.quit.load()) {
        if (parkUnlessPlaying(context, kFrontCamera, false)) continue;

        StoredPacket packet;
        int64_t durationMs = 0;
        DeliveryNotice notice;
        bool shown = false;
        {
            std::unique_lock<std::mutex> lock(pictureLock(kFrontCamera));
            int seq;
            if (ps.frontSeekPending.load() && cam.index.count() > 0) {
                const int k = cam.index.seekTarget(ps.seekTargetMs.load());
                seq = k;
                ps.frontNextSeq.store(k + 1);
                const double t = static_cast<double>(cam.index.at(k)->timeMs);
                ps.clockMs.store(t);
                ps.frontFrameTimeMs.store(t);
                ps.seekTargetMs.store(static_cast<int>(cam.index.at(k)->timeMs));
                ps.frontSeekPending.store(0);
            } else {
                if (ps.frontNextSeq.load() > cam.index.count()) {
                    // Play given on the last picture (paused there, or stepped to the end):
                    // nothing is left to show, so play ends at once and goes on as at the end.
                    const int64_t lengthMs = cam.durationMs;
                    lock.unlock();
                    endPlayIfDone(context, true, lengthMs);
                    continue;
                }
                seq = nextPlayingPicture(cam, kFrontCamera, context.frontStream);
            }
            packet = *cam.index.at(seq);
            durationMs = cam.durationMs;
            decodePicture(cam, seq);
            if (ps.engineState.load() != Stopped) {
                notice = deliverPicture(context, kFrontCamera);
                shown = true;
            }
        }
        if (shown) {
            notifyDelivery(notice);
            reportFrontFrame(packet, durationMs, ps.positionDragging.load() == 0, false);
        }
        double startMs = ps.frontFrameTimeMs.load();
        paceFrame(context, kFrontCamera, packet.durationMs);
        // A pause wakes the pacing early, and a seek or step may set the frame time before
        // this line runs: theirs stands (a stale time here would look like a camera far behind
        // the clock at the next play).
        ps.frontFrameTimeMs.compare_exchange_strong(
            startMs, nextFrameTimeMs(startMs, packet, streamTimeBase(context.frontStream)));

        int count;
        {
            std::lock_guard<std::mutex> lock(pictureLock(kFrontCamera));
            count = cam.index.count();
        }
        endPlayIfDone(context, ps.frontNextSeq.load() > count, durationMs);
    }
    return 0;
}

namespace {

// A pause parks the two decoders one after the other, so the rear may have shown the picture
// after the front's last one, or not yet the one that goes with it. Once the front has parked,
// the rear shows the picture of the front's moment: a paused pair is always the same moment.
void alignRearWithFront(EngineContext& context) {
    for (int waited = 0; !ps.frontIdle.load(); ++waited) {
        if (waited >= 200 || context.quit.load() || ps.engineState.load() == Playing) return;
        SDL_Delay(1);
    }
    DeliveryNotice notice;
    {
        std::scoped_lock locks(pictureLock(kFrontCamera), pictureLock(kRearCamera));
        if (ps.engineState.load() != Paused || ps.uiState.load() != Paused) return;
        const CameraPictures& front = context.cameras[kFrontCamera];
        CameraPictures& rear = context.cameras[kRearCamera];
        const StoredPacket* shown = front.index.at(front.decodedNumber);
        if (!shown || !rear.decoder) return;
        const int k = rear.index.numberShownAt(shown->timeMs);
        if (k == 0 || k == rear.decodedNumber || !decodePicture(rear, k)) return;
        const StoredPacket& picture = *rear.index.at(k);
        ps.rearNextSeq.store(k + 1);
        ps.rearFrameTimeMs.store(static_cast<double>(picture.timeMs + picture.durationMs));
        notice = deliverStepPicture(context, kRearCamera);
    }
    notifyDelivery(notice);
}

}  // namespace

int rearDecoderThread(void* arg) {
    EngineContext& context = *static_cast<EngineContext*>(arg);
    CameraPictures& cam = context.cameras[kRearCamera];
    bool shownSincePause = false;
    while (!context.quit.load()) {
        // The user's pause (a hand-over's own pause leaves the window playing).
        if (shownSincePause && ps.engineState.load() == Paused && ps.uiState.load() == Paused) {
            shownSincePause = false;
            alignRearWithFront(context);
        }
        if (parkUnlessPlaying(context, kRearCamera, true)) continue;
        if (ps.frontSeekPending.load()) {
            SDL_Delay(1);
            continue;
        }
        StoredPacket packet;
        DeliveryNotice notice;
        {
            std::unique_lock<std::mutex> lock(pictureLock(kRearCamera));
            int seq;
            // A seek comes before the end check: a rear that has played to its end still
            // follows a seek back.
            if (ps.rearSeekPending.load() && cam.index.count() > 0) {
                // The rear lands on the picture shown at the time the front chose (never on a
                // key picture of its own further on).
                seq = cam.index.numberShownAt(ps.seekTargetMs.load());
                ps.rearNextSeq.store(seq + 1);
                ps.rearSeekPending.store(0);
                ps.rearFrameTimeMs.store(static_cast<double>(cam.index.at(seq)->timeMs));
            } else {
                if (ps.rearNextSeq.load() > cam.index.count()) {
                    lock.unlock();
                    SDL_Delay(1);
                    continue;
                }
                seq = nextPlayingPicture(cam, kRearCamera, context.rearStream);
            }
            packet = *cam.index.at(seq);
            const bool produced = decodePicture(cam, seq);
            if (produced && ps.engineState.load() != Stopped) {
                notice = deliverPicture(context, kRearCamera);
                shownSincePause = true;
            }
        }
        notifyDelivery(notice);
        double startMs = ps.rearFrameTimeMs.load();
        if (ps.rearSeekPending.load()) {
            SDL_Delay(1);
        } else {
            paceFrame(context, kRearCamera, packet.durationMs);
        }
        ps.rearFrameTimeMs.compare_exchange_strong(
            startMs, nextFrameTimeMs(startMs, packet, streamTimeBase(context.rearStream)));
    }
    return 0;
}

}  // namespace moksel
