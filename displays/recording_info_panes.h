// The panes that describe the recording being played:
//
//   OstrelFileInfo      465 x 28 strip below the videos: longitude, latitude (of the telemetry
//                       record reported last, playbackState.lastLongitude/lastLatitude) and the
//                       recording's kind NORMAL / EVENT / MOTION, in the kind's colour; the three
//                       fields stay empty unless a recording plays or is paused. The main window
//                       repaints it on UM_INFO_CHANGED. A left press drags the main window.
//       UM_RECORDING_KIND  w = 0 NORMAL, 1 EVENT, 3 UNKNOWN (a file without the camera's
//                          name), 2 (or any other) MOTION; stored, no repaint
//   OstrelShowFileName  189 x 17 field at the top: the file name of the recording opened last,
//                       asked of the main window at each paint; the main window repaints it
//                       after it opens a recording.
//
// Thread contract: UI thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>
#include <functional>

#include "displays/display_pane.h"

namespace moksel {

class OstrelFileInfo : public DisplayPane {
public:
    explicit OstrelFileInfo(QWidget* parent);

    int recordingKind() const { return kind_; }
    // Whether a telemetry record was reported since the last recording closed. The main window
    // clears it when the engine drops a recording's telemetry and sets it with each record's
    // report; without one (or with a record that has no fix, 0 / 0) the longitude field says
    // "GPS 없음" and the latitude field stays empty, rather than showing an older position.
    void setPositionReported(bool reported) { positionReported_ = reported; }
    // Longitude, latitude and kind texts of the last paint; empty while nothing plays.
    const QStringList& shownTexts() const { return shownTexts_; }

    // The word and the colour of a recording kind.
    static QString kindWord(int kind);
    static QColor kindColour(int kind);

protected:
    LResult handleMessage(unsigned number, WParam w, LParam l) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static const MessageMap<OstrelFileInfo>& messageMap();
    LResult onRecordingKind(WParam w, LParam l);

    QFont font_;
    int kind_ = 0;
    bool positionReported_ = true;
    QStringList shownTexts_;
};

class OstrelShowFileName : public DisplayPane {
public:
    // `currentName` gives the main window's current recording name (extension included); an
    // empty function or an empty name leaves the field blank.
    OstrelShowFileName(QWidget* parent, std::function<QString()> currentName);

    const QString& shownName() const { return shownName_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<QString()> currentName_;
    QFont font_;
    QString shownName_;
};

}  // namespace moksel
