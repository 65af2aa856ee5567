#include "dialogs/message_boxes.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>

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

void SkinMessageBox::setDetail(const QString& detail) {
    detail_ = detail;
    update();
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

QImage SkinMessageBox::picture(qreal scale) const {
    if (!(scale >= 1.0 && scale <= 8.0)) scale = 1.0;
    QImage image(kSize * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    const QPixmap background = skinBitmap(backgroundBitmap_);
    if (background.isNull()) {
        paintPlainBackground(painter);
    } else {
        painter.drawPixmap(QRect(QPoint(0, 0), kSize), background);
    }
    // Texts are single lines, unclipped and unwrapped. The title sits beside the box's emblem;
    // the lines are centred on the text panel by their measured width (the blanks they begin
    // with are far narrower in this font than the centring they were meant for).
    const MessageText text = texts();
    painter.setFont(skinFont(QStringLiteral("돋움"), 16, 900));
    painter.setPen(QColor(222, 222, 222));
    if (!text.title.isEmpty()) {
        painter.drawText(QPointF(47, 32 + painter.fontMetrics().ascent()), text.title);
    }
    painter.setFont(skinFont(QStringLiteral("돋움"), 12, 900));
    painter.setPen(QColor(8, 8, 8));
    const QFontMetricsF metrics(painter.font());
    auto drawCentred = [&](const QString& line, int top) {
        const QString shown = line.trimmed();
        if (shown.isEmpty()) return;
        const qreal width = metrics.horizontalAdvance(shown);
        const qreal left = std::max<qreal>(kTextPanel.left(), kTextPanel.left() + (kTextPanel.width() - width) / 2);
        painter.drawText(QPointF(std::round(left), top + metrics.ascent()), shown);
    };
    drawCentred(text.line1, 85);
    if (!text.line2.trimmed().isEmpty()) {
        drawCentred(text.line2, 105);
    } else if (!detail_.isEmpty()) {
        // A tool's own words may be long: wrapped at blanks onto the panel's three lines below
        // the first, the last shortened if they need more, never past the panel.
        const qreal room = kTextPanel.width() - 8;
        const QStringList words = detail_.simplified().split(QLatin1Char(' '));
        QStringList lines{QString()};
        for (const QString& word : words) {
            const QString longer = lines.back().isEmpty() ? word : lines.back() + QLatin1Char(' ') + word;
            if (lines.back().isEmpty() || metrics.horizontalAdvance(longer) <= room || lines.size() == 3) {
                lines.back() = longer;
            } else {
                lines.push_back(word);
            }
        }
        for (int i = 0; i < lines.size(); ++i) {
            drawCentred(metrics.elidedText(lines[i], Qt::ElideRight, room), 105 + 18 * i);
        }
    }
    return image;
}

void SkinMessageBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Painted at the screen's pixel density, so the texts stay sharp on a high-density screen.
    painter.drawImage(QRect(QPoint(0, 0), kSize), picture(devicePixelRatioF()));
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

int showOneButtonMessage(QWidget* mainWindow, int code, const QString& detail) {
    COstrelOneButtonMessageBox box(mainWindow);
    box.setDetail(detail);
    return box.run(code);
}

int askTwoButtonQuestion(QWidget* mainWindow, int code) {
    OstrelTwoButtonMessageBox box(mainWindow);
    return box.run(code);
}

}  // namespace moksel
