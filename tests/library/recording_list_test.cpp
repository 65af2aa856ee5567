// The recording list model: what a scan lists and how, sorting, selection moves, drive removal
// and stopping a scan.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>

#include "library/recording_list.h"
#include "list_fixtures.h"

#include "recording_generator.h"

namespace moksel {
namespace {

using testing::FakeMainWindow;
using testing::RecordingTree;
using Column = RecordingList::SortColumn;

std::vector<std::string> names(const RecordingList& list) {
    std::vector<std::string> result;
    for (int i = 0; i < list.count(); ++i) result.push_back(list.entry(i).fileName);
    return result;
}

// Fills a list with `n` normal recordings one minute apart, in name order.
void fillWith(RecordingList& list, const RecordingTree& tree, int n) {
    std::vector<std::string> paths;
    for (int i = 0; i < n; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "drf0_20120301_08%02d00.mp4", i);
        paths.push_back(tree.file(std::string("many/") + name, 100));
    }
    list.openFiles(paths);
}

TEST(RecordingList, ScanListsFrontRecordingsWithTypeDateKeysAndSize) {
    RecordingTree tree;
    tree.file("drf0_20120301_081500.mp4", 3 * 1048576);
    tree.file("drf1_20120301_081500.mp4", 10);  // rear partners are never listed
    tree.file("evt0_20130415_230159.mp4", 7);
    tree.file("evt1_20130415_230159.mp4", 7);
    tree.file("mod0_20111231_000001.mp4", 0);
    tree.file("mod1_20111231_000001.mp4", 0);
    tree.file("abc0_20120301_081500.mp4", 1);  // unknown prefix: listed as other
    tree.file("drf0_20120301_081500.mp4.bak", 1);
    tree.file("drf0_20120301_081500.avi", 1);
    tree.file("notes.txt", 1);
    tree.folder("drf0_20990101_000000.mp4");  // a folder with a recording's name is not listed

    RecordingList list;
    list.setEventDrain([] {});
    list.scanTree(tree.root());

    ASSERT_EQ(names(list), (std::vector<std::string>{"abc0_20120301_081500.mp4",
                                                     "drf0_20120301_081500.mp4",
                                                     "evt0_20130415_230159.mp4",
                                                     "mod0_20111231_000001.mp4"}));
    const RecordingEntry& other = list.entry(0);
    const RecordingEntry& normal = list.entry(1);
    const RecordingEntry& event = list.entry(2);
    const RecordingEntry& motion = list.entry(3);
    EXPECT_EQ(other.type, RecordingType::Other);
    EXPECT_EQ(normal.type, RecordingType::Normal);
    EXPECT_EQ(event.type, RecordingType::Event);
    EXPECT_EQ(motion.type, RecordingType::Motion);
    EXPECT_EQ(event.typeKey, 1);
    EXPECT_EQ(other.typeKey, 3);

    EXPECT_EQ(normal.dateText, "12.03.01 08:15:00");
    EXPECT_EQ(event.dateText, "13.04.15 23:01:59");
    EXPECT_EQ(normal.dateKey, 120301081500ULL);
    EXPECT_EQ(event.dateKey, 130415230159ULL);
    // NAME key: event 1, motion and other 2, normal 3, times 10^11, plus the date.
    EXPECT_EQ(normal.typeDateKey, 300000000000ULL + 120301081500ULL);
    EXPECT_EQ(event.typeDateKey, 100000000000ULL + 130415230159ULL);
    EXPECT_EQ(motion.typeDateKey, 200000000000ULL + 111231000001ULL);
    EXPECT_EQ(other.typeDateKey, 200000000000ULL + 120301081500ULL);

    EXPECT_EQ(normal.size, 3u * 1048576u);
    EXPECT_EQ(event.size, 7u);
    EXPECT_EQ(normal.folder, tree.root());
    EXPECT_EQ(normal.path(), tree.path("drf0_20120301_081500.mp4"));
}

TEST(RecordingList, DateKeysReadLeadingDigitsOnly) {
    // Day "3a" reads 3, hour "b8" reads 0, second "5c" reads 5.
    const RecordingEntry e = makeRecordingEntry("/x", "drf0_2012033a_b8155c.mp4", 0);
    EXPECT_EQ(e.dateKey, 12ULL * 10000000000ULL + 3ULL * 100000000ULL + 3ULL * 1000000ULL +
                             0ULL * 10000ULL + 15ULL * 100ULL + 5ULL);
    // A name too short for a date (possible from the open-file dialog) gives no date.
    const RecordingEntry shortName = makeRecordingEntry("/x", "drf0_1.mp4", 0);
    EXPECT_EQ(shortName.dateText, "");
    EXPECT_EQ(shortName.dateKey, 0u);
    EXPECT_EQ(shortName.typeDateKey, 300000000000ULL);
}

TEST(RecordingList, SizesKeepTheLow32BitsAndFailedLookupsStillList) {
    RecordingTree tree;
    const std::string big = tree.file("drf0_20120301_081500.mp4", 5ULL << 30);  // sparse 5 GiB
    const std::string missing = tree.path("evt0_20120301_081600.mp4");
    std::vector<QString> notices;
    RecordingList list;
    list.setNotice([&](const QString& text) { notices.push_back(text); });
    list.openFiles({big, missing});

    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.entry(0).size, 1ULL << 30);
    EXPECT_EQ(list.entry(1).size, 0u);
    EXPECT_EQ(list.entry(1).type, RecordingType::Event);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], QStringLiteral("파일 안열리네"));
}

