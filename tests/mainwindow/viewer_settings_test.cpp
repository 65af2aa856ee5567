// The remembered settings: what a window shows goes to the file and comes back into a new
// window the same; a damaged, foreign or unreadable file gives the start-up values and is
// replaced whole by the next save.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <memory>
#include <random>
#include <sys/stat.h>

#include "controls/grp_scrl.h"
#include "controls/slider_messages.h"
#include "controls/slider_panes.h"
#include "displays/ostrel_show_direction.h"
#include "displays/ostrel_show_speed.h"
#include "engine/playback_state.h"
#include "engine_recorder.h"
#include "library/ostrel_file_list.h"
#include "mainwindow/costrel_dlg.h"
#include "mainwindow/viewer_settings.h"
#include "platform/bitmap_button.h"

namespace moksel {
namespace {

using testing::EngineRecorder;

void resetShared() {
    playbackState.volume = 64;
    playbackState.soundOn = 1;
    playbackState.brightness = 50;
    playbackState.contrast = 50;
}

class ViewerSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetShared();
        ASSERT_TRUE(folder.isValid());
        file = folder.filePath(QStringLiteral("moksel-viewer/moksel-viewer.conf"));
    }
    void TearDown() override { resetShared(); }

    std::unique_ptr<COstrelDlg> newWindow() {
        auto window = std::make_unique<COstrelDlg>(
            std::make_unique<EngineRecorder>(std::make_shared<EngineRecorder::Log>()));
        window->initialise();
        return window;
    }
    static int sliderPosition(COstrelDlg& window, PaneId id) {
        return static_cast<int>(dynamic_cast<SliderPane*>(window.pane(id))->slider()->send(GSM_GETPOS, 0, 0));
    }
    void write(const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
    }

    QTemporaryDir folder;
    QString file;
};

TEST_F(ViewerSettingsTest, AWindowsSettingsComeBackIntoTheNextWindow) {
    ViewerSettings chosen;
    chosen.volume = 100;
    chosen.soundOn = false;
    chosen.speedInMph = true;
    chosen.headingArrows = false;
    chosen.brightness = 30;
    chosen.contrast = 71;
    chosen.lastFolder = folder.path();
    chosen.windowPosition = QPoint(40, 30);
    {
        auto window = newWindow();
        chosen.mapShown = window->pane(PaneId::Map) != nullptr;  // no map in a build without it
        // Set the way the user sets them: sliders and buttons.
        chosen.applyTo(*window);
        window->show();
        EXPECT_EQ(ViewerSettings::of(*window), chosen);
        ASSERT_TRUE(ViewerSettings::of(*window).save(file));
    }
    resetShared();
    ASSERT_EQ(ViewerSettings::load(file), chosen);

    auto window = newWindow();
    EXPECT_EQ(ViewerSettings::of(*window).volume, 64);  // a new window starts from the defaults
    ViewerSettings::load(file).applyTo(*window);
    window->show();
    // The engine, the sliders and the panes all show the remembered values.
    EXPECT_EQ(playbackState.volume.load(), 100);
    EXPECT_EQ(sliderPosition(*window, PaneId::SoundVolume), 100);
    EXPECT_EQ(playbackState.soundOn.load(), 0);
    EXPECT_TRUE(window->button(kButtonMute)->isVisible());
    EXPECT_TRUE(dynamic_cast<OstrelShowSpeed*>(window->pane(PaneId::ShowSpeed))->useMph());
    EXPECT_FALSE(dynamic_cast<OstrelShowDIrection*>(window->pane(PaneId::ShowDirection))->arrowStyle());
    EXPECT_EQ(playbackState.brightness.load(), 30);
    EXPECT_EQ(sliderPosition(*window, PaneId::Brightness), 30);
    EXPECT_EQ(playbackState.contrast.load(), 71);
    EXPECT_EQ(sliderPosition(*window, PaneId::Contrast), 71);
    if (QWidget* map = window->pane(PaneId::Map)) EXPECT_TRUE(map->isVisible());
    EXPECT_EQ(window->fileList()->lastFolder(), folder.path());
    EXPECT_EQ(window->pos(), QPoint(40, 30));
    EXPECT_EQ(ViewerSettings::of(*window), chosen);
}

TEST_F(ViewerSettingsTest, DamagedOrForeignFilesGiveTheStartValuesAndAreReplacedWhole) {
    const ViewerSettings defaults;
    std::mt19937 random(7);
    QByteArray noise(4096, '\0');
    for (char& byte : noise) byte = static_cast<char>(random());
    QByteArray oversized;
    while (oversized.size() < 100 * 1024) oversized += "[sound]\nvolume=100\n";

    struct Case {
        const char* what;
        QByteArray bytes;
        int volume;  // what load gives
    } cases[] = {
        {"random bytes", noise, 64},
        {"empty", QByteArray(), 64},
        {"values out of range or of the wrong kind",
         "[sound]\nvolume=500\non=maybe\n[picture]\nbrightness=-3\ncontrast=abc\n[window]\nx=1\n", 64},
        {"one good value among bad ones", "[sound]\nvolume=100\n[picture]\nbrightness=x\n", 100},
        {"cut off in a section name: the whole file counts as damaged", "[sound]\nvolume=96\n[pict", 64},
        {"far too large for a settings file", oversized, 64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write(c.bytes);
        ViewerSettings expected;
        expected.volume = c.volume;
        EXPECT_EQ(ViewerSettings::load(file), expected);
        // The next save leaves a whole file that reads back as written.
        ViewerSettings saved;
        saved.contrast = 12;
        saved.lastFolder = QStringLiteral("/media/card");
        ASSERT_TRUE(saved.save(file));
        EXPECT_EQ(ViewerSettings::load(file), saved);
        EXPECT_FALSE(QFile::exists(file + QStringLiteral(".new")));
    }

    // Something that is no file in its place: a folder, a pipe nobody writes to (reading it
    // would wait for ever). Neither stops the start.
    QFile::remove(file);
    ASSERT_TRUE(QDir().mkpath(file));
    EXPECT_EQ(ViewerSettings::load(file), defaults);
    EXPECT_FALSE(defaults.save(file));  // said on stderr, nothing lost, nothing thrown
    ASSERT_TRUE(QDir(file).removeRecursively());
    ASSERT_EQ(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    EXPECT_EQ(ViewerSettings::load(file), defaults);
    QFile::remove(file);

    // A window given the start values from a damaged file starts as a new one does.
    write(noise);
    auto window = newWindow();
    ViewerSettings::load(file).applyTo(*window);
    auto fresh = ViewerSettings::of(*window);
    fresh.windowPosition.reset();
    EXPECT_EQ(fresh, defaults);
}

}  // namespace
}  // namespace moksel
