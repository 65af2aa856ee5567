// How the engine reaches windows: reports to the main window and immediate repaints, through
// the message targets in the playback record. A missing target swallows the report.
//
// Thread contract: callable from any engine thread. Never call while holding a picture lock.
#pragma once

#include "platform/message_target.h"

namespace moksel {

void postToMain(unsigned message, WParam wParam = 0, LParam lParam = 0);
LResult sendToMain(unsigned message, WParam wParam = 0, LParam lParam = 0);
void repaintWindow(MessageTarget* window);

}  // namespace moksel