TEST(RecordingList, SortTogglesPerColumnStablyAndKeepsTheSelectedEntry) {
    RecordingTree tree;
    RecordingList list;
    int repaints = 0;
    list.setRepaintRows([&](bool) { ++repaints; });
    list.openFiles({tree.file("a/drf0_20120301_090000.mp4"), tree.file("a/evt0_20120301_080000.mp4"),
                    tree.file("a/drf0_20120301_070000.mp4"), tree.file("a/mod0_20120301_100000.mp4"),
                    tree.file("b/evt0_20120301_080000.mp4")});
    list.click(50, 18 + 20 * 4 + 5);  // select b/evt0_..._080000
    ASSERT_EQ(list.selection(), 4);
    const std::string selected = list.entry(4).path();

    list.toggleSort(Column::Date);
    EXPECT_EQ(list.sortState(Column::Date), RecordingList::kAscending);
    // Equal dates keep their order: a/evt before b/evt.
    EXPECT_EQ(list.entry(0).fileName, "drf0_20120301_070000.mp4");
    EXPECT_EQ(list.entry(1).folder, tree.path("a"));
    EXPECT_EQ(list.entry(2).folder, tree.path("b"));
    // The selection stays on the file the user picked, though another file shares its name.
    EXPECT_EQ(list.entry(list.selection()).path(), selected);

    list.toggleSort(Column::Date);
    EXPECT_EQ(list.sortState(Column::Date), RecordingList::kDescending);
    EXPECT_EQ(list.entry(0).fileName, "mod0_20120301_100000.mp4");
    EXPECT_EQ(list.entry(2).folder, tree.path("a"));  // still stable in descending order
    EXPECT_EQ(list.entry(list.selection()).path(), selected);
    list.toggleSort(Column::Date);
    EXPECT_EQ(list.sortState(Column::Date), RecordingList::kAscending);

    // TYPE resets DATE, so DATE starts ascending again.
    list.toggleSort(Column::Type);
    EXPECT_EQ(list.sortState(Column::Type), RecordingList::kAscending);
    EXPECT_EQ(list.sortState(Column::Date), RecordingList::kUnsorted);
    EXPECT_EQ(list.entry(0).type, RecordingType::Normal);
    EXPECT_EQ(list.entry(2).type, RecordingType::Event);
    EXPECT_EQ(list.entry(4).type, RecordingType::Motion);
    list.toggleSort(Column::Date);
    EXPECT_EQ(list.sortState(Column::Date), RecordingList::kAscending);

    // NAME: events first, then motion, then normal, each by date.
    list.toggleSort(Column::Name);
    EXPECT_EQ(names(list), (std::vector<std::string>{
                               "evt0_20120301_080000.mp4", "evt0_20120301_080000.mp4",
                               "mod0_20120301_100000.mp4", "drf0_20120301_070000.mp4",
                               "drf0_20120301_090000.mp4"}));
    EXPECT_EQ(list.entry(list.selection()).path(), selected);
    EXPECT_GT(repaints, 0);

    // A list of one entry is not reordered or repainted.
    RecordingList single;
    int singleRepaints = 0;
    single.openFiles({tree.file("drf0_20120301_070000.mp4")});
    single.setRepaintRows([&](bool) { ++singleRepaints; });
    single.toggleSort(Column::Date);
    EXPECT_EQ(singleRepaints, 0);
}

