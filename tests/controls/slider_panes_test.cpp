// The slider panes: what each sends the main window for clicks and drags on its slider, the
// position bars' silence without a recording, the quiet resets, and the fraction query used by
// the repeat markers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "controls/slider_messages.h"
#include "controls/slider_panes.h"
#include "recording_window.h"

namespace moksel {
namespace {

std::vector<RecordingWindow::Message> withNumber(const RecordingWindow& window, unsigned number) {
    std::vector<RecordingWindow::Message> found;
    for (const auto& m : window.log) {
        if (m.number == number) found.push_back(m);
    }
    return found;
}

struct MainWindow {
    RecordingWindow window;
    MainWindow() { window.resize(1024, 768); }
    template <class Pane>
    Pane* add(QPoint at) {
        auto* pane = new Pane(&window);
        pane->move(at);
        pane->show();
        window.show();
        window.log.clear();
        return pane;
    }
};

TEST(SliderPanes, StartWithTheEnginesStartingValues) {
    MainWindow main;
    auto* speed = main.add<OstrelPlaySpeedCtrl>({205, 668});
    auto* volume = main.add<OstrelSoundVolumeCtrl>({70, 668});
    auto* brightness = main.add<OstrelBrightnessCtrl>({345, 668});
    auto* contrast = main.add<OstrelContrastCtrl>({483, 668});
    auto* seek = main.add<OstrelMovieSeek>({141, 544});
    struct Expect {
        SliderPane* pane;
        int max, pos;
        QSize size;
        SliderLook look;
    };
    for (const Expect& e : {Expect{speed, 4, 2, {109, 8}, SliderLook::Short},
                            Expect{volume, 128, 64, {109, 8}, SliderLook::Short},
                            Expect{brightness, 100, 50, {109, 8}, SliderLook::Short},
                            Expect{contrast, 100, 50, {109, 8}, SliderLook::Short},
                            Expect{seek, 0, 0, {373, 16}, SliderLook::Long}}) {
        GrpScrl* slider = e.pane->slider();
        ASSERT_NE(slider, nullptr);
        EXPECT_EQ(slider->send(GSM_GETMIN, 0, 0), 0);
        EXPECT_EQ(slider->send(GSM_GETMAX, 0, 0), e.max);
        EXPECT_EQ(slider->send(GSM_GETPOS, 0, 0), e.pos);
        EXPECT_EQ(slider->geometry(), QRect(QPoint(0, 0), e.size));
        EXPECT_EQ(slider->controlId(), 2);
        EXPECT_EQ(slider->look(), e.look);
        EXPECT_TRUE(slider->isVisible());
    }
    // Nothing is announced at start.
    EXPECT_TRUE(main.window.log.empty());
}

TEST(SliderPanes, PositionBarNeverSeeksWithoutARecording) {
    MainWindow main;
    auto* seek = main.add<OstrelMovieSeek>({141, 544});
    QTest::mouseClick(seek->slider(), Qt::LeftButton, {}, QPoint(200, 8));
    QTest::mousePress(seek->slider(), Qt::LeftButton, {}, QPoint(3, 8));
    QTest::mouseMove(seek->slider(), QPoint(150, 8));
    QTest::mouseRelease(seek->slider(), Qt::LeftButton, {}, QPoint(150, 8));
    EXPECT_EQ(main.window.count(UM_SEEK), 0);
    // The drag notices still reach the main window, so its drag flag is balanced.
    EXPECT_EQ(main.window.numbers(), (std::vector<unsigned>{UM_SEEK_DRAG, UM_SEEK_DRAG_END}));
}

TEST(SliderPanes, PositionBarSeeksOnClickAndDragInOrder) {
    MainWindow main;
    auto* seek = main.add<OstrelMovieSeek>({141, 544});
    GrpScrl* slider = seek->slider();
    slider->send(GSM_SETRANGE, 0, 600);  // a 60-second recording
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(108, 8));
    ASSERT_EQ(main.window.numbers(), std::vector<unsigned>{UM_SEEK});
    EXPECT_EQ(main.window.log[0].wParam, 168u);
    EXPECT_EQ(main.window.log[0].lParam, 0);

