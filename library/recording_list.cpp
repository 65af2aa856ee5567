#include "library/recording_list.h"

#include "repair/file_layout.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <utility>

#include "platform/window_messages.h"

namespace moksel {
namespace fs = std::filesystem;

namespace {

// The scroll bar used when the pane has none: the same range and clamping as the pane's slider.
class BuiltInScrollBar : public ListScrollBar {
public:
    explicit BuiltInScrollBar(RecordingList& list) : list_(list) {}
    void setRange(int minimum, int maximum) override {
        minimum_ = minimum;
        maximum_ = maximum;
    }
    int maximum() const override { return maximum_; }
    void setPosition(int position) override {
        position_ = std::max(std::min(position, maximum_), minimum_);
        list_.scrolledTo(position_);
    }
    int position() const override { return position_; }

private:
    RecordingList& list_;
    int minimum_ = 0;
    int maximum_ = 0;
    int position_ = 0;
};

// Splits a path at its last "/" into folder and name ("" folder for a bare name).
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    if (slash == 0) return {"/", path.substr(1)};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

// A path without the separators it ends in ("/" stays "/").
std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

const QString kLookupFailed = QStringLiteral("파일 안열리네");

// Whether the file starts with an MP4 file type box (the size word, then "ftyp").
bool holdsMp4(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    char header[8] = {};
    const bool read = std::fread(header, 1, sizeof header, file) == sizeof header;
    std::fclose(file);
    return read && std::memcmp(header + 4, "ftyp", 4) == 0;
}

}  // namespace

struct RecordingList::ScanContext {
    std::weak_ptr<int> alive;
    unsigned generation = 0;
    // Folders already scanned (device, inode): a symbolic link back up the tree or two links
    // to one folder are scanned once, so a link loop cannot hang the scan.
    std::set<std::pair<dev_t, ino_t>> visited;
};

RecordingList::RecordingList()
    : ownScrollBar_(std::make_unique<BuiltInScrollBar>(*this)), scrollBar_(ownScrollBar_.get()) {
    drain_ = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
}

RecordingList::~RecordingList() { scanning_ = false; }

void RecordingList::setScrollBar(ListScrollBar* scrollBar) {
    scrollBar_ = scrollBar != nullptr ? scrollBar : ownScrollBar_.get();
}

void RecordingList::ClearList() {
    sortStates_.fill(kUnsorted);
    entries_.clear();
    rearFilesPassed_ = 0;
    scrollBar_->setPosition(0);
    scrollBar_->setRange(0, 0);
    top_ = scrollBar_->position();
    selection_ = -1;
}

void RecordingList::enterFolder(const std::string& folder) {
    currentFolder_ = QString::fromStdString(folder);
    if (mainWindow_ != nullptr) {
        mainWindow_->post(UM_SCAN_FOLDER, reinterpret_cast<WParam>(&currentFolder_), 0);
    }
}

bool RecordingList::ScanFolder(const std::string& path, ScanContext& context) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return true;
    if (!context.visited.insert({info.st_dev, info.st_ino}).second) return true;

    // Read the folder's items first and take them in name order, so a folder lists the same
    // way on every file system. A folder that cannot be read contributes what was read.
    std::vector<fs::directory_entry> items;
    std::error_code error;
    fs::directory_iterator it(path, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) items.push_back(*it);
    std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });

    for (const fs::directory_entry& item : items) {
        if (!scanning_ || generation_ != context.generation) break;
        // Keep the window answering: paints, the stop button, clicks on the growing list.
        drain_();
        if (context.alive.expired()) return false;
        if (!scanning_ || generation_ != context.generation) break;

        const std::string name = item.path().filename().string();
        std::error_code itemError;
        if (item.is_directory(itemError)) {
            const std::string sub = joinPath(path, name);
            enterFolder(sub);
            if (!ScanFolder(sub, context)) return false;
        } else if (passesListFilter(name) && item.is_regular_file(itemError)) {
            std::uint64_t size = item.file_size(itemError);
            if (itemError) size = 0;
            addEntry(path, name, size);
        } else if (isRearCameraName(name)) {
            ++rearFilesPassed_;
        }
    }
    return true;
}

bool RecordingList::runScan(const std::string& root) {
    ScanContext context;
    context.alive = alive_;
    context.generation = generation_;
    scanning_ = true;
    scanStopped_ = false;
    const bool outermost = scanDepth_ == 0;
    ++scanDepth_;
    if (outermost && mainWindow_ != nullptr) mainWindow_->send(UM_SCAN_BEGIN, 0, 0);
    enterFolder(root);
    if (!ScanFolder(root, context)) return false;
    --scanDepth_;
    if (outermost && mainWindow_ != nullptr) mainWindow_->send(UM_SCAN_END, 0, 0);
    return true;
}

void RecordingList::scanTree(const std::string& root) {
    if (root.empty()) return;
    ClearList();
    ++generation_;  // a scan still running below this one stops adding to the new list
    // The emptied rows show at once: the scan serves paints while it runs, and the rows must
    // not keep the old list's selection bar over entries that are gone.
    repaint(true);
    if (!runScan(root)) return;
    updateRange();
    repaint(true);
}

