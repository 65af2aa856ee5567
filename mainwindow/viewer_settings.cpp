#include "mainwindow/viewer_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "controls/grp_scrl.h"
#include "controls/slider_messages.h"
#include "controls/slider_panes.h"
#include "displays/ostrel_show_direction.h"
#include "displays/ostrel_show_speed.h"
#include "engine/playback_state.h"
#include "library/ostrel_file_list.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/messages.h"
#include "platform/bitmap_button.h"

namespace moksel {
namespace {

// A settings file is a few hundred bytes; anything much larger is not one of ours.
constexpr std::uintmax_t kLargestFile = 64 * 1024;

std::optional<int> readInt(const QSettings& settings, const char* key, int minimum, int maximum) {
    const QVariant value = settings.value(QLatin1String(key));
    if (!value.isValid()) return std::nullopt;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    if (!ok || number < minimum || number > maximum) return std::nullopt;
    return number;
}

std::optional<bool> readBool(const QSettings& settings, const char* key) {
    const QString text = settings.value(QLatin1String(key)).toString().trimmed();
    if (text == QLatin1String("true")) return true;
    if (text == QLatin1String("false")) return false;
    return std::nullopt;
}

void warn(const QString& file, const char* what) {
    std::fprintf(stderr, "moksel-viewer: %s %s\n", what, QFile::encodeName(file).constData());
}

GrpScrl* sliderOf(const COstrelDlg& window, PaneId id) {
    auto* pane = dynamic_cast<SliderPane*>(window.pane(id));
    return pane != nullptr ? pane->slider() : nullptr;
}

// Moves a setting slider's thumb and tells the main window, as a click on the slider does.
void setSlider(COstrelDlg& window, PaneId id, int value, unsigned notice) {
    if (GrpScrl* slider = sliderOf(window, id)) slider->send(GSM_SETPOS, static_cast<WParam>(value), 0);
    window.send(notice, static_cast<WParam>(value), 0);
}

void click(COstrelDlg& window, int id) {
    if (BitmapButton* button = window.button(id)) button->click();
}

}  // namespace

QString ViewerSettings::defaultFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/moksel-viewer/moksel-viewer.conf");
}

ViewerSettings ViewerSettings::load(const QString& file) {
    ViewerSettings result;
    std::error_code error;
    const std::filesystem::path path(QFile::encodeName(file).toStdString());
    if (!std::filesystem::exists(path, error)) return result;  // first start
    // Only a regular file of a sensible size is read: a device or a pipe in its place would
    // block the start.
    if (!std::filesystem::is_regular_file(path, error) || std::filesystem::file_size(path, error) > kLargestFile ||
        error) {
        warn(file, "ignores the settings file, which is not a settings file:");
        return result;
    }
    if (!QFileInfo(file).isReadable()) {
        warn(file, "cannot read the settings file; starting with the usual settings:");
        return result;
    }
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        warn(file, "cannot read the damaged settings file; starting with the usual settings:");
        return result;
    }
    if (auto v = readInt(settings, "sound/volume", 0, 128)) result.volume = *v;
    if (auto v = readBool(settings, "sound/on")) result.soundOn = *v;
    if (auto v = readBool(settings, "display/speedInMph")) result.speedInMph = *v;
    if (auto v = readBool(settings, "display/headingArrows")) result.headingArrows = *v;
    if (auto v = readInt(settings, "picture/brightness", 0, 100)) result.brightness = *v;
    if (auto v = readInt(settings, "picture/contrast", 0, 100)) result.contrast = *v;
    if (auto v = readBool(settings, "panes/mapShown")) result.mapShown = *v;
    const QVariant folder = settings.value(QStringLiteral("library/lastFolder"));
    if (folder.typeId() == QMetaType::QString && QDir::isAbsolutePath(folder.toString())) {
        result.lastFolder = folder.toString();
    }
    // Far outside any screen is not a position; whether a screen shows it is checked when the
    // window moves there.
    constexpr int kFar = 1 << 20;
    const auto x = readInt(settings, "window/x", -kFar, kFar);
    const auto y = readInt(settings, "window/y", -kFar, kFar);
    if (x && y) result.windowPosition = QPoint(*x, *y);
    return result;
}