    main.window.log.clear();
    const int thumbLeft = slider->thumbRect().left();
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(thumbLeft + 2, 8));
    QTest::mouseMove(slider, QPoint(thumbLeft + 52, 8));
    QTest::mouseMove(slider, QPoint(400, 8));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(400, 8));
    EXPECT_EQ(main.window.numbers(),
              (std::vector<unsigned>{UM_SEEK_DRAG, UM_SEEK, UM_SEEK_DRAG, UM_SEEK, UM_SEEK,
                                     UM_SEEK_DRAG_END}));
    const auto seeks = withNumber(main.window, UM_SEEK);
    EXPECT_EQ(seeks[0].wParam, 252u);  // pixel 100 + 50 = 150 -> 252.1
    EXPECT_EQ(seeks[2].wParam, 600u);
    EXPECT_EQ(seek->send(UM_GET_POSITION, 0, 0), 600);
}

TEST(SliderPanes, SettingSlidersReportTheirEnds) {
    MainWindow main;
    auto* volume = main.add<OstrelSoundVolumeCtrl>({70, 668});
    GrpScrl* slider = volume->slider();
    const int thumbLeft = slider->thumbRect().left();
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(thumbLeft + 1, 4));
    QTest::mouseMove(slider, QPoint(300, 4));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(300, 4));
    auto notices = withNumber(main.window, UM_SET_VOLUME);
    ASSERT_EQ(notices.size(), 2u);  // the move and the release
    EXPECT_EQ(notices.back().wParam, 128u);
    // Setting sliders do not pass drag notices on.
    EXPECT_EQ(main.window.count(UM_SEEK_DRAG), 0);
    EXPECT_EQ(main.window.count(UM_SEEK_DRAG_END), 0);

    main.window.log.clear();
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(0, 4));
    ASSERT_EQ(main.window.numbers(), std::vector<unsigned>{UM_SET_VOLUME});
    EXPECT_EQ(main.window.log[0].wParam, 0u);

    auto* speed = main.add<OstrelPlaySpeedCtrl>({205, 668});
    speed->slider()->send(GSM_SETPOS, 0, 0);
    QTest::mouseClick(speed->slider(), Qt::LeftButton, {}, QPoint(54, 4));
    ASSERT_EQ(main.window.numbers(), std::vector<unsigned>{UM_SET_SPEED});
    EXPECT_EQ(main.window.log[0].wParam, 2u);

    for (SliderPane* pane : {static_cast<SliderPane*>(main.add<OstrelBrightnessCtrl>({345, 668})),
                             static_cast<SliderPane*>(main.add<OstrelContrastCtrl>({483, 668}))}) {
        main.window.log.clear();
        QTest::mouseClick(pane->slider(), Qt::LeftButton, {}, QPoint(108, 4));
        ASSERT_EQ(main.window.log.size(), 1u);
        EXPECT_EQ(main.window.log[0].wParam, 100u);
    }
    EXPECT_EQ(main.window.log[0].number, UM_SET_CONTRAST);
}

TEST(SliderPanes, ResetMovesBrightnessAndContrastWithoutAnEcho) {
    MainWindow main;
    auto* brightness = main.add<OstrelBrightnessCtrl>({345, 668});
    auto* contrast = main.add<OstrelContrastCtrl>({483, 668});
    brightness->slider()->send(GSM_SETPOS, 90, 0);
    contrast->slider()->send(GSM_SETPOS, 10, 0);
    brightness->send(UM_SET_BRIGHTNESS, 50, 0);
    contrast->send(UM_SET_CONTRAST, 50, 0);
    EXPECT_EQ(brightness->slider()->send(GSM_GETPOS, 0, 0), 50);
    EXPECT_EQ(contrast->slider()->send(GSM_GETPOS, 0, 0), 50);
    // Each pane answers only its own reset.
    brightness->send(UM_SET_CONTRAST, 7, 0);
    EXPECT_EQ(brightness->slider()->send(GSM_GETPOS, 0, 0), 50);
    EXPECT_TRUE(main.window.log.empty());
}

