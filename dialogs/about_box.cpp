#include "dialogs/about_box.h"

#include <QKeyEvent>
#include <QPainter>

#include "platform/bitmap_button.h"
#include "platform/fonts.h"
#include "platform/skin.h"

namespace moksel {
namespace {

constexpr int kBackground = 280;   // 297 x 233: title tab, version label, logo
constexpr int kCloseNormal = 255;  // 35 x 34
constexpr int kClosePressed = 256;
const QRect kCloseButtonRect(245, 16, 35, 34);

}  // namespace

OstrelAbout::OstrelAbout(QWidget* mainWindow) : SkinDialog(mainWindow) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setModal(false);
    closeButton_ = new BitmapButton(this);
    closeButton_->setObjectName(QStringLiteral("close%1").arg(kCloseButtonId));
    closeButton_->setGeometry(kCloseButtonRect);
    closeButton_->setBitmaps(kCloseNormal, kClosePressed, 0, 0);
    connect(closeButton_, &QAbstractButton::clicked, this, &QDialog::accept);
}

QString OstrelAbout::versionText() {
    // The box names the product's release; the build's own version is what
    // `moksel-viewer --version` prints.
    return QStringLiteral("Ver 1.1");
}

void OstrelAbout::toggle() {
    if (isVisible()) {
        hide();
    } else {
        show();
        raise();
    }
}

void OstrelAbout::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap& background = skinBitmap(kBackground);
    if (background.isNull()) {
        painter.fillRect(rect(), QColor(37, 37, 37));
    } else {
        painter.drawPixmap(QRect(0, 0, kWidth, kHeight), background);
    }
    painter.setFont(skinFont(QStringLiteral("돋움"), 15, 900));
    painter.setPen(QColor(8, 8, 8));
    painter.drawText(QRect(kVersionAt, QSize(kWidth - kVersionAt.x(), 20)),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, versionText());
}

void OstrelAbout::place() {
    resize(kWidth, kHeight);
    closeButton_->setGeometry(kCloseButtonRect);
    placeAtOffset(parentWidget(), kOffset);
}

void OstrelAbout::showEvent(QShowEvent* event) {
    SkinDialog::showEvent(event);
    place();
}

void OstrelAbout::hideEvent(QHideEvent* event) {
    SkinDialog::hideEvent(event);
    place();
}

void OstrelAbout::keyPressEvent(QKeyEvent* event) {
    // Enter is the box's OK and Escape its cancel: both only hide it.
    if (isSwallowedDialogKey(event->key())) {
        event->accept();
        if (event->key() == Qt::Key_Escape) {
            reject();
        } else {
            accept();
        }
        return;
    }
    SkinDialog::keyPressEvent(event);
}

}  // namespace moksel
