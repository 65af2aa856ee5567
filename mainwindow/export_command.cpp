// The main window's export command: the options box, then the export (the video, or the GPS
// track as GPX, KML or CSV) on a worker thread with the progress box up (playback stays paused),
// then the outcome in the same box.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <cstdio>
#include <thread>
#include <vector>

#include "controls/repeat_pointer.h"
#include "dialogs/export_boxes.h"
#include "dialogs/message_boxes.h"
#include "dialogs/message_texts.h"
#include "displays/ostrel_show_speed.h"
#include "export/export_options.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/messages.h"
#include "recording/packet_times.h"

namespace moksel {

namespace {

// Marker centres at their starting places: A at the strip's left end, B at its right end.
constexpr LResult kMarkerAStart = 8;
constexpr LResult kMarkerBStart = 365;

QString defaultDestination(const std::string& recordingPath) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    const QString stem = QFileInfo(QFile::decodeName(recordingPath.c_str())).completeBaseName();
    return QDir(folder).filePath(stem + QStringLiteral("_export.mp4"));
}

// The reason of a failed export for the Korean box: the common ones in Korean, the rare ones
// as the export gives them.
QString failureReason(const std::string& error) {
    const auto has = [&error](const char* text) { return error.find(text) != std::string::npos; };
    if (has("Read-only file system")) return QStringLiteral("읽기 전용 저장 장치입니다.");
    if (has("No space left on device")) return QStringLiteral("저장 공간이 부족합니다.");
    if (has("Permission denied")) return QStringLiteral("저장할 권한이 없습니다.");
    if (has("no such folder")) return QStringLiteral("저장할 폴더가 없습니다.");
    if (has("has no telemetry")) return QStringLiteral("이 녹화에는 GPS 기록이 없습니다.");
    if (error.rfind("the range", 0) == 0)
        return QStringLiteral("구간이 녹화를 벗어나거나 비어 있습니다.");
    if (has("is one of the recordings"))
        return QStringLiteral("녹화 파일과 같은 이름입니다. 다른 이름을 고르세요.");
    return QString::fromStdString(error);
}

}  // namespace

void COstrelDlg::noteMarkerOnShownPicture(bool markerB, int centre) {
    markedPictures_[markerB ? 1 : 0] = {centre, shownPictureMs_};
}

// A marker stands for the pictures at its place: the one it was put on by key while it stays
// there, else those of its tenth of a second on the position bar. The range runs from the
// first picture at A to the end of the last at B (the next picture's time), so the export
// holds exactly the pictures between the markers.
void COstrelDlg::markerStretch(double lengthS, double& fromS, double& toS) {
    const LResult a = sendToPane(PaneId::RepeatPointer, UM_GET_MARKER_A);
    const LResult b = sendToPane(PaneId::RepeatPointer, UM_GET_MARKER_B);
    if (markersRecording_ != currentPath_) return;
    const auto tenthAt = [&](LResult centre) {
        // The fraction is truncated: rounding up gives the position bar's tenth back.
        const double fraction = sendToPane(PaneId::MovieSeek, UM_PIXEL_TO_FRACTION, WParam(centre)) / 10000.0;
        return static_cast<int64_t>(std::ceil(fraction * duration_ - 1e-6));
    };
    const auto markedPicture = [&](int marker, LResult centre) -> int64_t {
        const MarkedPicture& m = markedPictures_[marker];
        // The column reads back within a tenth of the picture's; further off, the time is stale.
        const bool here = m.centre == centre && m.timeMs >= 0 && std::abs(m.timeMs / 100 - tenthAt(centre)) <= 1;
        return here ? m.timeMs : -1;
    };
    // A marker at its starting place counts when it was put there on a picture (the pictures
    // of the first tenth of a second share that place).
    int64_t first = markedPicture(0, a);
    const int64_t last = markedPicture(1, b);
    if (first < 0 && last < 0 && a <= kMarkerAStart && b >= kMarkerBStart) return;
    std::vector<int64_t> times;
    std::string error;
    if (!readFrontPacketTimesMs(currentPath_, times, error) || times.empty()) return;
    std::sort(times.begin(), times.end());
    if (first < 0 && a > kMarkerAStart) {
        const auto at = std::lower_bound(times.begin(), times.end(), tenthAt(a) * 100);
        first = at != times.end() ? *at : times.back();
    }
    if (first >= 0) fromS = std::clamp(double(first - times.front()) / 1000.0, 0.0, lengthS);

    auto next = times.end();
    // The player truncates times to the ms where the file's list rounds them: the picture after
    // B's is the first more than a ms later.
    if (last >= 0) {
        next = std::upper_bound(times.begin(), times.end(), last + 1);
    } else if (b < kMarkerBStart) {
        next = std::lower_bound(times.begin(), times.end(), (tenthAt(b) + 1) * 100);
    }
    // Past the last picture the range runs to the recording's end.
    if (next != times.end()) toS = std::min(double(*next - times.front()) / 1000.0, lengthS);
}

