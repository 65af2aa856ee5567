// OstrelOpenningDirMsgBox: the box shown while the recording list scans a folder tree. It shows
// the folder the scan entered last and offers a stop button. The main window creates it hidden,
// shows it when the list reports the start of a scan (UM_SCAN_BEGIN) and hides it at the end
// (UM_SCAN_END); the scan drains the event queue between directory items, which is when this
// box paints and its stop button is served.
//
// Messages it answers: UM_SCAN_FOLDER, w = const QString* of the list's current folder (the
// string lives as long as the list; the box reads it at every paint). Returns 0.
// Messages it sends its parent (the main window): UM_SCAN_CANCEL when stop is pressed.
//
// Thread contract: UI thread only.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <utility>

#include "platform/skin_dialog.h"

namespace moksel {

class BitmapButton;

class OstrelOpenningDirMsgBox : public SkinDialog {
public:
    static constexpr int kWidth = 447;
    static constexpr int kHeight = 233;
    // Where the box sits, from the main window's top-left corner.
    static constexpr QPoint kOffset{289, 268};

    explicit OstrelOpenningDirMsgBox(QWidget* mainWindow = nullptr);

    // The folder text as the box shows it in the text font: on one line when it fits the
    // panel; else the first line takes as much as fits (broken after a "/" where one lets the
    // line hold at least half its width) and the second line the rest, shortened in its middle
    // with "…" when that still does not fit.
    static std::pair<QString, QString> folderLines(const QString& folder);
    // The widths the two lines may take: from x 30 and x 50 to the panel's right margin.
    static constexpr int kFirstLineWidth = 399;
    static constexpr int kSecondLineWidth = 379;

    // The folder string last received, or null before the first one.
    const QString* folderReference() const { return folder_; }
    BitmapButton* stopButton() const { return stopButton_; }

    // The band the folder text is drawn in; repainted at once for each folder reported.
    static QRect folderBand() { return QRect(0, 50, 447, 100); }

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    void paintEvent(QPaintEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    static const MessageMap<OstrelOpenningDirMsgBox>& messageMap();
    LResult onScanFolder(WParam w, LParam l);
    void place();

    const QString* folder_ = nullptr;
    BitmapButton* stopButton_ = nullptr;
};

}  // namespace moksel
