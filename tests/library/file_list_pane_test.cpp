// The recording list pane on the offscreen platform: rows, icons, the selection bar, clicks,
// scrolling, the main window's messages and repaints skipped while the map covers the list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMimeData>
#include <QTest>
#include "tests/support/qt_gtest_waits.h"
#include <QUrl>

#include "dialogs/message_texts.h"
#include "library/ostrel_file_list.h"
#include "list_fixtures.h"
#include "platform/bitmap_button.h"

namespace moksel {
namespace {

using testing::FakeMainWindow;
using testing::RecordingTree;

const QColor kBackground(10, 20, 30);
const QColor kBar(250, 120, 0);
const QColor kKey(243, 14, 254);
const QColor kIconColours[3] = {QColor(200, 0, 0), QColor(0, 200, 0), QColor(0, 0, 200)};

// Plain pictures whose pixels tell the row parts apart; each icon's first column is the key
// colour and must not show.
FileListSkin testSkin() {
    FileListSkin skin;
    skin.background = QImage(344, 263, QImage::Format_RGB32);
    skin.background.fill(kBackground);
    skin.typeIcons = QImage(48, 16, QImage::Format_RGB32);
    for (int i = 0; i < 3; ++i) {
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                skin.typeIcons.setPixelColor(16 * i + x, y, x == 0 ? kKey : kIconColours[i]);
            }
        }
    }
    skin.selectionBar = QImage(485, 20, QImage::Format_RGB32);
    skin.selectionBar.fill(kBar);
    return skin;
}

class CountingList : public OstrelFileList {
public:
    using OstrelFileList::OstrelFileList;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* e) override {
        ++paints;
        OstrelFileList::paintEvent(e);
    }
};

class FileListPane : public ::testing::Test {
protected:
    FileListPane() {
        mainWindow.resize(1024, 768);
        pane = new CountingList(&mainWindow);
        pane->move(661, 428);
        pane->setSkin(testSkin());
        mainWindow.show();
        QCoreApplication::processEvents();
    }

    RecordingList& list() { return pane->recordings(); }

    // Opens `n` normal recordings one minute apart.
    void fill(int n) {
        std::vector<std::string> paths;
        for (int i = 0; i < n; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "drf0_20120301_08%02d00.mp4", i);
            paths.push_back(tree.file(name, 1048576));
        }
        list().openFiles(paths);
    }

    QColor pixel(int x, int y) { return pane->grab().toImage().pixelColor(x, y); }

    // Whether anything but the background was drawn in a rectangle of the pane.
    bool inked(const QRect& area) {
        const QImage image = pane->grab().toImage();
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (image.pixelColor(x, y) != kBackground) return true;
            }
        }
        return false;
    }

    void clickAt(QPoint at) { QTest::mouseClick(pane, Qt::LeftButton, {}, at); }

    RecordingTree tree;
    FakeMainWindow mainWindow;
    CountingList* pane = nullptr;
};

TEST_F(FileListPane, DrawsOneRowPerEntryWithItsTypeIconAndNoMore) {
    list().openFiles({tree.file("drf0_20120301_080000.mp4"), tree.file("evt0_20120301_080100.mp4"),
                      tree.file("mod0_20120301_080200.mp4"), tree.file("abc0_20120301_080300.mp4"),
                      tree.file("drf0_20120301_080400.mp4")});
    for (int row = 0; row < 5; ++row) {
        const int y = 21 + 20 * row;
        const int type = static_cast<int>(list().entry(row).type);
        SCOPED_TRACE(row);
        // Icon cell at (10, y - 1), 12 x 16: its key-coloured first column is see-through.
        EXPECT_EQ(pixel(10, y + 4), kBackground);
        EXPECT_EQ(pixel(22, y + 4), kBackground);  // the cell is 12 pixels wide
        EXPECT_EQ(pixel(11, y + 4), type < 3 ? kIconColours[type] : kBackground);
        EXPECT_TRUE(inked(QRect(40, y, 90, 14)));    // date
        EXPECT_TRUE(inked(QRect(300, y, 30, 14)));   // size
    }
    // Rows past the last entry stay empty.
    EXPECT_FALSE(inked(QRect(0, 18 + 20 * 5, 330, 20 * 7)));
}