void RecordingList::addEntry(std::string folder, std::string name, std::uint64_t size) {
    entries_.push_back(
        std::make_unique<RecordingEntry>(makeRecordingEntry(std::move(folder), std::move(name), size)));
    // A few small reads of the file's box headers tell a recording a crash cut off.
    const repair::FileState state = repair::quickFileState(entries_.back()->path());
    entries_.back()->cutOff =
        state == repair::FileState::IndexMissing || state == repair::FileState::MediaCut;
}

void RecordingList::addLookedUp(const std::string& path, bool cameraName) {
    auto [folder, name] = splitPath(path);
    std::uint64_t size = 0;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        size = static_cast<std::uint64_t>(info.st_size);
    } else if (notice_) {
        notice_(kLookupFailed);
    }
    if (!cameraName) {
        entries_.push_back(std::make_unique<RecordingEntry>(
            makeForeignEntry(std::move(folder), std::move(name), size)));
        return;
    }
    addEntry(std::move(folder), std::move(name), size);
}

void RecordingList::openFiles(const std::vector<std::string>& paths) {
    ClearList();
    ++generation_;
    for (const std::string& path : paths) addLookedUp(path);
    updateRange();
    repaint(true);
}

void RecordingList::drop(const std::vector<std::string>& paths) {
    std::weak_ptr<int> alive = alive_;
    for (const std::string& dropped : paths) {
        if (dropped.empty()) continue;
        const std::string path = withoutTrailingSlashes(dropped);
        std::error_code error;
        if (fs::is_directory(path, error)) {
            // A folder is scanned; it is never listed itself, whatever its name.
            if (!runScan(path)) return;
            continue;
        }
        const std::string name = splitPath(path).second;
        if (passesListFilter(name)) {
            addLookedUp(path);
        } else if (isRearCameraName(name)) {
            ++rearFilesPassed_;
        } else if (holdsMp4(path)) {
            addLookedUp(path, false);
        }
    }
    if (alive.expired()) return;
    updateRange();
    repaint(false);
}

void RecordingList::SortList(SortColumn column, int direction) {
    if (count() < 2) return;
    const RecordingEntry* selected =
        selection_ >= 0 && selection_ < count() ? entries_[selection_].get() : nullptr;

    auto key = [column](const RecordingEntry& e) -> std::uint64_t {
        switch (column) {
            case SortColumn::Type:
                return static_cast<std::uint64_t>(e.typeKey);
            case SortColumn::Date:
                return e.dateKey;
            case SortColumn::Name:
                return e.typeDateKey;
        }
        return 0;
    };
    if (direction == kDescending) {
        std::stable_sort(entries_.begin(), entries_.end(),
                         [&](const auto& a, const auto& b) { return key(*a) > key(*b); });
    } else {
        std::stable_sort(entries_.begin(), entries_.end(),
                         [&](const auto& a, const auto& b) { return key(*a) < key(*b); });
    }

    // The selection follows the entry the user selected, not its old place.
    if (selected != nullptr) {
        for (int i = 0; i < count(); ++i) {
            if (entries_[i].get() == selected) selection_ = i;
        }
    }
    repaint(false);
}

void RecordingList::toggleSort(SortColumn column) {
    int& state = sortStates_[static_cast<int>(column)];
    const int direction = state == kAscending ? kDescending : kAscending;
    sortStates_.fill(kUnsorted);
    state = direction;
    SortList(column, direction);
}

void RecordingList::SelectNext() {
    if (selection_ < 0 || count() == 0) return;
    if (selection_ + 1 < count()) {
        ++selection_;
        const int position = scrollBar_->position();
        if (selection_ < position || selection_ >= position + kVisibleRows) {
            scrollBar_->setPosition(std::max(selection_ - (kVisibleRows - 1), 0));
        }
    } else {
        selection_ = 0;
        scrollBar_->setPosition(0);
    }
    repaint(true);
    rebuildSelectedPath();
    if (mainWindow_ != nullptr) mainWindow_->send(UM_CMD_PLAY, 0, 0);
}

void RecordingList::SelectPrevious() {
    if (selection_ < 0 || count() == 0) return;
    if (selection_ == 0 || selection_ >= count()) {
        selection_ = count() - 1;
        scrollBar_->setPosition(count() - kVisibleRows);
    } else {
        --selection_;
        const int position = scrollBar_->position();
        const int maximum = scrollBar_->maximum();
        if (selection_ < position || selection_ >= position + kVisibleRows) {
            scrollBar_->setPosition(std::min(maximum, selection_));
        }
    }
    repaint(true);
    rebuildSelectedPath();
    if (mainWindow_ != nullptr) mainWindow_->send(UM_CMD_PLAY, 0, 0);
}

