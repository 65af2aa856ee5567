// The camera's configuration file: the written bytes against the camera's own layout, reading
// values the way the camera's files hold them, the search order on the cards, and saving that
// never loses the card's file.
#include "device/camera_config_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <chrono>
#include <filesystem>
#include <future>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace moksel {
namespace {

// The camera's file, line by line: key, padding, the template's value.
struct Line {
    const char* key;
    std::string padding;
    const char* value;
};
std::string blanks(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}
const std::vector<Line> kCameraLines = {
    {"rec_time", blanks(20), "60"},
    {"lang_mode", blanks(19), "1056"},
    {"rec_quality", "\t\t\t", "0"},
    {"parking_mode", blanks(17), "1"},
    {"resolution", blanks(18), "1"},
    {"boot_recording", blanks(14), "1"},
    {"water_mark", blanks(18), "1"},
    {"record_mute", blanks(17), "1"},
    {"gsensor_level", blanks(15), "2"},
    {"md_level", blanks(20), "1"},
    {"md_sensitivity", blanks(15), "4"},
    {"pip_switch", blanks(18), "0"},
    {"bright_level", blanks(16), "3"},
    {"speaker_volume", blanks(14), "3"},
    {"microphone_volume", blanks(11), "2"},
    {"udat_switch", blanks(17), "1"},
    {"switch_to_park_time", blanks(9), "0"},
    {"time_zone", blanks(19), "9"},
    {"summer_time", blanks(19), "0"},
    {"voice_guide_mode", blanks(12), "2"},
    {"keytone", blanks(21), "1"},
    {"gps_module", blanks(18), "0"},
    {"gps_frame_type", blanks(14), "0"},
    {"tp_adjust_finish", blanks(12), "1"},
    {"screen_save_time", blanks(12), "0"},
};

// The file the camera expects, with `values` (key -> text) in place of the template's.
std::string cameraFile(const std::map<std::string, std::string>& values = {}) {
    std::string text = "[system_set]\r\n";
    for (const Line& line : kCameraLines) {
        const auto it = values.find(line.key);
        text += std::string(line.key) + line.padding + "= " +
                (it != values.end() ? it->second : line.value) + "\r\n";
    }
    return text;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

DeviceSettings distinctValues() {
    DeviceSettings s;
    s.screen_save_time = 1;
    s.record_mute = 0;
    s.voice_guide_mode = 3;
    s.lang_mode = 1024;
    s.gsensor_level = 4;
    s.parking_mode = 0;
    s.summer_time = 1;
    s.rec_quality = 2;
    s.md_sensitivity = 0;
    return s;
}

TEST(SetupFile, DefaultsAreWrittenInTheCamerasExactLayout) {
    const std::string text = setupFileText(DeviceSettings{});
    ASSERT_EQ(text.size(), kSetupFileBytes);
    EXPECT_EQ(text, cameraFile({{"screen_save_time", "3"}, {"md_sensitivity", "2"}}));
}

TEST(SetupFile, EachValueLandsInItsLineAndFixedKeysKeepTheTemplate) {
    const std::string text = setupFileText(distinctValues());
    ASSERT_EQ(text.size(), 833u);
    EXPECT_EQ(text, cameraFile({{"lang_mode", "1024"},
                                {"rec_quality", "2"},
                                {"parking_mode", "0"},
                                {"record_mute", "0"},
                                {"gsensor_level", "4"},
                                {"md_sensitivity", "0"},
                                {"summer_time", "1"},
                                {"voice_guide_mode", "3"},
                                {"screen_save_time", "1"}}));
}

TEST(SetupFile, ValuesWithoutADigitFormAreWrittenAsTheirDefaults) {
    DeviceSettings s;
    s.lang_mode = 999;
    EXPECT_EQ(setupFileText(s).substr(78, 4), "0999");
    s.lang_mode = -5;
    EXPECT_EQ(setupFileText(s).substr(78, 4), "1056");
    s.md_sensitivity = 7;  // a value from the card's file that no option offers
    EXPECT_EQ(setupFileText(s)[366], '7');
    s.md_sensitivity = 12;
    s.record_mute = -1;
    EXPECT_EQ(setupFileText(s)[366], '2');
    EXPECT_EQ(setupFileText(s)[266], '1');
}

TEST(SetupFile, ReadsValuesTheWayTheCamerasFilesHoldThem) {
    DeviceSettings s = distinctValues();
    readDeviceSettings(cameraFile(), s);
    // The template's own values where present, defaults for none (all keys present).
    EXPECT_EQ(s.lang_mode, 1056);
    EXPECT_EQ(s.md_sensitivity, 4);
    EXPECT_EQ(s.screen_save_time, 0);

    readDeviceSettings(
        "[SYSTEM_SET]\n"
        "  Lang_Mode = 1056abc \n"
        "record_mute=12\n"
        "voice_guide_mode = x\n"
        "gsensor_level = -1\n"
        "parking_mode =\n"
        "summer_time = \"1\"\n"
        "rec_quality = 2\n"
        "rec_quality = 1\n"
        "[other]\n"
        "md_sensitivity = 0\n",
        s);
    EXPECT_EQ(s.lang_mode, 1056);      // first four characters
    EXPECT_EQ(s.record_mute, 1);       // first character only
    EXPECT_EQ(s.voice_guide_mode, 0);  // no number
    EXPECT_EQ(s.gsensor_level, 0);     // "-" alone
    EXPECT_EQ(s.parking_mode, 1);      // empty value: default
    EXPECT_EQ(s.summer_time, 1);       // quotes dropped
    EXPECT_EQ(s.rec_quality, 2);       // the first of two
    EXPECT_EQ(s.md_sensitivity, 2);    // another section's key: default
    EXPECT_EQ(s.screen_save_time, 3);  // missing: default

    readDeviceSettings("\xEF\xBB\xBF[system_set]\r\nlang_mode=1024\r\nmd_sensitivity = 7\r\n", s);
    EXPECT_EQ(s.lang_mode, 1024);
    EXPECT_EQ(s.md_sensitivity, 7);
    readDeviceSettings("md_sensitivity = 7\n[system_set]\n", s);  // before any section
    EXPECT_EQ(s.md_sensitivity, 2);
    EXPECT_EQ(s.lang_mode, 1056);
}

TEST(SetupFile, TheCardsValuesOfKeysTheViewerDoesNotEditAreKept) {
    // A card set to three-minute recordings, a quiet speaker and another resolution: a save of
    // the nine edited values must not put the layout's values in their place.
    DeviceSettings s;
    readDeviceSettings(
        "[system_set]\r\nrec_time = 180\r\nspeaker_volume = 1\r\nresolution = 0\r\n"
        "time_zone = 0\r\nbright_level = x\r\nwifi = 1\r\nlang_mode = 1024\r\n",
        s);
    EXPECT_EQ(s.lang_mode, 1024);
    s.screen_save_time = 1;
    const std::string text = setupFileText(s);
    EXPECT_NE(text.find("\r\nrec_time                    = 180\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nspeaker_volume              = 1\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nresolution                  = 0\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nbright_level                = 3\r\n"), std::string::npos) << "no number: the layout's";
    EXPECT_NE(text.find("\r\ntime_zone                   = 9\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nlang_mode                   = 1024\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nscreen_save_time            = 1\r\n"), std::string::npos);
    EXPECT_EQ(text.find("wifi"), std::string::npos);
    EXPECT_EQ(text.size(), kSetupFileBytes + 1);  // one digit more than the layout's "60"

    // Read back, the same; the defaults button keeps them too.
    DeviceSettings again;
    readDeviceSettings(text, again);
    EXPECT_EQ(again, s);
    ResetDeviceSettings(again);
    EXPECT_EQ(again.keptValues, s.keptValues);
}

TEST(SetupFile, ResetKeepsTheNaming) {
    DeviceSettings s = distinctValues();
    s.naming = SetupNaming::Prefixed;
    ResetDeviceSettings(s);
    DeviceSettings expected;
    expected.naming = SetupNaming::Prefixed;
    EXPECT_EQ(s, expected);
}

class Cards : public ::testing::Test {
protected:
    Cards() : root(fs::temp_directory_path() / ("moksel-cards-" + std::to_string(::getpid()))) {
        fs::remove_all(root);
        for (const char* drive : {"d", "e", "f"}) fs::create_directories(root / drive);
    }
    ~Cards() override {
        std::error_code error;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(root, error);
    }

    std::string drive(const char* name) const { return (root / name).string() + "/"; }
    std::vector<std::string> files(const char* name) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(root / name)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root;
};

TEST_F(Cards, TheFirstFileInSearchOrderIsChosenAndTheNamingFollowsTheCard) {
    writeFile(root / "e/setup.ini", cameraFile({{"lang_mode", "1024"}}));
    writeFile(root / "e/setting/velta_setup.new", cameraFile({{"md_sensitivity", "7"}}));
    DeviceSettings s;
    SetupFileSearch search = FindSetupFile({drive("d"), drive("e"), drive("f")}, s);
    ASSERT_TRUE(search.found);
    EXPECT_EQ(search.path, drive("e") + "setting/velta_setup.new");
    EXPECT_EQ(search.driveIndex, 1);
    EXPECT_EQ(s.naming, SetupNaming::Prefixed);
    ASSERT_TRUE(LoadDeviceSettings(search.path, s));
    EXPECT_EQ(s.md_sensitivity, 7);

    // The save goes to the root as velta_setup.new; setup.ini and the folder stay as they were.
    const std::string setupIni = readFile(root / "e/setup.ini");
    EXPECT_EQ(SaveDeviceSettings(s, drive("e")), SaveResult::Written);
    EXPECT_EQ(readFile(root / "e/velta_setup.new"), setupFileText(s));
    EXPECT_EQ(readFile(root / "e/velta_setup.new")[366], '7');
    EXPECT_EQ(readFile(root / "e/setup.ini"), setupIni);
    EXPECT_EQ(files("e"), (std::vector<std::string>{"setting", "setup.ini", "velta_setup.new"}));

    // Opened again before the camera took the save in, the editor shows what was saved.
    s.md_sensitivity = 1;
    EXPECT_EQ(SaveDeviceSettings(s, drive("e")), SaveResult::Written);
    DeviceSettings reopened;
    search = FindSetupFile({drive("e")}, reopened);
    EXPECT_EQ(search.path, drive("e") + "velta_setup.new");
    EXPECT_EQ(reopened.naming, SetupNaming::Prefixed);
    ASSERT_TRUE(LoadDeviceSettings(search.path, reopened));
    EXPECT_EQ(reopened.md_sensitivity, 1);
}

TEST_F(Cards, OldFilesAreReadWithTheNamingOfTheirCard) {
    writeFile(root / "d/setting/velta_setup.old", cameraFile());
    DeviceSettings s;
    EXPECT_EQ(FindSetupFile({drive("d")}, s).path, drive("d") + "setting/velta_setup.old");
    EXPECT_EQ(setupFilePath(drive("d"), s.naming), drive("d") + "velta_setup.new");

    writeFile(root / "f/setting/setup.old", cameraFile());
    const SetupFileSearch search = FindSetupFile({drive("e"), drive("f")}, s);
    EXPECT_EQ(search.path, drive("f") + "setting/setup.old");
    EXPECT_EQ(search.driveIndex, 1);
    EXPECT_EQ(s.naming, SetupNaming::Plain);
    EXPECT_EQ(SaveDeviceSettings(s, drive("f")), SaveResult::Written);
    EXPECT_EQ(readFile(root / "f/setup.ini").size(), 833u);
}

TEST_F(Cards, WithoutAFileNothingIsFoundAndANewSetupIniCanBeWritten) {
    fs::create_directories(root / "d/setup.ini");  // a folder is no file
    DeviceSettings s;
    s.naming = SetupNaming::Prefixed;
    const SetupFileSearch search = FindSetupFile({drive("d"), drive("e")}, s);
    EXPECT_FALSE(search.found);
    EXPECT_EQ(search.driveIndex, -1);
    EXPECT_EQ(s.naming, SetupNaming::Plain);
    EXPECT_FALSE(FindSetupFile({}, s).found);

    EXPECT_EQ(SaveDeviceSettings(s, drive("e")), SaveResult::Written);
    DeviceSettings loaded = distinctValues();
    ASSERT_TRUE(LoadDeviceSettings(drive("e") + "setup.ini", loaded));
    EXPECT_EQ(loaded, DeviceSettings{});
    // Writing again gives the same bytes and leaves no temporary file behind.
    EXPECT_EQ(SaveDeviceSettings(s, drive("e")), SaveResult::Written);
    EXPECT_EQ(files("e"), std::vector<std::string>{"setup.ini"});
}

TEST_F(Cards, ACardFileThatCannotBeReplacedIsLeftAsItWas) {
    const std::string original = cameraFile({{"lang_mode", "1024"}});
    writeFile(root / "d/setup.ini", original);
    ::chmod((root / "d/setup.ini").c_str(), 0444);
    DeviceSettings s;
    EXPECT_EQ(SaveDeviceSettings(s, drive("d")), SaveResult::OpenFailed);
    EXPECT_EQ(readFile(root / "d/setup.ini"), original);

    fs::create_directories(root / "e/setup.ini");
    EXPECT_EQ(SaveDeviceSettings(s, drive("e")), SaveResult::OpenFailed);
    EXPECT_EQ(SaveDeviceSettings(s, drive("gone")), SaveResult::OpenFailed);
    EXPECT_EQ(SaveDeviceSettings(s, ""), SaveResult::OpenFailed);
    EXPECT_EQ(files("d"), std::vector<std::string>{"setup.ini"});
}

TEST_F(Cards, AWriteThatStopsShortKeepsTheOldFile) {
    const std::string original = cameraFile({{"lang_mode", "1024"}});
    writeFile(root / "d/setup.ini", original);
    // A card that takes only 500 bytes more: writes past that fail as on a full card.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 500;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const SaveResult result = SaveDeviceSettings(DeviceSettings{}, drive("d"));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(result, SaveResult::ShortWrite);
    EXPECT_EQ(readFile(root / "d/setup.ini"), original);
    EXPECT_EQ(files("d"), std::vector<std::string>{"setup.ini"});
}

TEST_F(Cards, AnUnreadableFileLoadsTheDefaults) {
    DeviceSettings s = distinctValues();
    EXPECT_FALSE(LoadDeviceSettings(drive("d") + "missing.ini", s));
    EXPECT_EQ(s, DeviceSettings{});
    s = distinctValues();
    EXPECT_FALSE(LoadDeviceSettings(drive("d"), s));  // a folder
    EXPECT_EQ(s, DeviceSettings{});
    // A damaged file: whatever keys survive are read, the rest default.
    writeFile(root / "d/setup.ini", cameraFile().substr(0, 120) + std::string("\0\xff\x01", 3));
    s = distinctValues();
    EXPECT_TRUE(LoadDeviceSettings(drive("d") + "setup.ini", s));
    EXPECT_EQ(s.lang_mode, 1056);
    EXPECT_EQ(s.rec_quality, 0);
    EXPECT_EQ(s.parking_mode, 1);
    EXPECT_EQ(s.screen_save_time, 3);
}

TEST_F(Cards, LinksPipesAndDevicesAreNeverReadSoTheSearchCannotHang) {
    // The first names in search order lead to a pipe that nobody writes and to a device; the
    // plain setup.ini after them is the file.
    fs::create_directories(root / "d/setting");
    ASSERT_EQ(::mkfifo((root / "pipe").c_str(), 0600), 0);
    fs::create_symlink(root / "pipe", root / "d/setting/velta_setup.new");
    fs::create_symlink("/dev/zero", root / "d/setting/velta_setup.old");
    writeFile(root / "d/setup.ini", cameraFile());
    DeviceSettings s;
    const SetupFileSearch search = FindSetupFile({drive("d")}, s);
    EXPECT_EQ(search.path, drive("d") + "setup.ini");

    // Reading a link or a pipe by its path is refused at once rather than waited on.
    auto loadsWithin = [](std::string path, bool& loaded) {
        auto reading = std::async(std::launch::async, [path] {
            DeviceSettings settings;
            return LoadDeviceSettings(path, settings);
        });
        const bool ended = reading.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
        if (!ended) {
            // Let a reader stuck on the pipe go: a writer that closes at once.
            const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        }
        loaded = reading.get();
        return ended;
    };
    bool loaded = true;
    EXPECT_TRUE(loadsWithin(drive("d") + "setting/velta_setup.new", loaded)) << "the read waited on a pipe";
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(loadsWithin((root / "pipe").string(), loaded));
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(loadsWithin(drive("d") + "setting/velta_setup.old", loaded));
    EXPECT_FALSE(loaded);
}

}  // namespace
}  // namespace moksel
