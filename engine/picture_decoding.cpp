#include "engine/picture_decoding.h"

#include "engine/engine_context.h"
#include "engine/packet_index.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace moksel {

namespace {

// The number of the picture a decoded frame shows, from its presentation time; when the frame
// has no time (or one the index does not know), the picture after the previous one.
int numberOfFrame(const CameraPictures& cam, const AVFrame* frame, int previous) {
    const int64_t pts = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
    if (pts != AV_NOPTS_VALUE) {
        const int number = cam.index.numberAtTimeMs(streamTimeToMs(pts, cam.decoder->pkt_timebase));
        if (number > 0) return number;
    }
    return previous + 1;
}

void restartAt(CameraPictures& cam, int key) {
    avcodec_flush_buffers(cam.decoder);
    const StoredPacket* keyPacket = cam.index.at(key);
    cam.fedPosition = keyPacket ? keyPacket->decodePosition - 1 : 0;
    cam.drained = false;
    cam.needsFlush = false;
}

}  // namespace

void resetPictureDecoding(CameraPictures& camera) {
    camera.needsFlush = true;
    camera.decodedNumber = 0;
}

bool decodePicture(CameraPictures& cam, int number) {
    if (!cam.decoder || number < 1 || number > cam.index.count()) return false;
    if (cam.decodedNumber == number && cam.decoded && cam.decoded->data[0]) return true;
    const int key = cam.index.lastKeyAtOrBefore(number);
    // A drained decoder still holds the last pictures of a stream with reordered pictures:
    // they are taken in order (decoding again from a key picture far back made each of the
    // last pictures late, and the rear's last one never came before the end of play).
    const bool continues = !cam.needsFlush && cam.decodedNumber > 0 && number > cam.decodedNumber &&
                     (key <= cam.decodedNumber || number == cam.decodedNumber + 1);
    if (!continues) restartAt(cam, key);
    int previous = continues ? cam.decodedNumber : key - 1;

    // Each packet gives at most a few pictures; a stream that gives nothing for all of its
    // packets ends the loop through the drain.
    while (true) {
        const int received = avcodec_receive_frame(cam.decoder, cam.scratch);
        if (received == 0) {
            const int shown = numberOfFrame(cam, cam.scratch, previous);
            previous = shown;
            av_frame_unref(cam.decoded);
            av_frame_move_ref(cam.decoded, cam.scratch);
            cam.decodedNumber = shown;
            // Past the picture asked for: it never came out (damaged data); the later one stands.
            if (shown >= number) return shown == number;
            continue;
        }
        if (received == AVERROR(EAGAIN)) {
            if (cam.fedPosition < cam.index.count()) {
                const StoredPacket* packet = cam.index.inDecodeOrder(++cam.fedPosition);
                // A packet the decoder refuses (or that cannot be read) is left out; the pictures after it still come.
                const AVPacket* data = packet ? cam.index.packetData(*packet) : nullptr;
                if (data) {
                    avcodec_send_packet(cam.decoder, data);
                    ++cam.packetsSent;
                }
                continue;
            }
            if (!cam.drained) {
                cam.drained = true;
                avcodec_send_packet(cam.decoder, nullptr);
                continue;
            }
        }
        // The end of the stream (after the drain) or a decoder error: the next picture asked
        // for starts again from its key picture.
        cam.needsFlush = true;
        return false;
    }
}

}  // namespace moksel
