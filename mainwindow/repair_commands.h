// The main window's repair of recordings a crash cut off: what it keeps between repairs.
//
// Thread contract: UI thread only, but `cancel` is read by the repair's worker thread.
#pragma once

#include <QString>
#include <atomic>
#include <map>
#include <string>

namespace moksel {

struct RepairSession {
    std::map<std::string, std::string> repaired;  // cut-off front path -> its repaired front path
    std::atomic<bool> cancel{false};
    bool running = false;
    QString progressText;  // shown by the progress box, which reads it at every paint
};

}  // namespace moksel
