// Playing a drive without a stop between its recordings: the main window names the next
// recording of the playing one's drive to the engine, which opens it ahead and plays on into it
// at the end (engine/recording_handover.h). When it has, the window follows: the list selects
// the recording now playing, and the file name, type, sound indicator and map show it.
#include <QFileInfo>
#include <utility>

#include "library/ostrel_file_list.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/messages.h"

namespace moksel {

void COstrelDlg::pushEngine(EngineCommand command, const char* path) {
    if (command == CmdStop || command == CmdClose || command == CmdOpen) preparedPath_.clear();
    engine_->push(command, path);
}

void COstrelDlg::noteLoadedDuration(LParam tenths) {
    // The list groups drives by the recordings' real lengths where it knows them.
    if (OstrelFileList* list = fileList(); list != nullptr && !currentPath_.empty() && tenths > 0) {
        list->recordings().noteDuration(currentPath_, static_cast<std::int64_t>(tenths) * 100);
    }
}

void COstrelDlg::prepareNextInDrive() {
    std::string next;
    OstrelFileList* list = fileList();
    // A repeated stretch plays again at its end; nothing follows it.
    if (list != nullptr && !currentPath_.empty() && !repeat_) {
        const RecordingList& recordings = list->recordings();
        const int index = recordings.nextInDrive(recordings.indexOfPath(currentPath_));
        if (index >= 0) next = recordings.entry(index).path();
    }
    if (next == preparedPath_) return;
    preparedPath_ = next;
    engine_->push(CmdPrepare, next.c_str());
}

LResult COstrelDlg::onHandedOver(WParam, LParam durationTenths) {
    if (preparedPath_.empty()) return 0;
    currentPath_ = std::exchange(preparedPath_, std::string());
    currentName_ = QFileInfo(QString::fromStdString(currentPath_)).fileName();
    if (OstrelFileList* list = fileList()) {
        const int index = list->recordings().indexOfPath(currentPath_);
        // The list's selection follows; the play it asks for is the recording already playing.
        followingHandover_ = true;
        if (index >= 0) list->recordings().play(index);
        followingHandover_ = false;
    }
    showSoundAvailability();
    showCurrentRecording();
    noteLoadedDuration(durationTenths);
    prepareNextInDrive();
    return 0;
}

}  // namespace moksel
