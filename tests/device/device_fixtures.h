// What the dialog tests share: a main window that records the notices and questions it is sent,
// and cards made of temporary folders, offered by a fixed drive list.
#pragma once

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/window_messages.h"
#include "platform/removable_drives.h"
#include "platform/window.h"

namespace moksel {

class FakeMainWindow : public Window<QWidget> {
public:
    struct Received {
        unsigned number;
        WParam code;  // the message code of UM_SHOW_MESSAGE and UM_ASK
        bool operator==(const Received&) const = default;
    };
    std::vector<Received> received;
    int answer = 1;         // to UM_ASK
    QString formattedRoot;  // the text UM_DRIVE_FORMATTED pointed to
    QString detail;         // the text a UM_SHOW_MESSAGE pointed to last

    FakeMainWindow() {
        setWindowFlags(Qt::FramelessWindowHint);
        setGeometry(40, 30, 1024, 768);
    }

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override {
        if (number == UM_SHOW_MESSAGE && l != 0) detail = *reinterpret_cast<const QString*>(l);
        if (number == UM_DRIVE_FORMATTED) {
            formattedRoot = *reinterpret_cast<const QString*>(w);
            received.push_back({number, 0});
            return 0;
        }
        received.push_back({number, w});
        return number == UM_ASK ? answer : 0;
    }
};

inline FakeMainWindow::Received notice(int code) {
    return {UM_SHOW_MESSAGE, static_cast<WParam>(code)};
}

// Cards as folders of one temporary folder, each mounted (in the drive list's eyes) there.
class FakeCards {
public:
    // Adds a card; its root ends with "/".
    std::string add(const std::string& name, const std::string& label, bool removable = true) {
        const std::filesystem::path folder =
            std::filesystem::path(dir_.path().toStdString()) / name;
        std::filesystem::create_directories(folder);
        Volume volume;
        volume.mountPoint = folder.string();
        volume.device = "/dev/fake-" + name;
        volume.label = label;
        volume.fileSystem = "vfat";
        volume.removable = removable;
        volumes_.push_back(volume);
        drives_->setVolumes(volumes_);
        return volumeRoot(volume);
    }

    std::shared_ptr<FixedDriveSystem> drives() const { return drives_; }

    static void write(const std::string& path, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    QTemporaryDir dir_;
    std::vector<Volume> volumes_;
    std::shared_ptr<FixedDriveSystem> drives_ = std::make_shared<FixedDriveSystem>();
};

}  // namespace moksel
