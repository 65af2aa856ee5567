// The private messages between the engine, the main window and its panes. The numbers live in
// platform/window_messages.h, below the main window and every pane; the main window's own files
// include them through this header.
#pragma once

#include "platform/window_messages.h"
