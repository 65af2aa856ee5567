// Opening a recording the camera could not finish: the user is asked, the pair is repaired on a
// worker thread into a REPAIRED folder beside it while the progress box shows how far it got
// (its stop button cancels), and the repaired pair is what then opens.
#include "mainwindow/repair_commands.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <thread>

#include "dialogs/message_boxes.h"
#include "dialogs/message_texts.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/messages.h"
#include "repair/recording_repair.h"

namespace moksel {

std::string COstrelDlg::repairedPathFor(const std::string& path) const {
    if (!repair_) return path;
    const auto found = repair_->repaired.find(path);
    if (found == repair_->repaired.end() ||
        !QFileInfo(QString::fromStdString(found->second)).isFile())
        return path;
    return found->second;
}

bool COstrelDlg::repairRunning() const {
    return repair_ && repair_->running;
}

void COstrelDlg::cancelRepair() {
    if (repair_ && repair_->running) repair_->cancel = true;
}

bool COstrelDlg::repairBeforeOpen(std::string& candidate) {
    const repair::FileState state = repair::quickFileState(candidate);
    if (state != repair::FileState::IndexMissing && state != repair::FileState::MediaCut)
        return true;
    if (!repair_) repair_ = std::make_shared<RepairSession>();
    if (repair_->running || ask(kAskRepairRecording) != kBoxOk) return false;
    repair_->running = true;
    repair_->cancel = false;

    std::atomic<int> permille{0};
    std::atomic<bool> done{false};
    repair::PairRepairReport report;
    repair::PairRepairJob job{candidate, "", "", [&](double f) { permille = int(f * 1000); },
                              &repair_->cancel};
    std::thread worker([&] {
        report = repair::repairPair(job);
        done = true;
    });
    const QString name = QFileInfo(QString::fromStdString(candidate)).fileName();
    auto update = [&] {
        repair_->progressText =
            QString::fromUtf8("파일 복구 중: %1  %2%").arg(name).arg(permille.load() / 10);
        postToPane(PaneId::ScanBox, UM_SCAN_FOLDER,
                   reinterpret_cast<WParam>(&repair_->progressText));
    };
    QWidget* box = pane(PaneId::ScanBox);
    if (box != nullptr) box->show();
    update();
    QEventLoop loop;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        update();
        if (done) loop.quit();
    });
    timer.start(50);
    if (!done) loop.exec();
    worker.join();
    if (box != nullptr) box->hide();
    repair_->running = false;
    if (exiting_) return false;

    switch (report.outcome) {
        case repair::RepairOutcome::Repaired:
            repair_->repaired[candidate] = report.frontOutput;
            candidate = report.frontOutput;
            return true;
        case repair::RepairOutcome::Cancelled:
            return false;
        case repair::RepairOutcome::NothingRecovered:
            showMessage(kMsgRepairRecoveredNothing);
            return false;
        default:
            std::fprintf(stderr, "moksel-viewer: %s\n", report.message.c_str());
            // The one cause the user can mend: a complete recording of the same camera in the
            // folder, from which the repair learns the camera's format.
            showMessage(kMsgRepairFailed,
                        report.front.referenceMissing
                            ? QString::fromUtf8("같은 폴더에 같은 카메라의 온전한 녹화 파일이 있어야 복구할 수 있습니다.")
                            : QString());
            return false;
    }
}

}  // namespace moksel
