#include "engine/colour_adjustment.h"

#include <mutex>

#include "engine/engine_context.h"
#include "engine/picture_lock.h"
#include "engine/playback_state.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace moksel {

void applyColourMapping(SwsContext* converter) {
    if (!converter) return;
    int* inverseTable = nullptr;
    int* table = nullptr;
    int sourceRange = 0, destinationRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(converter, &inverseTable, &sourceRange, &table,
                                 &destinationRange, &brightness, &contrast, &saturation) < 0) {
        return;  // not a YUV source: no colour details to set
    }
    brightness = (playbackState.brightness.load() - 50) * 655;
    contrast = playbackState.contrast.load() * 655 + 32786;
    sws_setColorspaceDetails(converter, inverseTable, sourceRange, table, destinationRange,
                             brightness, contrast, saturation);
}

void applyColourAdjustment() {
    EngineContext* context = engineContext.load();
    if (!context) return;
    for (int camera = 0; camera < 2; ++camera) {
        std::lock_guard<std::mutex> lock(pictureLock(camera));
        for (SwsContext* converter : context->cameras[camera].converters) {
            applyColourMapping(converter);
        }
    }
}

}  // namespace moksel