TEST(SliderPanes, PixelToFractionGivesTenThousandthsOfTheRecording) {
    MainWindow main;
    auto* seek = main.add<OstrelMovieSeek>({141, 544});
    EXPECT_EQ(seek->send(UM_PIXEL_TO_FRACTION, 200, 0), 0);  // no recording
    seek->slider()->send(GSM_SETRANGE, 0, 600);
    EXPECT_EQ(seek->send(UM_PIXEL_TO_FRACTION, 372, 0), 10000);
    EXPECT_EQ(seek->send(UM_PIXEL_TO_FRACTION, 8, 0), 0);
    // Column 186 is pixel 178 -> position 299 -> 4983.3, truncated.
    EXPECT_EQ(seek->send(UM_PIXEL_TO_FRACTION, 186, 0), 4983);
    // Nothing moved, nothing was sent.
    EXPECT_EQ(seek->send(UM_GET_POSITION, 0, 0), 0);
    EXPECT_TRUE(main.window.log.empty());
}

TEST(SliderPanes, EnlargedPositionBarTalksToTheMainWindowThreeLevelsUp) {
    RecordingWindow main;
    auto* enlarged = new RecordingWindow(&main);
    auto* controlBar = new RecordingWindow(enlarged);
    main.resize(1024, 768);
    enlarged->resize(1024, 768);
    controlBar->resize(700, 70);
    auto* hidden = new OstrelMovieSeekHidden(controlBar, 0, 1200);
    hidden->move(154, 24);
    main.show();
    EXPECT_EQ(findSliderParentSlot(hidden), int(kEnlargedPositionPaneSlot));
    EXPECT_EQ(hidden->slider()->look(), SliderLook::Long);
    EXPECT_EQ(hidden->slider()->send(GSM_GETMAX, 0, 0), 1200);
    EXPECT_EQ(hidden->storedMaximum(), 1200);

    QTest::mousePress(hidden->slider(), Qt::LeftButton, {}, QPoint(4, 8));
    QTest::mouseMove(hidden->slider(), QPoint(40, 8));
    QTest::mouseRelease(hidden->slider(), Qt::LeftButton, {}, QPoint(40, 8));
    EXPECT_EQ(main.numbers(), (std::vector<unsigned>{UM_SEEK_DRAG, UM_SEEK, UM_SEEK,
                                                     UM_SEEK_DRAG_END}));
    EXPECT_EQ(main.log[1].wParam, 121u);  // pixel 36 -> 121.0
    EXPECT_TRUE(controlBar->log.empty());
    EXPECT_TRUE(enlarged->log.empty());
    EXPECT_EQ(hidden->send(UM_PIXEL_TO_FRACTION, 372, 0), 10000);

    delete hidden;
    EXPECT_EQ(findSliderParentSlot(hidden), -1);
}

TEST(SliderPanes, SwallowEnterAndEscapeOnly) {
    MainWindow main;
    auto* seek = main.add<OstrelMovieSeek>({141, 544});
    auto* volume = main.add<OstrelSoundVolumeCtrl>({70, 668});
    for (QWidget* pane : {static_cast<QWidget*>(seek), static_cast<QWidget*>(volume)}) {
        QTest::keyClick(pane, Qt::Key_Return);
        QTest::keyClick(pane, Qt::Key_Enter);
        QTest::keyClick(pane, Qt::Key_Escape);
        QTest::keyClick(pane, Qt::Key_Space);
    }
    EXPECT_EQ(main.window.keysReached, (std::vector<int>{Qt::Key_Space, Qt::Key_Space}));
}

}  // namespace
}  // namespace moksel