TEST(RecordingList, NextAndPreviousWrapAroundScrollAndAskToPlay) {
    RecordingTree tree;
    FakeMainWindow mainWindow;
    RecordingList list;
    list.setMainWindow(&mainWindow);
    fillWith(list, tree, 30);
    ASSERT_EQ(list.scrollBar().maximum(), 18);

    // No selection: nothing moves, nothing plays.
    list.SelectNext();
    list.SelectPrevious();
    EXPECT_EQ(list.selection(), -1);
    EXPECT_EQ(mainWindow.count(UM_CMD_PLAY), 0);

    list.click(50, 18 + 20 * 11 + 1);  // bottom row
    ASSERT_EQ(list.selection(), 11);
    list.SelectNext();  // leaves the view: becomes the bottom row
    EXPECT_EQ(list.selection(), 12);
    EXPECT_EQ(list.top(), 1);
    EXPECT_EQ(list.selectedPath(), list.entry(12).path());
    EXPECT_EQ(mainWindow.count(UM_CMD_PLAY), 1);

    list.SelectPrevious();  // still visible: no scroll
    EXPECT_EQ(list.selection(), 11);
    EXPECT_EQ(list.top(), 1);
    list.SelectPrevious();
    list.SelectPrevious();
    EXPECT_EQ(list.selection(), 9);
    EXPECT_EQ(list.top(), 1);
    list.scrollBy(9);  // the selection scrolls out of view, above
    ASSERT_EQ(list.top(), 10);
    list.SelectPrevious();  // becomes the top row
    EXPECT_EQ(list.selection(), 8);
    EXPECT_EQ(list.top(), 8);

    for (int i = 0; i < 21; ++i) list.SelectNext();
    EXPECT_EQ(list.selection(), 29);
    EXPECT_EQ(list.top(), 18);
    list.SelectNext();  // wraps to the first and scrolls to the top
    EXPECT_EQ(list.selection(), 0);
    EXPECT_EQ(list.top(), 0);
    list.SelectPrevious();  // wraps to the last; the last 12 show
    EXPECT_EQ(list.selection(), 29);
    EXPECT_EQ(list.top(), 18);
    EXPECT_EQ(list.selectedPath(), list.entry(29).path());
    EXPECT_EQ(mainWindow.count(UM_CMD_PLAY), 1 + 3 + 1 + 21 + 2);

    // Fewer entries than rows: wrapping back shows them all from the top.
    RecordingList few;
    fillWith(few, tree, 5);
    few.click(50, 20);
    few.SelectPrevious();
    EXPECT_EQ(few.selection(), 4);
    EXPECT_EQ(few.top(), 0);
    QString name;
    ASSERT_TRUE(few.GetSelectedName(name));
    EXPECT_EQ(name, QStringLiteral("drf0_20120301_080400.mp4"));
}

TEST(RecordingList, ClearingEmptiesEverythingButTheSelectedPath) {
    RecordingTree tree;
    RecordingList list;
    fillWith(list, tree, 20);
    list.click(10, 30);
    list.toggleSort(Column::Date);
    list.scrollBy(4);
    const std::string path = list.selectedPath();
    list.ClearList();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.selection(), -1);
    EXPECT_EQ(list.top(), 0);
    EXPECT_EQ(list.scrollBar().maximum(), 0);
    EXPECT_EQ(list.sortState(Column::Date), RecordingList::kUnsorted);
    EXPECT_EQ(list.selectedPath(), path);
    QString name;
    EXPECT_FALSE(list.GetSelectedName(name));
}

TEST(RecordingList, RemovingADriveKeepsOtherVolumesInOrder) {
    RecordingTree tree;
    RecordingList list;
    list.openFiles({tree.file("card/drf0_20120301_080000.mp4"),
                    tree.file("disk/drf0_20120301_080100.mp4"),
                    tree.file("card/DCIM/evt0_20120301_080200.mp4"),
                    tree.file("cardboard/drf0_20120301_080300.mp4"),  // same prefix, other volume
                    tree.file("disk/drf0_20120301_080400.mp4")});
    list.click(10, 18 + 20 * 4 + 2);
    ASSERT_EQ(list.selection(), 4);

    list.RemoveDrive(tree.path("card") + "/");
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.entry(0).fileName, "drf0_20120301_080100.mp4");
    EXPECT_EQ(list.entry(1).folder, tree.path("cardboard"));
    EXPECT_EQ(list.entry(2).fileName, "drf0_20120301_080400.mp4");
    EXPECT_EQ(list.selection(), 2);  // still the same recording
    EXPECT_EQ(list.scrollBar().maximum(), 3 - 12);

    // The selected recording goes with its drive: nothing stays selected.
    list.RemoveDrive(tree.path("disk"));
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(list.selection(), -1);
    QString name;
    EXPECT_FALSE(list.GetSelectedName(name));
}