TEST_F(FileListPane, SizeColumnShowsMegabytesOfTheLow32Bits) {
    EXPECT_EQ(OstrelFileList::sizeText(1048576), QStringLiteral("1.0MB"));
    EXPECT_EQ(OstrelFileList::sizeText(0), QStringLiteral("0.0MB"));
    EXPECT_EQ(OstrelFileList::sizeText(1572864), QStringLiteral("1.5MB"));
    EXPECT_EQ(OstrelFileList::sizeText(5ULL << 30), QStringLiteral("1024.0MB"));
    EXPECT_EQ(OstrelFileList::sizeText(0xFFFFFFFFULL), QStringLiteral("4096.0MB"));
}

TEST_F(FileListPane, EveryCameraNameShowsWholeAndEachTextStaysInItsColumn) {
    // The widest texts the camera gives: each name kind with wide digits, the largest size.
    list().openFiles({tree.file("mod0_20261208_190245.mp4", 0xFFFFFFFFULL),
                      tree.file("evt0_20261208_190200.mp4", 0xFFFFFFFFULL),
                      tree.file("drf0_20261208_190248.mp4", 1073741824ULL),
                      tree.file("mod0_20261208_190200.mp4", 1073741824ULL)});
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        const int y = 21 + 20 * row;
        EXPECT_TRUE(inked(QRect(143, y, 20, 14)));     // the name starts at its place
        EXPECT_FALSE(inked(QRect(135, y - 2, 8, 20)));  // nothing on or by the date | name rule
        EXPECT_FALSE(inked(QRect(266, y - 2, 9, 20)));  // nor on or by the name | size rule
        EXPECT_FALSE(inked(QRect(329, y - 2, 1, 20)));  // nor by the scroll column (330)
    }
    // The seconds show: two names that differ only there look different.
    const QImage image = pane->grab().toImage();
    EXPECT_NE(image.copy(200, 21, 66, 16), image.copy(200, 21 + 60, 66, 16))
        << "mod0_20261208_190245 is drawn like mod0_20261208_190200";
}

TEST_F(FileListPane, ClickSelectsOnReleaseAndTheBarFollowsScrolling) {
    fill(30);
    EXPECT_NE(pixel(4, 18 + 2), kBar);  // nothing selected: no bar
    QTest::mousePress(pane, Qt::LeftButton, {}, QPoint(50, 18 + 20 * 2 + 5));
    EXPECT_EQ(list().selection(), -1);  // not on the press
    QTest::mouseRelease(pane, Qt::LeftButton, {}, QPoint(50, 18 + 20 * 2 + 5));
    EXPECT_EQ(list().selection(), 2);
    EXPECT_EQ(list().selectedPath(), list().entry(2).path());
    EXPECT_EQ(mainWindow.count(UM_CMD_PLAY), 0);  // a click does not play
    EXPECT_EQ(pixel(4, 18 + 20 * 2 + 2), kBar);
    EXPECT_NE(pixel(4, 18 + 20 * 1 + 2), kBar);

    // Scrolled out of view above: no bar; back: the bar again.
    for (int i = 0; i < 3; ++i) pane->send(UM_LIST_WHEEL, 0, 0);
    EXPECT_EQ(list().top(), 3);
    EXPECT_EQ(list().selection(), 2);
    for (int row = 0; row < 12; ++row) EXPECT_NE(pixel(4, 18 + 20 * row + 2), kBar) << row;
    pane->send(UM_LIST_WHEEL, 1, 0);
    EXPECT_EQ(pixel(4, 18 + 2), kBar);

    // The rows area's edges: left and top inclusive, right and bottom exclusive.
    EXPECT_EQ(RecordingList::rowAt(0, 18, 0), 0);
    EXPECT_EQ(RecordingList::rowAt(330, 257, 4), 15);
    // The last two pixel rows of the area lie below the twelfth row: no entry there.
    EXPECT_EQ(RecordingList::rowAt(10, 258, 0), -1);
    EXPECT_EQ(RecordingList::rowAt(331, 30, 0), -1);
    EXPECT_EQ(RecordingList::rowAt(10, 260, 0), -1);
    EXPECT_EQ(RecordingList::rowAt(10, 17, 0), -1);
}

TEST_F(FileListPane, ClickBelowTheLastEntryKeepsTheSelection) {
    fill(3);
    clickAt(QPoint(50, 18 + 20 * 1 + 5));
    ASSERT_EQ(list().selection(), 1);
    clickAt(QPoint(50, 18 + 20 * 5 + 5));
    EXPECT_EQ(list().selection(), 1);
    EXPECT_EQ(list().selectedPath(), list().entry(1).path());
    EXPECT_EQ(pixel(4, 18 + 20 * 1 + 2), kBar);
}

