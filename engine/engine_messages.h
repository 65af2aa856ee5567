// Numbers of the reports the engine sends or posts: they are part of the window message table
// that the engine shares with every window.
//
// Thread contract: constants only.
#pragma once

#include "platform/window_messages.h"
