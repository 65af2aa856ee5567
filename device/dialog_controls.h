// The controls the configuration and format dialogs share: the drop-down drive list, dark like
// the dialogs (RGB 37, 37, 37 with light text) while its opened list keeps the desktop's colours,
// filled with the drive entries of the removable volumes and nothing selected; and the skinned
// buttons.
//
// Thread contract: UI thread only.
#pragma once

#include <QRect>
#include <vector>

#include "platform/removable_drives.h"

class QComboBox;
class QWidget;

namespace moksel {

class BitmapButton;

// Control id of the drive list in both dialogs.
constexpr int kDriveListId = 1020;

QComboBox* createDriveListBox(QWidget* parent, const QRect& geometry);

// A skinned button with control id `id` (its object name "button<id>"); the pressed bitmap
// differs, the focused and disabled looks are the normal one.
BitmapButton* addDialogButton(QWidget* parent, int id, const QRect& geometry, int normalBitmap,
                              int pressedBitmap);

// Empties the list and adds one entry per volume, in the given order; nothing selected.
void fillDriveList(QComboBox* list, const std::vector<Volume>& volumes);

}  // namespace moksel
