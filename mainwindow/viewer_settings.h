// What the viewer remembers between starts: volume and mute, the speed unit, the heading
// style, brightness and contrast, whether the map or the list shows, the folder the dialogs
// opened last and the window's position. They live in one settings file in the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config), moksel-viewer/moksel-viewer.conf.
//
// Reading never fails: a missing, unreadable, oversized or damaged file, and every value that
// is missing or out of range, gives the start-up value instead (volume 64, sound on, km/h,
// arrow heading, brightness and contrast 50, the list, no folder, the window at (0, 0)).
// Writing goes to a new file that then replaces the old one, so a write cut short leaves the
// previous file whole.
//
// Thread contract: UI thread only.
#pragma once

#include <QPoint>
#include <QString>
#include <optional>

namespace moksel {

class COstrelDlg;

struct ViewerSettings {
    int volume = 64;  // 0..128
    bool soundOn = true;
    bool speedInMph = false;
    bool headingArrows = true;
    int brightness = 50;  // 0..100
    int contrast = 50;    // 0..100
    bool mapShown = false;
    QString lastFolder;
    std::optional<QPoint> windowPosition;

    bool operator==(const ViewerSettings&) const = default;

    // The settings file of this user.
    static QString defaultFile();
    // Reads `file`; anything wrong gives the start-up values (see above).
    static ViewerSettings load(const QString& file);
    // Writes `file` (and its folder); false, with a line on stderr, when it cannot.
    bool save(const QString& file) const;

    // What the window shows now, and the window made to show `settings` (its sliders and
    // buttons do it, so the engine and the panes hear of it as from the user).
    static ViewerSettings of(const COstrelDlg& window);
    void applyTo(COstrelDlg& window) const;
};

}  // namespace moksel
