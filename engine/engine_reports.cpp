#include "engine/engine_reports.h"

#include "engine/playback_state.h"

namespace moksel {

void postToMain(unsigned message, WParam wParam, LParam lParam) {
    if (MessageTarget* target = playbackState.mainWindow.load()) target->post(message, wParam, lParam);
}

LResult sendToMain(unsigned message, WParam wParam, LParam lParam) {
    if (MessageTarget* target = playbackState.mainWindow.load()) {
        return target->send(message, wParam, lParam);
    }
    return 0;
}

void repaintWindow(MessageTarget* window) {
    if (window) window->repaintNow();
}

}  // namespace moksel
