// The front and rear decoder threads and the procedures they share with the still operations:
// picture delivery, the telemetry report and the per-frame reports.
//
// Thread contract: the decoder threads write their camera's pictures, frame times and next
// packet numbers while engineState is Playing; the still operations write the same fields only
// while it is not. Pixels and decoders are touched only under the camera's picture lock, and
// no window is called while that lock is held.
#pragma once

#include "platform/message_target.h"

extern "C" {
#include <libavutil/rational.h>
}

namespace moksel {

struct EngineContext;
struct StoredPacket;

// What a delivery asks of the windows once the picture lock is released.
struct DeliveryNotice {
    MessageTarget* repaint = nullptr;        // repaint at once (view or enlarged window)
    MessageTarget* repaintSoon = nullptr;    // repaint without waiting (a playing view)
    MessageTarget* enlargedFrame = nullptr;  // post UM_ENLARGED_FRAME to it
};

// Decoder picture delivery (picture lock held): converts the camera's decoded frame for the
// view at its size index, or for the enlarged window at the large size when it shows this
// camera, or not at all when it shows the other camera.
DeliveryNotice deliverPicture(EngineContext& context, int camera);
// Step delivery (picture lock held): with the enlarged window in use the camera is converted at
// the large size whichever camera it shows, and a visible enlarged window is repainted at once.
DeliveryNotice deliverStepPicture(EngineContext& context, int camera);
// Carries out a delivery's notice (picture lock released).
void notifyDelivery(const DeliveryNotice& notice);

// The telemetry report of a shown front packet: speed, heading, information and, on key
// frames, map position. UM_SPEED is sent instead of posted when sendSpeed is set.
void reportTelemetry(const StoredPacket& packet, bool sendSpeed);

// The reports of a shown front frame: UM_POSITION (unless suppressed), UM_TELEMETRY_TIME, the
// telemetry report and UM_TIME.
void reportFrontFrame(const StoredPacket& packet, int64_t durationMs, bool positionReport,
                      bool sendSpeed);

// The time the next picture starts after the one this packet gave: the packet's own time plus
// its duration in the stream's units (timeBase), in ms with the fraction kept. Adding the
// whole-ms durations instead would, in a stream timed in finer units than ms, drop a third of a
// millisecond per frame at 30 frames/s and run the pictures 1% ahead of the sound (6 s at the
// end of 10 minutes). A packet without
// times, or with times that disagree with its ms ones, continues by its whole-ms duration.
double nextFrameTimeMs(double frameTimeMs, const StoredPacket& packet, AVRational timeBase);

// Thread entries (SDL threads started by the engine thread); the argument is the context.
int frontDecoderThread(void* context);
int rearDecoderThread(void* context);

}  // namespace moksel
