#include "device/dialog_controls.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPalette>

#include "platform/bitmap_button.h"

namespace moksel {

QComboBox* createDriveListBox(QWidget* parent, const QRect& geometry) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QStringLiteral("control%1").arg(kDriveListId));
    list->setGeometry(geometry);
    list->setEditable(false);
    list->setFocusPolicy(Qt::StrongFocus);
    QPalette dark = list->palette();
    const QColor panel(37, 37, 37);
    const QColor text(222, 222, 222);
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
        dark.setColor(role, panel);
    }
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        dark.setColor(role, text);
    }
    list->setPalette(dark);
    list->view()->setPalette(QApplication::palette());
    return list;
}

BitmapButton* addDialogButton(QWidget* parent, int id, const QRect& geometry, int normalBitmap,
                              int pressedBitmap) {
    auto* button = new BitmapButton(parent);
    button->setObjectName(QStringLiteral("button%1").arg(id));
    button->setGeometry(geometry);
    button->setBitmaps(normalBitmap, pressedBitmap, normalBitmap, normalBitmap);
    return button;
}

void fillDriveList(QComboBox* list, const std::vector<Volume>& volumes) {
    list->clear();
    for (const Volume& volume : volumes) list->addItem(QString::fromStdString(driveEntry(volume)));
    list->setCurrentIndex(-1);
}

}  // namespace moksel
