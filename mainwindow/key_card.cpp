#include "mainwindow/key_card.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

#include "mainwindow/keyboard_commands.h"
#include "platform/fonts.h"

namespace moksel {
namespace {

const QColor kPanel(37, 37, 37);
const QColor kText(222, 222, 222);
const QColor kAccent(0, 204, 255);
const QColor kDim(0, 0, 0, 150);
constexpr int kLineHeight = 22;
constexpr int kTitleHeight = 44;
constexpr int kMargin = 20;
constexpr int kKeysColumn = 150;  // width of the keys column

QFont cardFont(int pixelHeight, int weight) { return skinFont(QStringLiteral("NanumGothic"), pixelHeight, weight); }

}  // namespace

KeyCard::KeyCard(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("KeyCard"));
    setAttribute(Qt::WA_DeleteOnClose);
    setGeometry(window->rect());
    qApp->installEventFilter(this);
}

KeyCard* KeyCard::shownOver(QWidget* window) {
    if (window == nullptr) return nullptr;
    for (QObject* child : window->children()) {
        auto* card = dynamic_cast<KeyCard*>(child);
        if (card != nullptr && card->isVisible()) return card;
    }
    return nullptr;
}

KeyCard* KeyCard::showOver(QWidget* window) {
    if (window == nullptr) return nullptr;
    if (KeyCard* shown = shownOver(window)) return shown;
    auto* card = new KeyCard(window);
    card->show();
    card->raise();
    return card;
}

void KeyCard::closeCard() {
    qApp->removeEventFilter(this);
    close();  // deleted on close
}

bool KeyCard::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool key = type == QEvent::KeyPress;
    const bool click = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if (!key && !click && type != QEvent::KeyRelease && type != QEvent::MouseButtonRelease) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != window()) return false;
    if (key && static_cast<QKeyEvent*>(event)->isAutoRepeat()) return true;  // the key held that opened it
    if (key || click) closeCard();
    return true;  // the key or click only closes the card; its release goes nowhere either
}

void KeyCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kDim);
    const auto& lines = keyCardLines();
    const int panelHeight = kTitleHeight + static_cast<int>(lines.size()) * kLineHeight + kMargin;
    QRect panel(0, 0, kPanelWidth, panelHeight);
    panel.moveCenter(rect().center());
    painter.fillRect(panel, kPanel);
    painter.setPen(kAccent);
    painter.drawRect(panel.adjusted(0, 0, -1, -1));

    painter.setFont(cardFont(18, 700));
    painter.drawText(QRect(panel.left() + kMargin, panel.top() + 10, kPanelWidth - 2 * kMargin, 24),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("단축키"));
    painter.setFont(cardFont(13, 400));
    painter.setPen(kText);
    painter.drawText(QRect(panel.left() + kMargin, panel.top() + 10, kPanelWidth - 2 * kMargin, 24),
                     Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("아무 키나 누르면 닫힙니다"));
    painter.drawLine(panel.left() + kMargin, panel.top() + kTitleHeight - 6, panel.right() - kMargin,
                     panel.top() + kTitleHeight - 6);

    painter.setFont(cardFont(15, 400));
    int y = panel.top() + kTitleHeight;
    for (const KeyCardLine& line : lines) {
        const QRect keys(panel.left() + kMargin, y, kKeysColumn, kLineHeight);
        const QRect action(keys.right() + 10, y, kPanelWidth - kKeysColumn - 2 * kMargin - 10, kLineHeight);
        painter.setPen(kAccent);
        painter.drawText(keys, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(line.keys));
        painter.setPen(kText);
        painter.drawText(action, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(line.action));
        y += kLineHeight;
    }
}

}  // namespace moksel
