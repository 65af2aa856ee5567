#include "dialogs/message_boxes.h"

#include <QPainter>

#include "platform/fonts.h"
#include "platform/skin.h"

namespace moksel {
namespace {

constexpr int kOneButtonBackground = 253;
constexpr int kTwoButtonBackground = 320;

// Without the skin: a graphite box with a light panel behind the dark text lines.
void paintPlainBackground(QPainter& painter) {
    painter.fillRect(QRect(QPoint(0, 0), SkinMessageBox::kSize), QColor(37, 37, 37));
    painter.fillRect(QRect(6, 64, 285, 100), QColor(232, 232, 232));
}

}  // namespace

SkinMessageBox::SkinMessageBox(QWidget* mainWindow, int backgroundBitmap)
    : SkinDialog(mainWindow), mainWindow_(mainWindow), backgroundBitmap_(backgroundBitmap) {
    setFixedSize(kSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

BitmapButton* SkinMessageBox::addButton(int controlId, QPoint at, int normalBitmap,
                                        int pressedBitmap) {
    auto* button = new BitmapButton(this);
    button->setObjectName(QString::number(controlId));
    button->setBitmaps(normalBitmap, pressedBitmap, normalBitmap, normalBitmap);
    button->setGeometry(QRect(at, QSize(78, 28)));
    connect(button, &QAbstractButton::clicked, this, [this, controlId] { done(controlId); });
    return button;
}

void SkinMessageBox::setCode(int code) {
    code_ = code;
    update();
}

int SkinMessageBox::run(int code) {
    setCode(code);
    return exec();
}

void SkinMessageBox::showEvent(QShowEvent* event) {
    SkinDialog::showEvent(event);
    setFixedSize(kSize);
    placeAtOffset(mainWindow_, kOffsetFromMainWindow);
}

QImage SkinMessageBox::picture() const {
    QImage image(kSize, QImage::Format_RGB32);
    QPainter painter(&image);
    const QPixmap background = skinBitmap(backgroundBitmap_);
    if (background.isNull()) {
        paintPlainBackground(painter);
    } else {
        painter.drawPixmap(QRect(QPoint(0, 0), kSize), background);
    }
    // Texts are drawn from fixed top-left corners, unclipped and unwrapped; the blanks they
    // begin with centre them.
    const MessageText text = texts();
    auto draw = [&painter](const QString& s, QPoint topLeft) {
        if (s.isEmpty()) return;
        painter.drawText(topLeft + QPoint(0, painter.fontMetrics().ascent()), s);
    };
    painter.setFont(skinFont(QStringLiteral("돋움"), 16, 900));
    painter.setPen(QColor(222, 222, 222));
    draw(text.title, QPoint(47, 32));
    painter.setFont(skinFont(QStringLiteral("돋움"), 12, 900));
    painter.setPen(QColor(8, 8, 8));
    draw(text.line1, QPoint(10, 85));
    draw(text.line2, QPoint(10, 105));
    return image;
}

void SkinMessageBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture());
}

COstrelOneButtonMessageBox::COstrelOneButtonMessageBox(QWidget* mainWindow)
    : SkinMessageBox(mainWindow, kOneButtonBackground) {
    ok_ = addButton(kBoxOk, QPoint(109, 177), 249, 250);
}

OstrelTwoButtonMessageBox::OstrelTwoButtonMessageBox(QWidget* mainWindow)
    : SkinMessageBox(mainWindow, kTwoButtonBackground) {
    ok_ = addButton(kBoxOk, QPoint(52, 177), 247, 248);
    cancel_ = addButton(kBoxCancel, QPoint(165, 177), 251, 252);
}

int showOneButtonMessage(QWidget* mainWindow, int code) {
    COstrelOneButtonMessageBox box(mainWindow);
    return box.run(code);
}

int askTwoButtonQuestion(QWidget* mainWindow, int code) {
    OstrelTwoButtonMessageBox box(mainWindow);
    return box.run(code);
}

}  // namespace moksel
