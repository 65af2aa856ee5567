// What the main window's device, save and format commands take from the system: the drives and
// their volumes, the SD card format facility and whether it is installed, the folder browser of
// the save command and the plain warning box of the start-up. Each member defaults to the real
// one; the main window's tests replace them before the window's initialisation.
//
// Thread contract: UI thread only.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "device/ostrel_sd_card_format.h"
#include "platform/removable_drives.h"
#include "platform/volume_format.h"

class QWidget;

namespace moksel {

// The desktop's folder browser, titled for the save command; empty when cancelled.
QString chooseFolderToSave(QWidget* owner);
// The platform's own warning box with an OK button, modal.
void showPlainWarning(const QString& caption, const QString& text);

struct DeviceServices {
    std::shared_ptr<const DriveSystem> drives = systemDrives();
    // Formats a volume for the SD card format dialog; empty: the system's format facility.
    FormatFunction format;
    std::function<bool()> formatAvailable = formatFacilityAvailable;
    std::function<QString(QWidget* owner)> chooseSaveFolder = chooseFolderToSave;
    std::function<void(const QString& caption, const QString& text)> warn = showPlainWarning;
};

}  // namespace moksel
