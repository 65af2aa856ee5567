// The drop-down drive list that the configuration and format dialogs share: dark like the
// dialogs (RGB 37, 37, 37 with light text) while its opened list keeps the desktop's colours,
// filled with the drive entries of the removable volumes and nothing selected.
//
// Thread contract: UI thread only.
#pragma once

#include <QRect>
#include <vector>

#include "platform/removable_drives.h"

class QComboBox;
class QWidget;

namespace moksel {

// Control id of the drive list in both dialogs.
constexpr int kDriveListId = 1020;

QComboBox* createDriveListBox(QWidget* parent, const QRect& geometry);

// Empties the list and adds one entry per volume, in the given order; nothing selected.
void fillDriveList(QComboBox* list, const std::vector<Volume>& volumes);

}  // namespace moksel