void RecordingList::RemoveDrive(const std::string& mountPoint) {
    if (mountPoint.empty()) return;
    const std::string root = withoutTrailingSlashes(fs::path(mountPoint).lexically_normal().string());
    auto onDrive = [&root](const RecordingEntry& e) {
        const std::string folder = withoutTrailingSlashes(fs::path(e.folder).lexically_normal().string());
        if (root == "/") return folder.starts_with('/');
        return folder == root || folder.starts_with(root + '/');
    };
    const RecordingEntry* selected =
        selection_ >= 0 && selection_ < count() ? entries_[selection_].get() : nullptr;
    std::erase_if(entries_, [&](const auto& e) { return onDrive(*e); });

    // Keep the selection on its entry when it stays; none when it went with the drive.
    selection_ = -1;
    for (int i = 0; selected != nullptr && i < count(); ++i) {
        if (entries_[i].get() == selected) selection_ = i;
    }
    updateRange();
    scrollBar_->setPosition(scrollBar_->position());  // clamp the first row into the new range
    repaint(true);
}

bool RecordingList::GetSelectedName(QString& name) const {
    if (selection_ < 0 || selection_ >= count()) return false;
    name = QString::fromStdString(entries_[selection_]->fileName);
    return true;
}

int RecordingList::rowAt(int x, int y, int top) {
    if (x < 0 || x >= 331 || y < 18 || y >= 260) return -1;
    const int row = (y - 18) / 20;
    // The area is two pixels taller than its twelve rows; those pixels show no entry.
    if (row >= kVisibleRows) return -1;
    return row + top;
}

void RecordingList::click(int x, int y) {
    const int row = rowAt(x, y, top_);
    if (row >= 0 && row < count()) {
        selection_ = row;
        repaint(false);
    }
    if (selection_ >= 0) rebuildSelectedPath();
}

void RecordingList::doubleClick(int x, int y) {
    const int row = rowAt(x, y, top_);
    if (row >= 0 && row < count()) selection_ = row;
    if (selection_ >= 0 && selection_ < count()) {
        rebuildSelectedPath();
        if (mainWindow_ != nullptr) mainWindow_->send(UM_CMD_PLAY, 0, 0);
    }
}

void RecordingList::play(int index) {
    if (index < 0 || index >= count()) return;
    selection_ = index;
    const int position = scrollBar_->position();
    if (selection_ < position || selection_ >= position + kVisibleRows) {
        scrollBar_->setPosition(std::max(selection_ - (kVisibleRows - 1), 0));
    }
    repaint(true);
    rebuildSelectedPath();
    if (mainWindow_ != nullptr) mainWindow_->send(UM_CMD_PLAY, 0, 0);
}

const DriveGrouping& RecordingList::drives() const {
    bool same = !groupingStale_ && groupedPaths_.size() == entries_.size();
    for (size_t i = 0; same && i < entries_.size(); ++i) same = groupedPaths_[i] == entries_[i]->path();
    if (same) return grouping_;
    std::vector<DriveRecording> recordings;
    groupedPaths_.clear();
    for (const auto& e : entries_) {
        groupedPaths_.push_back(e->path());
        const auto known = durations_.find(groupedPaths_.back());
        recordings.push_back({e->fileName, known != durations_.end() ? known->second : -1});
    }
    grouping_ = groupDrives(recordings);
    groupingStale_ = false;
    return grouping_;
}

int RecordingList::driveOf(int index) const {
    if (index < 0 || index >= count()) return -1;
    return drives().places[index].drive;
}

int RecordingList::nextInDrive(int index) const {
    if (index < 0 || index >= count()) return -1;
    return drives().places[index].next;
}

int RecordingList::previousInDrive(int index) const {
    if (index < 0 || index >= count()) return -1;
    return drives().places[index].previous;
}

std::vector<int> RecordingList::driveMembers(int drive) const {
    const DriveGrouping& grouping = drives();
    if (drive < 0 || drive >= static_cast<int>(grouping.drives.size())) return {};
    return grouping.drives[drive];
}

bool RecordingList::entryTimes(int index, std::int64_t& startMs, std::int64_t& endMs) const {
    if (index < 0 || index >= count()) return false;
    const DrivePlace& place = drives().places[index];
    startMs = place.startMs;
    endMs = place.endMs;
    return true;
}

int RecordingList::indexOfPath(const std::string& path) const {
    for (int i = 0; i < count(); ++i) {
        if (entries_[i]->path() == path) return i;
    }
    return -1;
}

void RecordingList::noteDuration(const std::string& path, std::int64_t durationMs) {
    if (durationMs < 0) return;
    auto [at, added] = durations_.try_emplace(path, durationMs);
    if (!added && at->second == durationMs) return;
    at->second = durationMs;
    groupingStale_ = true;
}

void RecordingList::scrolledTo(int position) {
    top_ = position;
    repaint(true);
}

void RecordingList::scrollBy(int rows) { scrollBar_->setPosition(scrollBar_->position() + rows); }

void RecordingList::rebuildSelectedPath() {
    if (selection_ >= 0 && selection_ < count()) selectedPath_ = entries_[selection_]->path();
}

void RecordingList::updateRange() { scrollBar_->setRange(0, count() - kVisibleRows); }

void RecordingList::repaint(bool unlessCovered) {
    if (repaintRows_) repaintRows_(unlessCovered);
}

}  // namespace moksel
