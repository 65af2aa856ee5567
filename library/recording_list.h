// The recording list: the recordings the user can pick for playback, with their scanning,
// sorting, selection and the scroll position of the list pane that shows them.
//
// The list is filled by scanning a folder tree, by scanning the camera's SD card, from files
// chosen in the open-file dialog and from files and folders dropped on the list pane. It keeps
// one entry per listed front recording, a selection and the full path of the selected entry,
// which the main window hands to the engine when the user plays the selection.
//
// Thread contract: UI thread only. A folder scan runs on the UI thread and drains the event
// queue once per directory item, so the window keeps painting and answering (and a stop
// request can arrive) while a long scan runs; any handler may therefore run in the middle of
// a scan and see a list that is still growing.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "library/drive_grouping.h"
#include "library/recording_entry.h"
#include "platform/message_target.h"

namespace moksel {

// The list pane's vertical scroll bar as the list sees it: a range and a position that every
// setter clamps (first down to the maximum, then up to the minimum, so a range whose maximum
// lies below its minimum pins the position at the minimum). Setting the position reports the
// clamped position back to the list through RecordingList::scrolledTo.
class ListScrollBar {
public:
    virtual ~ListScrollBar() = default;
    virtual void setRange(int minimum, int maximum) = 0;
    virtual int maximum() const = 0;
    virtual void setPosition(int position) = 0;
    virtual int position() const = 0;
};

class RecordingList {
public:
    static constexpr int kVisibleRows = 12;

    enum class SortColumn : int { Type = 0, Date = 1, Name = 2 };
    // Sort state of a column.
    static constexpr int kAscending = 0;
    static constexpr int kDescending = 1;
    static constexpr int kUnsorted = 2;

    RecordingList();
    ~RecordingList();
    RecordingList(const RecordingList&) = delete;
    RecordingList& operator=(const RecordingList&) = delete;

    // --- Wiring (done by the list pane) ---------------------------------------------------
    // The main window: receives scan begin/folder/end and play requests. May be null.
    void setMainWindow(MessageTarget* mainWindow) { mainWindow_ = mainWindow; }
    // The scroll bar; null uses a built-in one with the same clamping.
    void setScrollBar(ListScrollBar* scrollBar);
    // Repaints the rows; `unlessCovered` asks the main window first whether the map covers
    // the list and skips the repaint when it does.
    void setRepaintRows(std::function<void(bool unlessCovered)> repaint) {
        repaintRows_ = std::move(repaint);
    }
    // Tells the user a file could not be looked up ("파일 안열리네"). The pane shows a plain
    // message box; without one set the notice is dropped.
    void setNotice(std::function<void(const QString&)> notice) { notice_ = std::move(notice); }
    // Drains the event queue once per directory item while scanning. Defaults to processing
    // the UI thread's pending events.
    void setEventDrain(std::function<void()> drain) { drain_ = std::move(drain); }

    // --- Operations -----------------------------------------------------------------------
    // Empties the list: no entries, no selection, columns unsorted, scroll range and position 0.
    // The selected path is kept (callers test the selection first).
    void ClearList();
    // Replaces the list by the recordings under `root` (a chosen folder or a card's mount
    // point): clear, tell the main window the scan begins, scan the tree, tell it the scan
    // ended, set the scroll range and repaint unless covered.
    void scanTree(const std::string& root);
    // Replaces the list by the given files, in order (open-file dialog).
    void openFiles(const std::vector<std::string>& paths);
    // Appends dropped files and the recordings under dropped folders, in drop order. A dropped
    // file whose name is not the camera's but that holds an MP4 is listed as type other; rear
    // camera files and other files are left out.
    void drop(const std::vector<std::string>& paths);
    // Selects the entry, scrolls it into view, repaints and asks the main window to play it.
    void play(int index);
    // Reorders the entries by a column's key; direction kAscending or kDescending. Stable:
    // entries of equal key keep their order. The selected entry stays selected.
    void SortList(SortColumn column, int direction);
    // A press on a column's header: ascending when unsorted or descending, else descending;
    // the other columns become unsorted.
    void toggleSort(SortColumn column);
    // Moves the selection to the next entry (the first after the last), scrolls it into view
    // and asks the main window to play it. Nothing happens without a selection.
    void SelectNext();
    // Moves the selection to the previous entry (the last before the first), likewise.
    void SelectPrevious();
    // Removes the entries whose folder lies on the volume mounted at `mountPoint`.
    void RemoveDrive(const std::string& mountPoint);
    // Stops a running scan; what it found so far stays listed.
    void stopScan() {
        scanStopped_ = scanning_;
        scanning_ = false;
    }
    // Copies the selected entry's file name into `name`; false when nothing is selected.
    bool GetSelectedName(QString& name) const;

