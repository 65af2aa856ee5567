// Folders of recording files for the list tests: plain files of chosen sizes under a temporary
// folder (the list looks only at names, types, dates and sizes), and a stand-in main window
// that logs what the list tells it.
#pragma once

#include <QTemporaryDir>
#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/window_messages.h"
#include "platform/window.h"

namespace moksel::testing {

class RecordingTree {
public:
    RecordingTree() { root_ = dir_.path().toStdString(); }
    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }

    // Writes a file of `size` bytes (sparse: sizes beyond the disk are fine), making folders.
    std::string file(const std::string& relative, std::uint64_t size = 0) const {
        const std::string full = path(relative);
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        { std::ofstream(full, std::ios::binary); }
        std::filesystem::resize_file(full, size);
        return full;
    }
    std::string folder(const std::string& relative) const {
        const std::string full = path(relative);
        std::filesystem::create_directories(full);
        return full;
    }

private:
    QTemporaryDir dir_;
    std::string root_;
};

// A main window stand-in: logs every message, answers UM_IS_MAP_SHOWN with `mapShown`, and
// can react to a message (e.g. press stop when the scan reports a folder).
class FakeMainWindow : public Window<QWidget> {
public:
    struct Message {
        unsigned number;
        WParam w;
        QString folderText;  // the folder string a UM_SCAN_FOLDER pointed at, when handled
    };
    std::vector<Message> log;
    bool mapShown = false;
    std::function<void(unsigned, WParam)> onMessage;

    int count(unsigned number) const {
        int n = 0;
        for (const auto& m : log) n += m.number == number;
        return n;
    }
    std::vector<unsigned> numbers() const {
        std::vector<unsigned> result;
        for (const auto& m : log) result.push_back(m.number);
        return result;
    }

protected:
    LResult handleMessage(unsigned number, WParam w, LParam) override {
        QString text;
        if (number == UM_SCAN_FOLDER && w != 0) text = *reinterpret_cast<const QString*>(w);
        log.push_back({number, w, text});
        if (onMessage) onMessage(number, w);
        return number == UM_IS_MAP_SHOWN ? (mapShown ? 1 : 0) : 0;
    }
};

}  // namespace moksel::testing