void COstrelDlg::exportRecording() {
    if (currentPath_.empty()) {
        showMessage(kMsgExportNeedsRecording);
        return;
    }
    pauseStep();

    const double lengthS = duration_ / 10.0;
    ExportChoices initial;
    initial.toS = lengthS;
    markerStretch(lengthS, initial.fromS, initial.toS);
    initial.destination = defaultDestination(currentPath_);

    // A file already there is replaced only when the user agrees; otherwise the box comes back
    // with the choices made, for another name.
    ExportChoices chosen;
    for (;;) {
        OstrelExportOptionsBox options(this, initial, lengthS);
        if (options.exec() != QDialog::Accepted) return;
        chosen = options.choices();
        if (!QFileInfo(chosen.destination).isFile() || ask(kAskOverwriteFile) == kBoxOk) break;
        initial = chosen;
    }

    exporting::ExportRequest request;
    request.frontPath = currentPath_;
    request.outputPath = QFile::encodeName(chosen.destination).toStdString();
    request.fromMs = int64_t(chosen.fromS * 1000 + 0.5);
    // The recording's end (its length is shown in whole tenths): to its last picture.
    request.toMs = !chosen.continueDrive && chosen.toS >= lengthS ? -1 : int64_t(chosen.toS * 1000 + 0.5);
    request.continueDrive = chosen.continueDrive;
    request.layout = static_cast<exporting::Layout>(chosen.layout);
    request.overlay = chosen.overlay;
    request.rearMirror = rearLeftRight_;
    request.rearFlip = rearUpDown_;
    if (auto* speed = dynamic_cast<OstrelShowSpeed*>(pane(PaneId::ShowSpeed)))
        request.useMph = speed->useMph();

    OstrelExportProgressBox progress(this);
    std::atomic<bool> cancel{false};
    progress.onCancel = [&cancel] { cancel = true; };
    const int format = chosen.format;
    std::thread worker([&progress, &cancel, request, format] {
        const auto showProgress = [&progress](int done, int total) {
            QMetaObject::invokeMethod(
                &progress, [&progress, done, total] { progress.setProgress(done, total); },
                Qt::QueuedConnection);
        };
        constexpr exporting::TrackFormat kTracks[] = {exporting::TrackFormat::Gpx, exporting::TrackFormat::Kml,
                                                      exporting::TrackFormat::Csv};
        const exporting::ExportResult result =
            format >= 1 && format <= 3 ? exporting::exportTrack(request, kTracks[format - 1])
                                       : exporting::exportVideo(request, showProgress, &cancel);
        QString text;
        switch (result.status) {
            case exporting::ExportStatus::Done:
                text = QFileInfo(QFile::decodeName(result.outputPath.c_str())).fileName() +
                       QStringLiteral(" 저장됨");
                break;
            case exporting::ExportStatus::Cancelled:
                text = QStringLiteral("취소되었습니다. 파일을 남기지 않았습니다.");
                break;
            case exporting::ExportStatus::Failed:
                text = QStringLiteral("내보내지 못했습니다: ") + failureReason(result.error);
                std::fprintf(stderr, "moksel-viewer: export failed: %s\n", result.error.c_str());
                break;
        }
        using Outcome = OstrelExportProgressBox::Outcome;
        const Outcome outcome = result.status == exporting::ExportStatus::Done        ? Outcome::Done
                                : result.status == exporting::ExportStatus::Cancelled ? Outcome::Cancelled
                                                                                      : Outcome::Failed;
        QMetaObject::invokeMethod(
            &progress, [&progress, outcome, text] { progress.showOutcome(outcome, text); },
            Qt::QueuedConnection);
    });
    progress.exec();  // closes only once the outcome is shown, so the worker has ended
    worker.join();
}

}  // namespace moksel