TEST_F(FileListPane, DoubleClickPlaysTheRowUnderTheMouse) {
    fill(3);
    QTest::mouseDClick(pane, Qt::LeftButton, {}, QPoint(50, 18 + 20 * 5 + 5));  // no row, none selected
    EXPECT_EQ(mainWindow.count(UM_CMD_PLAY), 0);

    QTest::mouseDClick(pane, Qt::LeftButton, {}, QPoint(200, 18 + 20 * 2 + 19));
    EXPECT_EQ(list().selection(), 2);
    EXPECT_EQ(list().selectedPath(), tree.path("drf0_20120301_080200.mp4"));
    ASSERT_EQ(mainWindow.count(UM_CMD_PLAY), 1);
    QString name;
    ASSERT_TRUE(list().GetSelectedName(name));
    EXPECT_EQ(name, QStringLiteral("drf0_20120301_080200.mp4"));

    // Below the last entry the old selection plays.
    QTest::mouseDClick(pane, Qt::LeftButton, {}, QPoint(50, 18 + 20 * 8));
    EXPECT_EQ(list().selection(), 2);
    EXPECT_EQ(mainWindow.count(UM_CMD_PLAY), 2);
}

TEST_F(FileListPane, ScrollButtonsAndWheelMoveOneRowWithinTheRange) {
    fill(30);
    QTest::mouseClick(pane->downButton(), Qt::LeftButton);
    EXPECT_EQ(list().top(), 1);
    QTest::mouseClick(pane->upButton(), Qt::LeftButton);
    QTest::mouseClick(pane->upButton(), Qt::LeftButton);
    EXPECT_EQ(list().top(), 0);
    for (int i = 0; i < 25; ++i) pane->send(UM_LIST_WHEEL, 0, 0);  // towards the user: down
    EXPECT_EQ(list().top(), 18);
    QTest::mouseClick(pane->downButton(), Qt::LeftButton);
    EXPECT_EQ(list().top(), 18);
    EXPECT_EQ(list().scrollBar().position(), 18);
    // The first visible row is entry 18.
    EXPECT_EQ(pixel(11, 21 + 4), kIconColours[0]);
    pane->send(UM_LIST_WHEEL, 1, 0);  // away from the user: up
    EXPECT_EQ(list().top(), 17);

    // Fewer entries than rows: nothing scrolls.
    pane->send(UM_LIST_CLEAR, 0, 0);
    fill(5);
    EXPECT_EQ(list().scrollBar().maximum(), -7);
    QTest::mouseClick(pane->downButton(), Qt::LeftButton);
    pane->send(UM_LIST_WHEEL, 0, 0);
    EXPECT_EQ(list().top(), 0);
}

TEST_F(FileListPane, HeaderButtonsToggleTheirColumn) {
    list().openFiles({tree.file("drf0_20120301_090000.mp4"), tree.file("evt0_20120301_080000.mp4")});
    QTest::mouseClick(pane->dateHeader(), Qt::LeftButton);
    EXPECT_EQ(list().sortState(RecordingList::SortColumn::Date), RecordingList::kAscending);
    EXPECT_EQ(list().entry(0).type, RecordingType::Event);
    QTest::mouseClick(pane->typeHeader(), Qt::LeftButton);
    EXPECT_EQ(list().sortState(RecordingList::SortColumn::Date), RecordingList::kUnsorted);
    EXPECT_EQ(list().entry(0).type, RecordingType::Normal);
    QTest::mouseClick(pane->nameHeader(), Qt::LeftButton);
    EXPECT_EQ(list().entry(0).type, RecordingType::Event);
    QTest::mouseClick(pane->sizeHeader(), Qt::LeftButton);  // sorts nothing
    EXPECT_EQ(list().entry(0).type, RecordingType::Event);
    EXPECT_EQ(list().sortState(RecordingList::SortColumn::Name), RecordingList::kAscending);
}

TEST_F(FileListPane, RowsAreNotRepaintedWhileTheMapCoversThem) {
    fill(30);
    QCoreApplication::processEvents();
    mainWindow.mapShown = true;
    const int before = pane->paints;
    pane->send(UM_LIST_WHEEL, 0, 0);
    pane->send(UM_LIST_NEXT, 0, 0);  // no selection: nothing at all
    QCoreApplication::processEvents();
    EXPECT_EQ(list().top(), 1);  // scrolled all the same
    EXPECT_EQ(pane->paints, before);
    EXPECT_GT(mainWindow.count(UM_IS_MAP_SHOWN), 0);

    // Sorting, clicks and clearing repaint without asking.
    QTest::mouseClick(pane->dateHeader(), Qt::LeftButton);
    EXPECT_GT(pane->paints, before);
    const int afterSort = pane->paints;
    clickAt(QPoint(50, 30));
    EXPECT_GT(pane->paints, afterSort);

    mainWindow.mapShown = false;
    const int uncovered = pane->paints;
    pane->send(UM_LIST_WHEEL, 0, 0);
    EXPECT_GT(pane->paints, uncovered);
}

