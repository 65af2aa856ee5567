// A main window with the real engine on a generated drive: the fixture shared by the tests that
// play recordings through the window. The drive holds `count` pairs of 3 s (or `frames` frames) at 30 frames a second
// (a key frame every second), made once per test suite; each test gets a fresh window that has
// listed them. Message boxes are answered at once and their codes recorded (100 + code for the
// question boxes).
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtTest/QTest>
#include "tests/support/qt_gtest_waits.h"
#include <memory>
#include <string>
#include <vector>

#include "engine/playback_state.h"
#include "library/ostrel_file_list.h"
#include "mainwindow/costrel_dlg.h"
#include "recording_generator.h"

namespace moksel {

class EngineWindowTest : public ::testing::Test {
protected:
    static constexpr int kFrames = 90;
    static constexpr int kWaitMs = 30000;

    // Recordings start `spacingS` seconds apart (10: each one a drive of its own; 3: one drive
    // with no break between them).
    static void makeDrive(int count, int frames = kFrames, int spacingS = 10) {
        drive = new QTemporaryDir;
        for (int i = 0; i < count; ++i) {
            gen::GenOptions options;
            options.outputDir = (drive->path() + QStringLiteral("/DCIM")).toStdString();
            options.frames = frames;
            options.width = 320;
            options.height = 180;
            options.keyInterval = 30;
            options.start.second = spacingS * i;
            gen::GenResult result;
            std::string error;
            ASSERT_TRUE(gen::generatePair(options, result, error)) << error;
        }
        recordingCount = count;
    }
    static void TearDownTestSuite() {
        delete drive;
        drive = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(drive, nullptr);
        window = std::make_unique<COstrelDlg>();  // the real engine
        window->setBoxRunners([this](QWidget*, int code) { boxes.push_back(code); return 1; },
                              [this](QWidget*, int code) { boxes.push_back(100 + code); return 1; });
        window->initialise();
        window->show();
        ASSERT_TRUE(window->engineRunning());
        window->openAtStart({drive->path()});
        QTRY_COMPARE_WITH_TIMEOUT(recordings().count(), recordingCount, kWaitMs);
    }
    void TearDown() override { window.reset(); }

    const RecordingList& recordings() const { return window->fileList()->recordings(); }
    QString nameOf(int entry) const { return QString::fromStdString(recordings().entry(entry).fileName); }
    // Double-clicks a row of the list pane.
    void doubleClickRow(int row) {
        QTest::mouseDClick(window->fileList(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 28 + 20 * row));
    }

    inline static QTemporaryDir* drive = nullptr;
    inline static int recordingCount = 0;
    std::unique_ptr<COstrelDlg> window;
    std::vector<int> boxes;
};

}  // namespace moksel
