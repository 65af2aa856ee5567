#include "dialogs/scan_progress_box.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include "platform/window_messages.h"
#include "platform/bitmap_button.h"
#include "platform/fonts.h"
#include "platform/skin.h"

namespace moksel {
namespace {

constexpr int kStopButtonId = 1;
constexpr int kBackground = 267;
constexpr int kStopNormal = 268;
constexpr int kStopPressed = 266;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;

QFont textFont() { return skinFont(QStringLiteral("Arial"), 15, 500); }

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
    const QFontMetricsF metrics(textFont());
    auto fits = [&metrics](const QString& text, int width) {
        return metrics.horizontalAdvance(text) <= width;
    };
    if (fits(folder, kFirstLineWidth)) return {folder, QString()};
    // The longest start that fits (at least one character, so the text always moves on).
    qsizetype cut = 1;
    qsizetype low = 1, high = folder.size();
    while (low <= high) {
        const qsizetype middle = (low + high) / 2;
        if (fits(folder.left(middle), kFirstLineWidth)) {
            cut = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    // Never split a surrogate pair.
    if (cut < folder.size() && folder.at(cut).isLowSurrogate() && cut > 1) --cut;
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'), cut - 1);
    if (slash > 0 && metrics.horizontalAdvance(folder.left(slash + 1)) * 2 >= kFirstLineWidth) {
        cut = slash + 1;
    }
    const QString rest =
        metrics.elidedText(folder.mid(cut), Qt::ElideMiddle, kSecondLineWidth, Qt::TextSingleLine);
    return {folder.left(cut), rest};
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

    painter.setFont(textFont());
    painter.setPen(QColor(8, 8, 8));
    painter.drawText(QRect(30, 80, 300, 18), kTextFlags, QStringLiteral("탐색중인 폴더 -"));
    if (folder_ == nullptr) return;  // no scan has reported a folder yet
    const auto [first, second] = folderLines(*folder_);
    painter.drawText(QRect(30, 100, kFirstLineWidth, 18), kTextFlags, first);
    if (!second.isEmpty()) painter.drawText(QRect(50, 115, kSecondLineWidth, 18), kTextFlags, second);
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
