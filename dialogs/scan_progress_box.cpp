#include "dialogs/scan_progress_box.h"

#include <QMouseEvent>
#include <QPainter>

#include "mainwindow/messages.h"
#include "platform/bitmap_button.h"
#include "platform/fonts.h"
#include "platform/skin.h"

namespace moksel {
namespace {

constexpr int kStopButtonId = 1;
constexpr int kBackground = 267;
constexpr int kStopNormal = 268;
constexpr int kStopPressed = 266;
constexpr int kLineLength = 60;       // a folder text this long still fits on one line
constexpr int kFirstLineLength = 59;  // a longer one breaks after this many characters
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine;

}  // namespace

OstrelOpenningDirMsgBox::OstrelOpenningDirMsgBox(QWidget* mainWindow) : SkinDialog(mainWindow) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setModal(false);
    stopButton_ = new BitmapButton(this);
    stopButton_->setObjectName(QStringLiteral("stop%1").arg(kStopButtonId));
    stopButton_->setGeometry(184, 193, 78, 28);
    stopButton_->setBitmaps(kStopNormal, kStopPressed, 0, 0);
    connect(stopButton_, &QAbstractButton::clicked, this, [this] {
        // The main window relays the request to the list, which ends the scan at its next
        // step; the box stays until the list reports the end.
        if (auto* owner = dynamic_cast<MessageTarget*>(parentWidget())) {
            owner->send(UM_SCAN_CANCEL, 0, 0);
        }
    });
}

std::pair<QString, QString> OstrelOpenningDirMsgBox::folderLines(const QString& folder) {
    if (folder.size() <= kLineLength) return {folder, QString()};
    return {folder.left(kFirstLineLength), folder.mid(kFirstLineLength)};
}

const MessageMap<OstrelOpenningDirMsgBox>& OstrelOpenningDirMsgBox::messageMap() {
    static const MessageMap<OstrelOpenningDirMsgBox> map = {
        {UM_SCAN_FOLDER, &OstrelOpenningDirMsgBox::onScanFolder},
    };
    return map;
}

LResult OstrelOpenningDirMsgBox::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

LResult OstrelOpenningDirMsgBox::onScanFolder(WParam w, LParam) {
    folder_ = reinterpret_cast<const QString*>(w);
    repaint(folderBand());
    return 0;
}

void OstrelOpenningDirMsgBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap background = skinBitmap(kBackground);
    if (background.isNull()) {
        painter.fillRect(rect(), QColor(37, 37, 37));
    } else {
        painter.drawPixmap(QRect(0, 0, kWidth, kHeight), background);
    }

    painter.setFont(skinFont(QStringLiteral("돋움"), 16, 900));
    painter.setPen(QColor(222, 222, 222));
    painter.drawText(QRect(47, 32, 300, 20), kTextFlags, QStringLiteral("폴더 열기"));

    painter.setFont(skinFont(QStringLiteral("Arial"), 15, 500));
    painter.setPen(QColor(8, 8, 8));
    painter.drawText(QRect(30, 80, 300, 18), kTextFlags, QStringLiteral("탐색중인 폴더 -"));
    if (folder_ == nullptr) return;  // no scan has reported a folder yet
    const auto [first, second] = folderLines(*folder_);
    painter.drawText(QRect(30, 100, kWidth - 30, 18), kTextFlags, first);
    if (!second.isEmpty()) painter.drawText(QRect(50, 115, kWidth - 50, 18), kTextFlags, second);
}

void OstrelOpenningDirMsgBox::place() {
    resize(kWidth, kHeight);
    placeAtOffset(parentWidget(), kOffset);
}

void OstrelOpenningDirMsgBox::showEvent(QShowEvent* e) {
    SkinDialog::showEvent(e);
    place();
}

void OstrelOpenningDirMsgBox::hideEvent(QHideEvent* e) {
    SkinDialog::hideEvent(e);
    place();
}

void OstrelOpenningDirMsgBox::mousePressEvent(QMouseEvent* e) {
    // A press on this box's background does nothing (it is not dragged).
    e->accept();
}

}  // namespace moksel