bool ViewerSettings::save(const QString& file) const {
    const QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath())) {
        warn(file, "cannot make the folder of the settings file");
        return false;
    }
    const QString fresh = file + QStringLiteral(".new");
    QFile::remove(fresh);
    {
        QSettings settings(fresh, QSettings::IniFormat);
        settings.setValue(QStringLiteral("sound/volume"), volume);
        settings.setValue(QStringLiteral("sound/on"), soundOn);
        settings.setValue(QStringLiteral("display/speedInMph"), speedInMph);
        settings.setValue(QStringLiteral("display/headingArrows"), headingArrows);
        settings.setValue(QStringLiteral("picture/brightness"), brightness);
        settings.setValue(QStringLiteral("picture/contrast"), contrast);
        settings.setValue(QStringLiteral("panes/mapShown"), mapShown);
        settings.setValue(QStringLiteral("library/lastFolder"), lastFolder);
        if (windowPosition) {
            settings.setValue(QStringLiteral("window/x"), windowPosition->x());
            settings.setValue(QStringLiteral("window/y"), windowPosition->y());
        }
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            QFile::remove(fresh);
            warn(file, "cannot write the settings file");
            return false;
        }
    }
    // The new file takes the old one's place in one step.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(fresh).toStdString(), QFile::encodeName(file).toStdString(), error);
    if (error) {
        QFile::remove(fresh);
        warn(file, "cannot replace the settings file");
        return false;
    }
    return true;
}

ViewerSettings ViewerSettings::of(const COstrelDlg& window) {
    ViewerSettings result;
    result.volume = playbackState.volume.load();
    result.soundOn = playbackState.soundOn.load() != 0;
    if (auto* speed = dynamic_cast<OstrelShowSpeed*>(window.pane(PaneId::ShowSpeed))) result.speedInMph = speed->useMph();
    if (auto* heading = dynamic_cast<OstrelShowDIrection*>(window.pane(PaneId::ShowDirection))) {
        result.headingArrows = heading->arrowStyle();
    }
    result.brightness = playbackState.brightness.load();
    result.contrast = playbackState.contrast.load();
    // The window may be hidden already (it is asked as it closes): the map's own flag counts.
    if (QWidget* map = window.pane(PaneId::Map)) result.mapShown = !map->isHidden();
    if (const OstrelFileList* list = window.fileList()) result.lastFolder = list->lastFolder();
    result.windowPosition = window.pos();
    return result;
}

void ViewerSettings::applyTo(COstrelDlg& window) const {
    setSlider(window, PaneId::SoundVolume, volume, UM_SET_VOLUME);
    if (soundOn) {
        window.muteOff();
    } else {
        window.muteOn();
    }
    if (auto* speed = dynamic_cast<OstrelShowSpeed*>(window.pane(PaneId::ShowSpeed));
        speed != nullptr && speed->useMph() != speedInMph) {
        click(window, kButtonSpeedUnit);
    }
    if (auto* heading = dynamic_cast<OstrelShowDIrection*>(window.pane(PaneId::ShowDirection));
        heading != nullptr && heading->arrowStyle() != headingArrows) {
        click(window, kButtonHeadingStyle);
    }
    // The brightness and contrast panes take the value quietly; the main window applies it.
    if (MessageTarget* pane = window.paneTarget(PaneId::Brightness)) pane->send(UM_SET_BRIGHTNESS, brightness, 0);
    window.send(UM_SET_BRIGHTNESS, static_cast<WParam>(brightness), 0);
    if (MessageTarget* pane = window.paneTarget(PaneId::Contrast)) pane->send(UM_SET_CONTRAST, contrast, 0);
    window.send(UM_SET_CONTRAST, static_cast<WParam>(contrast), 0);
    click(window, mapShown ? kButtonMap : kButtonFileList);
    if (OstrelFileList* list = window.fileList()) list->setLastFolder(lastFolder);
    // Only where a screen shows the window's top-left corner: a screen unplugged since the last
    // run must not leave the window out of sight.
    if (windowPosition && QGuiApplication::screenAt(*windowPosition + QPoint(8, 8)) != nullptr) {
        window.move(*windowPosition);
    }
}

}  // namespace moksel