TEST(RecordingList, ScansNestedFoldersDepthFirstAndReportsEachFolder) {
    RecordingTree tree;
    tree.file("2012/03/drf0_20120301_080000.mp4");
    tree.file("2012/drf0_20120201_080000.mp4");
    tree.file("2011/evt0_20111201_080000.mp4");
    tree.file("zz/deeper/still/mod0_20120501_080000.mp4");
    tree.file("top0_20120101_080000.mp4");
    // A link back up the tree must not make the scan go round for ever.
    std::filesystem::create_directory_symlink(tree.root(), tree.path("zz/deeper/loop"));

    FakeMainWindow mainWindow;
    RecordingList list;
    list.setMainWindow(&mainWindow);
    int drains = 0;
    list.setEventDrain([&] {
        ++drains;
        QCoreApplication::processEvents();  // delivers the posted folder reports
    });
    list.scanTree(tree.root());
    QCoreApplication::processEvents();

    EXPECT_EQ(names(list), (std::vector<std::string>{
                               "evt0_20111201_080000.mp4", "drf0_20120301_080000.mp4",
                               "drf0_20120201_080000.mp4", "top0_20120101_080000.mp4",
                               "mod0_20120501_080000.mp4"}));
    EXPECT_EQ(list.entry(1).folder, tree.path("2012/03"));
    EXPECT_GE(drains, 10);  // once per directory item

    // Begin, one report per folder entered (the root first), end.
    const auto numbers = mainWindow.numbers();
    ASSERT_GE(numbers.size(), 2u);
    EXPECT_EQ(numbers.front(), UM_SCAN_BEGIN);
    EXPECT_EQ(numbers.back(), UM_SCAN_END);
    std::vector<QString> folders;
    for (const auto& m : mainWindow.log) {
        if (m.number == UM_SCAN_FOLDER) {
            EXPECT_EQ(m.w, reinterpret_cast<WParam>(&list.currentFolder()));
            folders.push_back(m.folderText);
        }
    }
    ASSERT_FALSE(folders.empty());
    EXPECT_EQ(folders.front(), QString::fromStdString(tree.root()));
    EXPECT_TRUE(std::find(folders.begin(), folders.end(),
                          QString::fromStdString(tree.path("zz/deeper/still"))) != folders.end());
    // The box keeps showing the folder entered last.
    EXPECT_EQ(list.currentFolder(), QString::fromStdString(tree.path("zz/deeper/still")));
}

TEST(RecordingList, UnreadableFoldersContributeNothingAndLoseNothing) {
    if (::geteuid() == 0) GTEST_SKIP() << "the administrator reads every folder";
    RecordingTree tree;
    tree.file("open/drf0_20120301_080000.mp4");
    tree.file("locked/drf0_20120301_090000.mp4");
    std::filesystem::permissions(tree.path("locked"), std::filesystem::perms::none);
    RecordingList list;
    list.setEventDrain([] {});
    list.scanTree(tree.root());
    std::filesystem::permissions(tree.path("locked"), std::filesystem::perms::owner_all);
    EXPECT_EQ(names(list), std::vector<std::string>{"drf0_20120301_080000.mp4"});
}

TEST(RecordingList, StoppingAScanKeepsWhatItFound) {
    RecordingTree tree;
    for (int i = 0; i < 40; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "d%02d/drf0_20120301_08%02d00.mp4", i, i);
        tree.file(name);
    }
    FakeMainWindow mainWindow;
    RecordingList list;
    list.setMainWindow(&mainWindow);
    // The user presses stop while the scan is in its fifth folder.
    int folders = 0;
    list.setEventDrain([&] {
        QCoreApplication::processEvents();
    });
    mainWindow.onMessage = [&](unsigned number, WParam) {
        if (number == UM_SCAN_FOLDER && ++folders == 6) list.stopScan();
    };
    list.scanTree(tree.root());

    EXPECT_FALSE(list.scanning());
    EXPECT_GE(list.count(), 4);
    EXPECT_LT(list.count(), 40);
    for (int i = 0; i < list.count(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "drf0_20120301_08%02d00.mp4", i);
        EXPECT_EQ(list.entry(i).fileName, name);  // the first folders', in order
    }
    EXPECT_EQ(mainWindow.numbers().back(), UM_SCAN_END);
    EXPECT_EQ(mainWindow.count(UM_SCAN_BEGIN), 1);
    EXPECT_EQ(list.scrollBar().maximum(), list.count() - 12);
}