    // Entry index under a pane point of the twelve rows (rows area (0,18)-(331,260)), or -1
    // for none. Only the point is tested; the index may lie past the last entry.
    static int rowAt(int x, int y, int top);
    // A click released on the pane at (x, y): selects the entry under it and repaints, then
    // rebuilds the selected path of whatever is selected.
    void click(int x, int y);
    // A double click: selects the entry under it; with a selection, rebuilds the path and
    // asks the main window to play it.
    void doubleClick(int x, int y);

    // --- Drives (rules in library/drive_grouping.h) ----------------------------------------
    // Worked out again from the entries whenever the list has changed since the last question.
    // The drive of an entry, -1 for an index outside the list.
    int driveOf(int index) const;
    // The entry that continues / precedes an entry's drive, -1 for none.
    int nextInDrive(int index) const;
    int previousInDrive(int index) const;
    // The entries of a drive in order of start (empty for an unknown drive).
    std::vector<int> driveMembers(int drive) const;
    // Start and end of an entry in ms of camera time (end from its known or nominal duration);
    // false for an index outside the list.
    bool entryTimes(int index, std::int64_t& startMs, std::int64_t& endMs) const;
    // The first entry whose path is `path`, -1 for none.
    int indexOfPath(const std::string& path) const;
    // A recording's duration as read from its file: drives are regrouped with it.
    void noteDuration(const std::string& path, std::int64_t durationMs);

    // The scroll bar reports a new position: the first visible row follows it.
    void scrolledTo(int position);
    // Scroll commands of the U and D buttons and of the wheel.
    void scrollBy(int rows);

    // --- State ------------------------------------------------------------------------------
    int count() const { return static_cast<int>(entries_.size()); }
    const RecordingEntry& entry(int index) const { return *entries_.at(index); }
    int top() const { return top_; }
    int selection() const { return selection_; }
    // Path of the selected entry (UTF-8), as last rebuilt.
    const std::string& selectedPath() const { return selectedPath_; }
    bool scanning() const { return scanning_; }
    // The last scan was stopped before it had looked everywhere.
    bool scanStopped() const { return scanStopped_; }
    // Rear camera files passed over since the list was last emptied (the list takes only
    // front files): a folder that gives no rows but these holds rear recordings alone.
    int rearFilesPassed() const { return rearFilesPassed_; }
    // The folder the scan entered last; lives as long as the list, so its address can be
    // handed to the progress box.
    const QString& currentFolder() const { return currentFolder_; }
    int sortState(SortColumn column) const { return sortStates_[static_cast<int>(column)]; }
    ListScrollBar& scrollBar() { return *scrollBar_; }

private:
    struct ScanContext;
    // Scans one folder level and, depth first, the folders below it; false when the list was
    // destroyed while the event queue was drained.
    bool ScanFolder(const std::string& path, ScanContext& context);
    // One scan with its begin and end reports; false when the list was destroyed meanwhile.
    bool runScan(const std::string& root);
    void addEntry(std::string folder, std::string name, std::uint64_t size);
    void addLookedUp(const std::string& path, bool cameraName = true);
    void rebuildSelectedPath();
    void updateRange();
    void repaint(bool unlessCovered);
    void enterFolder(const std::string& folder);
    const DriveGrouping& drives() const;

    std::vector<std::unique_ptr<RecordingEntry>> entries_;  // index = position in the list
    int top_ = 0;
    int selection_ = -1;
    std::string selectedPath_;
    bool scanning_ = false;
    bool scanStopped_ = false;
    int rearFilesPassed_ = 0;
    int scanDepth_ = 0;       // scans running (a scan can start another through the event drain)
    unsigned generation_ = 0;  // bumped when the list is replaced: older scans stop
    QString currentFolder_;
    std::array<int, 3> sortStates_{kUnsorted, kUnsorted, kUnsorted};

    MessageTarget* mainWindow_ = nullptr;
    std::unique_ptr<ListScrollBar> ownScrollBar_;
    ListScrollBar* scrollBar_ = nullptr;
    std::function<void(bool)> repaintRows_;
    std::function<void(const QString&)> notice_;
    std::function<void()> drain_;
    // Durations read from files, by path; the grouping of the entries as they were when it was
    // last worked out (their paths, in order).
    std::unordered_map<std::string, std::int64_t> durations_;
    mutable DriveGrouping grouping_;
    mutable std::vector<std::string> groupedPaths_;
    mutable bool groupingStale_ = true;
    // Expires when the list is destroyed; a scan checks it after every drain of the queue.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace moksel
