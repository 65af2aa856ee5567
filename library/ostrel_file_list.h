// OstrelFileList: the recording list pane at the lower right of the main window. It shows the
// recording list as 12 rows with a vertical skinned slider, sorts it by the TYPE, DATE and NAME
// column headers, scrolls it with the U and D buttons, the slider and the wheel, selects a
// recording with a click and plays it with a double click, and accepts dropped files and
// folders.
//
// The pane reaches the main window as its parent (any parent widget that is a MessageTarget).
// Messages it answers (numbers in platform/window_messages.h; all return 0):
//   UM_LIST_NEXT, UM_LIST_PREV        select the next / previous entry and ask to play it
//   UM_LIST_OPEN_FOLDER               folder dialog, then scan the chosen folder tree
//   UM_LIST_OPEN_FILES                open-file dialog, list replaced by the chosen files
//   UM_LIST_WHEEL    w: 0 down, else up   one row
//   UM_SCAN_CANCEL                    stop a running scan
//   UM_DRIVE_FORMATTED  w: const QString* mount point   remove the entries on that volume
//   UM_LIST_CLEAR                     empty the list and repaint it
//   UM_SCAN_DRIVE       w: const QString* mount point   list replaced by the card's recordings
// Messages it sends its parent: UM_CMD_PLAY, UM_SCAN_BEGIN, UM_SCAN_END, UM_IS_MAP_SHOWN
// (nonzero: the map covers the list, some repaints are skipped); UM_SCAN_FOLDER is posted with
// w = const QString* of the folder entered last (lives as long as the pane).
//
// Thread contract: UI thread only.
#pragma once

#include <QFont>
#include <QImage>
#include <QStringList>
#include <functional>
#include <memory>

#include "library/recording_list.h"
#include "platform/window.h"

namespace moksel {

class BitmapButton;

// The pictures the pane paints its rows with.
struct FileListSkin {
    QImage background;    // 344 x 263: column titles, column rules, the scroll column
    QImage typeIcons;     // 48 x 16: normal, event, motion icons of 12 x 16 at x 0, 16, 32
    QImage selectionBar;  // 485 x 20, its left 330 pixels used

    // The skin's bitmaps; missing ones stay null and the pane paints plain colours instead.
    static FileListSkin fromSkin();
};

class OstrelFileList : public Window<QWidget> {
public:
    static constexpr int kWidth = 344;
    static constexpr int kHeight = 260;

    explicit OstrelFileList(QWidget* parent = nullptr);
    ~OstrelFileList() override;

    // The model: the main window's play command reads its selection and selected path and
    // calls GetSelectedName.
    RecordingList& recordings() { return list_; }
    const RecordingList& recordings() const { return list_; }

    // Adds files and folders as if they had been dropped on the list (the command line's
    // paths at start-up). Relative paths are taken from the working folder.
    void addPathsAsDropped(const QStringList& paths);
    // After a folder chosen or paths dropped gave no row: tells the user why (nothing there, or
    // rear camera files alone).
    void sayWhyNothingIsListed();
    // The command line's paths: added as dropped; when they are one file and it was listed,
    // it plays at once.
    void openFromCommandLine(const QStringList& paths);

    // The folder and file dialogs. Each returns what the user chose (empty when cancelled);
    // the defaults show the desktop's dialogs with the list's titles and filter.
    void setFolderChooser(std::function<QString(QWidget*)> chooser) {
        chooseFolder_ = std::move(chooser);
    }
    void setFilesChooser(std::function<QStringList(QWidget*)> chooser) {
        chooseFiles_ = std::move(chooser);
    }

    // The folder the folder and file dialogs open in: the one chosen last (the folder itself,
    // or the folder of the files chosen). The main window remembers it between starts.
    const QString& lastFolder() const { return lastFolder_; }
    void setLastFolder(const QString& folder) { lastFolder_ = folder; }

    // Replaces the row pictures (the type icons' key colour 243,14,254 becomes transparent).
    void setSkin(FileListSkin skin);

    // The header and scroll buttons, for the main window's layout checks and tests.
    BitmapButton* typeHeader() const { return typeHeader_; }
    BitmapButton* dateHeader() const { return dateHeader_; }
    BitmapButton* nameHeader() const { return nameHeader_; }
    BitmapButton* sizeHeader() const { return sizeHeader_; }
    BitmapButton* upButton() const { return upButton_; }
    BitmapButton* downButton() const { return downButton_; }
    QWidget* scrollSlider() const { return slider_; }

    // The size column's text: the low 32 bits of the size in MB with one decimal ("1.0MB").
    static QString sizeText(std::uint64_t bytes);

    // Rows area of the pane: (0, 18) to (331, 260).
    static QRect rowsArea() { return QRect(0, 18, 331, 242); }
    // Where a row's texts go: from the column's text position to just before its right rule
    // (date 136, name 267) or the scroll column (330).
    struct TextColumn {
        int left;
        int width;
    };
    static constexpr TextColumn kDateColumn{40, 95};
    static constexpr TextColumn kNameColumn{143, 123};
    static constexpr TextColumn kSizeColumn{275, 54};

    // Repaints the rows at once; with `unlessCovered` only when the map does not cover them.
    void repaintRows(bool unlessCovered);

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    static const MessageMap<OstrelFileList>& messageMap();
    LResult onListNext(WParam, LParam);
    LResult onListPrev(WParam, LParam);
    LResult onOpenFolder(WParam, LParam);
    LResult onOpenFiles(WParam, LParam);
    LResult onWheel(WParam w, LParam);
    LResult onScanCancel(WParam, LParam);
    LResult onDriveFormatted(WParam w, LParam);
    LResult onListClear(WParam, LParam);
    LResult onScanDrive(WParam w, LParam);
    LResult onVerticalScroll(WParam w, LParam l);

    MessageTarget* mainWindow() const;
    void buildControls();

    RecordingList list_;
    std::unique_ptr<ListScrollBar> sliderLink_;
    FileListSkin skin_;
    QFont rowFont_;
    // The row font narrowed per column so every text of the camera's own naming fits whole.
    QFont dateFont_;
    QFont nameFont_;
    QFont sizeFont_;
    bool shownOnce_ = false;
    std::function<QString(QWidget*)> chooseFolder_;
    std::function<QStringList(QWidget*)> chooseFiles_;
    QString lastFolder_;

    BitmapButton* typeHeader_ = nullptr;
    BitmapButton* dateHeader_ = nullptr;
    BitmapButton* nameHeader_ = nullptr;
    BitmapButton* sizeHeader_ = nullptr;
    BitmapButton* upButton_ = nullptr;
    BitmapButton* downButton_ = nullptr;
    QWidget* slider_ = nullptr;
};

}  // namespace moksel