TEST(RecordingList, AScanShowsTheEmptiedRowsBeforeItReadsTheTree) {
    RecordingTree tree;
    tree.file("a/drf0_20120301_080000.mp4");
    RecordingList list;
    fillWith(list, tree, 3);
    list.click(100, 18 + 10);  // row 0 selected: its bar is painted
    ASSERT_EQ(list.selection(), 0);

    // Each repaint says whether the rows it showed had a selection on them.
    std::vector<bool> paintedWithBar;
    list.setRepaintRows([&](bool) { paintedWithBar.push_back(list.selection() >= 0); });
    bool repaintedBeforeFirstItem = false;
    list.setEventDrain([&] {
        if (!repaintedBeforeFirstItem) {
            repaintedBeforeFirstItem = !paintedWithBar.empty() && !paintedWithBar.back();
        }
    });
    paintedWithBar.clear();
    list.scanTree(tree.root() + "/a");
    EXPECT_TRUE(repaintedBeforeFirstItem) << "the old bar stays on screen while the scan runs";
}

TEST(RecordingList, DropAppendsFilesAndScansFolders) {
    RecordingTree tree;
    const std::string file = tree.file("one/drf0_20120301_080000.mp4", 42);
    tree.file("folder/evt0_20120301_090000.mp4");
    tree.file("folder/evt1_20120301_090000.mp4");
    tree.file("drf0_20120302_080000.mp4/mod0_20120303_080000.mp4");  // folder named as a file
    const std::string rear = tree.file("one/drf1_20120301_080000.mp4");
    FakeMainWindow mainWindow;
    RecordingList list;
    list.setMainWindow(&mainWindow);
    list.setEventDrain([] {});
    int repaints = 0;
    list.setRepaintRows([&](bool unlessCovered) { repaints += unlessCovered ? 0 : 1; });

    list.drop({file, file, rear});
    EXPECT_EQ(list.count(), 2);  // the same file twice, the rear file not at all
    EXPECT_EQ(list.entry(1).size, 42u);
    EXPECT_EQ(mainWindow.count(UM_SCAN_BEGIN), 0);
    EXPECT_EQ(repaints, 1);  // repainted without asking the map

    list.drop({tree.path("folder") + "/", tree.path("drf0_20120302_080000.mp4")});
    EXPECT_EQ(names(list), (std::vector<std::string>{
                               "drf0_20120301_080000.mp4", "drf0_20120301_080000.mp4",
                               "evt0_20120301_090000.mp4", "mod0_20120303_080000.mp4"}));
    EXPECT_EQ(list.entry(2).folder, tree.path("folder"));
    EXPECT_EQ(mainWindow.count(UM_SCAN_BEGIN), 2);
    EXPECT_EQ(mainWindow.count(UM_SCAN_END), 2);
}

TEST(RecordingList, ListsTheFrontFilesOfGeneratedPairs) {
    RecordingTree tree;
    std::vector<std::string> fronts;
    int second = 0;
    for (const char* type : {"drf", "evt", "mod"}) {
        gen::GenOptions options;
        options.outputDir = tree.path("DCIM");
        options.type = type;
        options.start.second = second += 10;
        options.frames = 5;
        options.width = 64;
        options.height = 36;
        gen::GenResult result;
        std::string error;
        ASSERT_TRUE(gen::generatePair(options, result, error)) << error;
        ASSERT_FALSE(result.rearPath.empty());
        fronts.push_back(result.frontPath);
    }
    RecordingList list;
    list.setEventDrain([] {});
    list.scanTree(tree.root());
    ASSERT_EQ(list.count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list.entry(i).path(), fronts[i]);
        EXPECT_EQ(list.entry(i).size, std::filesystem::file_size(fronts[i]));
        EXPECT_EQ(list.entry(i).type, static_cast<RecordingType>(i));
    }
    EXPECT_EQ(list.entry(0).dateText, "12.03.01 08:15:10");
}

}  // namespace
}  // namespace moksel
