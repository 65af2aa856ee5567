// The drive on the map: the main window gives the map pane the drive of the recording it opens
// (from the recording list), hands the recordings' durations the pane found back to the list,
// and plays and seeks where the user clicks the route, with the same messages the list and the
// position bar use.
#include "library/ostrel_file_list.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/messages.h"
#ifdef MOKSEL_HAVE_MAP_PANE
#include "displays/map/ostrel_popup_map.h"
#endif

namespace moksel {

void COstrelDlg::wireMapPane(QWidget* mapPane) {
#ifdef MOKSEL_HAVE_MAP_PANE
    auto* map = dynamic_cast<OstrelPopupMap*>(mapPane);
    if (map == nullptr) return;
    map->setRoutePickHandler([this](const std::string& path, std::int64_t ms) { pickOnRoute(path, ms); });
    map->setDurationHandler([this](const std::string& path, std::int64_t ms) {
        if (OstrelFileList* list = fileList()) list->recordings().noteDuration(path, ms);
    });
#else
    (void)mapPane;
#endif
}

void COstrelDlg::showDriveOnMap() {
#ifdef MOKSEL_HAVE_MAP_PANE
    auto* map = dynamic_cast<OstrelPopupMap*>(pane(PaneId::Map));
    if (map == nullptr) return;
    std::vector<std::string> paths;
    int current = -1;
    if (OstrelFileList* list = fileList(); list != nullptr && !currentPath_.empty()) {
        const RecordingList& recordings = list->recordings();
        const int index = recordings.indexOfPath(currentPath_);
        for (int member : recordings.driveMembers(recordings.driveOf(index))) {
            if (member == index) current = static_cast<int>(paths.size());
            paths.push_back(recordings.entry(member).path());
        }
    }
    map->showDrive(std::move(paths), current);
#endif
}

void COstrelDlg::pickOnRoute(const std::string& path, std::int64_t ms) {
    const auto tenths = static_cast<WParam>(ms / 100);
    if (path == currentPath_) {
        routeSeekPath_.clear();
        if (recordingReady_) send(UM_SEEK, tenths, 0);
        return;
    }
    OstrelFileList* list = fileList();
    const int index = list != nullptr ? list->recordings().indexOfPath(path) : -1;
    if (index < 0) return;  // the list changed since the route was drawn
    // Played as a double click on its row plays it; the seek follows when it has opened.
    routeSeekPath_ = path;
    routeSeekTenths_ = static_cast<int>(tenths);
    list->recordings().play(index);
}

void COstrelDlg::seekAfterOpenFromRoute() {
    if (routeSeekPath_.empty()) return;
    if (routeSeekPath_ == currentPath_) post(UM_SEEK, static_cast<WParam>(routeSeekTenths_), 0);
    routeSeekPath_.clear();
}

}  // namespace moksel