TEST_F(FileListPane, FolderDialogScansAndCancellingChangesNothing) {
    tree.file("DCIM/a/drf0_20120301_080000.mp4");
    tree.file("DCIM/b/evt0_20120301_080000.mp4");
    fill(2);
    pane->setFolderChooser([](QWidget*) { return QString(); });
    pane->send(UM_LIST_OPEN_FOLDER, 0, 0);
    EXPECT_EQ(list().count(), 2);
    EXPECT_EQ(mainWindow.count(UM_SCAN_BEGIN), 0);

    pane->setFolderChooser([this](QWidget*) { return QString::fromStdString(tree.path("DCIM")); });
    pane->send(UM_LIST_OPEN_FOLDER, 0, 0);
    ASSERT_EQ(list().count(), 2);
    EXPECT_EQ(list().entry(0).folder, tree.path("DCIM/a"));
    EXPECT_EQ(mainWindow.count(UM_SCAN_BEGIN), 1);
    EXPECT_EQ(mainWindow.count(UM_SCAN_END), 1);
    EXPECT_GE(mainWindow.count(UM_SCAN_FOLDER), 2);

    pane->setFilesChooser([this](QWidget*) {
        return QStringList{QString::fromStdString(tree.file("x/mod0_20120301_070000.mp4", 9))};
    });
    pane->send(UM_LIST_OPEN_FILES, 0, 0);
    ASSERT_EQ(list().count(), 1);
    EXPECT_EQ(list().entry(0).size, 9u);
    EXPECT_EQ(mainWindow.count(UM_SCAN_BEGIN), 1);  // no scan for chosen files
}

TEST_F(FileListPane, AFolderThatGivesNoRowSaysWhy) {
    tree.file("rear/drf1_20120301_080000.mp4", 9);
    tree.file("rear/notes.txt", 9);
    tree.folder("empty");
    tree.file("pair/drf0_20120301_080000.mp4", 9);
    tree.file("pair/drf1_20120301_080000.mp4", 9);
    std::vector<WParam> said;
    mainWindow.onMessage = [&](unsigned number, WParam code) {
        if (number == UM_SHOW_MESSAGE) said.push_back(code);
    };
    const auto choose = [&](const std::string& folder) {
        pane->setFolderChooser([this, folder](QWidget*) { return QString::fromStdString(tree.path(folder)); });
        pane->send(UM_LIST_OPEN_FOLDER, 0, 0);
    };
    choose("rear");
    EXPECT_EQ(said, std::vector<WParam>{kMsgRearFilesOnly});
    choose("empty");
    EXPECT_EQ(said, (std::vector<WParam>{kMsgRearFilesOnly, kMsgNoRecordingsFound}));
    choose("pair");
    EXPECT_EQ(list().count(), 1);
    EXPECT_EQ(said.size(), 2u) << "a folder with a recording says nothing";

    // Dropped onto an empty list, likewise.
    list().ClearList();
    pane->openFromCommandLine({QString::fromStdString(tree.path("rear/drf1_20120301_080000.mp4"))});
    EXPECT_EQ(said.back(), WParam{kMsgRearFilesOnly});
    EXPECT_EQ(said.size(), 3u);
}

TEST_F(FileListPane, StopFromTheMainWindowEndsTheScanKeepingTheFound) {
    for (int i = 0; i < 20; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "f%02d/drf0_20120301_08%02d00.mp4", i, i);
        tree.file(name);
    }
    int folders = 0;
    mainWindow.onMessage = [&](unsigned number, WParam) {
        if (number == UM_SCAN_FOLDER && ++folders == 4) pane->send(UM_SCAN_CANCEL, 0, 0);
    };
    const QString root = QString::fromStdString(tree.root());
    pane->send(UM_SCAN_DRIVE, reinterpret_cast<WParam>(&root), 0);
    EXPECT_GT(list().count(), 0);
    EXPECT_LT(list().count(), 20);
    EXPECT_EQ(mainWindow.count(UM_SCAN_END), 1);
}

TEST_F(FileListPane, FormattedDriveAndClearMessages) {
    list().openFiles({tree.file("card/drf0_20120301_080000.mp4"),
                      tree.file("disk/drf0_20120301_080100.mp4")});
    const QString card = QString::fromStdString(tree.path("card"));
    pane->send(UM_DRIVE_FORMATTED, reinterpret_cast<WParam>(&card), 0);
    ASSERT_EQ(list().count(), 1);
    EXPECT_EQ(list().entry(0).folder, tree.path("disk"));

    mainWindow.mapShown = true;
    const int before = pane->paints;
    pane->send(UM_LIST_CLEAR, 0, 0);
    EXPECT_EQ(list().count(), 0);
    EXPECT_GT(pane->paints, before);
}

TEST_F(FileListPane, DroppedFilesAndCommandLinePathsAreAppended) {
    const std::string file = tree.file("drop/drf0_20120301_080000.mp4", 5);
    tree.file("folder/evt0_20120301_080000.mp4");
    fill(1);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file)),
                  QUrl::fromLocalFile(QString::fromStdString(tree.path("folder")))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pane, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pane, &drop);
    QTRY_COMPARE_WITH_TIMEOUT(list().count(), 3, 10000);
    EXPECT_EQ(list().entry(1).path(), file);
    EXPECT_EQ(list().entry(2).fileName, "evt0_20120301_080000.mp4");

    // Relative command-line paths are taken from the working folder.
    const QString saved = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(tree.path("drop")));
    pane->addPathsAsDropped({QStringLiteral("drf0_20120301_080000.mp4"), QStringLiteral("../folder/")});
    QDir::setCurrent(saved);
    ASSERT_EQ(list().count(), 5);
    EXPECT_EQ(list().entry(3).path(), file);
    EXPECT_EQ(list().entry(4).folder, tree.path("folder"));
}

TEST_F(FileListPane, ASingleFileOnTheCommandLinePlaysAndForeignMp4sAreListed) {
    // Another camera's MP4 (an ftyp box first), a text file, and a rear file.
    const std::string foreign = tree.path("phone/holiday clip.MP4");
    std::filesystem::create_directories(tree.path("phone"));
    std::ofstream(foreign, std::ios::binary) << std::string("\0\0\0\x18" "ftypisom", 12)
                                             << std::string(12, '\0');
    const std::string text = tree.file("phone/notes.mp4", 0);
    std::ofstream(text) << "not a video\n";
    const std::string rear = tree.file("phone/drf1_20120301_080000.mp4", 64);
    std::ofstream(rear, std::ios::binary) << std::string("\0\0\0\x18" "ftypisom", 12);

    pane->openFromCommandLine({QString::fromStdString(foreign)});
    ASSERT_EQ(list().count(), 1);
    EXPECT_EQ(list().entry(0).type, RecordingType::Other);
    EXPECT_EQ(list().entry(0).dateText, "");
    EXPECT_EQ(list().selection(), 0);
    EXPECT_EQ(list().selectedPath(), foreign);
    EXPECT_EQ(mainWindow.count(UM_CMD_PLAY), 1) << "one file given: it plays at once";

    pane->openFromCommandLine({QString::fromStdString(text), QString::fromStdString(rear)});
    EXPECT_EQ(list().count(), 1) << "neither a text file nor a rear file is listed";
    const std::string front = tree.file("drf0_20120301_090000.mp4", 10);
    pane->openFromCommandLine({QString::fromStdString(front), QString::fromStdString(foreign)});
    EXPECT_EQ(list().count(), 3);
    EXPECT_EQ(mainWindow.count(UM_CMD_PLAY), 1) << "several paths are only listed";
    pane->openFromCommandLine({QString::fromStdString(rear)});
    EXPECT_EQ(mainWindow.count(UM_CMD_PLAY), 1) << "a file that is not listed does not play";
}

TEST_F(FileListPane, ClosingTheListDuringAScanEndsItSafely) {
    for (int i = 0; i < 10; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "f%02d/drf0_20120301_08%02d00.mp4", i, i);
        tree.file(name);
    }
    int folders = 0;
    mainWindow.onMessage = [&](unsigned number, WParam) {
        if (number == UM_SCAN_FOLDER && ++folders == 3) {
            delete pane;  // the window goes away while the scan drains its queue
            pane = nullptr;
        }
    };
    const QString root = QString::fromStdString(tree.root());
    pane->send(UM_SCAN_DRIVE, reinterpret_cast<WParam>(&root), 0);
    EXPECT_EQ(pane, nullptr);
    EXPECT_EQ(mainWindow.count(UM_SCAN_END), 0);  // nothing is reported from a list that is gone
    QCoreApplication::processEvents();
}

}  // namespace
}  // namespace moksel
