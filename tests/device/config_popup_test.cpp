// The configuration dialog: what it finds and shows when it is shown, the markers it paints and
// how clicks change them, and what apply and reset do to the card and which notices they send.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QTest>

#include "device/camera_config_file.h"
#include "device/ostrel_config_popup.h"
#include "device_fixtures.h"
#include "dialogs/message_texts.h"
#include "platform/bitmap_button.h"
#include "platform/skin.h"

namespace moksel {
namespace {

// Marker indexes in the dialog's table.
constexpr int kKorean = 6;
constexpr int kEnglish = 7;
constexpr int kMotionFirst = 22;  // 매우둔감 .. 매우민감 are 22..26

QPoint centreOf(int marker) {
    return OstrelConfigPopup::markers()[marker].rect.center();
}

class ConfigPopup : public ::testing::Test {
protected:
    ConfigPopup() { mainWindow.show(); }

    std::unique_ptr<OstrelConfigPopup> showPopup() {
        auto popup = std::make_unique<OstrelConfigPopup>(&mainWindow, cards.drives());
        popup->show();
        QCoreApplication::sendPostedEvents();  // notices are posted to the main window
        return popup;
    }

    FakeMainWindow mainWindow;
    FakeCards cards;
};

TEST_F(ConfigPopup, ShowsTheValuesOfTheCardThatHoldsTheFileAndLocksTheList) {
    cards.add("a", "STICK");
    const std::string card = cards.add("b", "MOKSEL");
    DeviceSettings english;
    english.lang_mode = 1024;
    FakeCards::write(card + "setting/velta_setup.new", setupFileText(english));

    const auto popup = showPopup();
    EXPECT_TRUE(mainWindow.received.empty());
    ASSERT_EQ(popup->driveList()->count(), 2);
    EXPECT_EQ(popup->driveList()->currentIndex(), 1);
    EXPECT_EQ(popup->driveList()->currentText().toStdString(),
              "MOKSEL (" + card.substr(0, card.size() - 1) + ")");
    EXPECT_FALSE(popup->driveList()->isEnabled());
    EXPECT_EQ(popup->settings().lang_mode, 1024);
    EXPECT_EQ(popup->settings().naming, SetupNaming::Prefixed);
    EXPECT_TRUE(popup->markerChosen(kEnglish));
    EXPECT_FALSE(popup->markerChosen(kKorean));
    EXPECT_EQ(popup->pos(), mainWindow.mapToGlobal(QPoint(289, 35)));

    // The markers on the screen: the blue dot for English, the grey one for Korean.
    const QImage picture = popup->grab().toImage();
    const QPoint inDot(7, 7);
    ASSERT_NE(skinImage(276).pixel(inDot), skinImage(277).pixel(inDot));
    EXPECT_EQ(picture.pixel(OstrelConfigPopup::markers()[kEnglish].rect.topLeft() + inDot),
              skinImage(276).pixel(inDot));
    EXPECT_EQ(picture.pixel(OstrelConfigPopup::markers()[kKorean].rect.topLeft() + inDot),
              skinImage(277).pixel(inDot));
}

TEST_F(ConfigPopup, WithoutAFileItShowsTheDefaultsAndWritesANewFileToTheChosenDrive) {
    const std::string card = cards.add("a", "MOKSEL");
    const auto popup = showPopup();
    EXPECT_EQ(mainWindow.received, std::vector{notice(kMsgConfigDefaultsLoaded)});
    EXPECT_TRUE(popup->driveList()->isEnabled());
    EXPECT_EQ(popup->driveList()->currentIndex(), -1);
    EXPECT_EQ(popup->settings(), DeviceSettings{});

    mainWindow.received.clear();
    popup->applyButton()->click();
    EXPECT_EQ(mainWindow.received, std::vector{notice(kMsgConfigChooseDrive)});
    EXPECT_FALSE(std::filesystem::exists(card + "setup.ini"));

    popup->driveList()->setCurrentIndex(0);
    popup->applyButton()->click();
    EXPECT_EQ(mainWindow.received.back(), notice(kMsgConfigSaved));
    EXPECT_EQ(FakeCards::read(card + "setup.ini"), setupFileText(DeviceSettings{}));
}

TEST_F(ConfigPopup, AValueNoMarkerOffersIsShownAsNoneAndWrittenBackEachTime) {
    const std::string card = cards.add("a", "MOKSEL");
    const std::string original = std::string(SetupTemplate).replace(366, 1, "7");
    FakeCards::write(card + "setup.ini", original);
    const auto popup = showPopup();
    EXPECT_EQ(popup->settings().md_sensitivity, 7);
    for (int i = kMotionFirst; i < OstrelConfigPopup::kMarkerCount; ++i) {
        EXPECT_FALSE(popup->markerChosen(i)) << i;
    }
    popup->applyButton()->click();
    const std::string first = FakeCards::read(card + "setup.ini");
    popup->applyButton()->click();
    EXPECT_EQ(mainWindow.received, (std::vector{notice(kMsgConfigSaved), notice(kMsgConfigSaved)}));
    EXPECT_EQ(FakeCards::read(card + "setup.ini"), first);
    EXPECT_EQ(first.size(), 833u);
    EXPECT_EQ(first[366], '7');
}

TEST_F(ConfigPopup, AClickOnAMarkerChoosesItAndAPressElsewhereDragsTheDialog) {
    cards.add("a", "MOKSEL");
    const auto popup = showPopup();
    const QImage before = popup->grab().toImage();
    const QPoint start = popup->pos();

    QTest::mouseClick(popup.get(), Qt::LeftButton, {}, centreOf(kEnglish));
    EXPECT_EQ(popup->settings().lang_mode, 1024);
    EXPECT_EQ(popup->pos(), start);
    EXPECT_NE(popup->grab().toImage().pixel(centreOf(kEnglish)), before.pixel(centreOf(kEnglish)));

    // Between two markers of a row: a drag, and no setting changes.
    const DeviceSettings chosen = popup->settings();
    const QPoint between(120, 174);
    QTest::mousePress(popup.get(), Qt::LeftButton, {}, between);
    QTest::mouseMove(popup.get(), between + QPoint(25, 15));
    QTest::mouseRelease(popup.get(), Qt::LeftButton, {}, between + QPoint(25, 15));
    EXPECT_EQ(popup->pos(), start + QPoint(25, 15));
    EXPECT_EQ(popup->settings(), chosen);
}

TEST_F(ConfigPopup, ResetShowsTheDefaultsWithoutWritingAndShowingAgainRereadsTheCard) {
    const std::string card = cards.add("a", "MOKSEL");
    DeviceSettings saved;
    saved.screen_save_time = 0;
    saved.rec_quality = 2;
    saved.gsensor_level = 4;
    const std::string original = setupFileText(saved);
    FakeCards::write(card + "setup.ini", original);
    const auto popup = showPopup();
    EXPECT_EQ(popup->settings().rec_quality, 2);

    popup->resetButton()->click();
    EXPECT_EQ(popup->settings(), DeviceSettings{});
    for (int i : {3, 5, 6, 9, 13, 15, 18, 19, 24}) EXPECT_TRUE(popup->markerChosen(i)) << i;
    EXPECT_EQ(FakeCards::read(card + "setup.ini"), original);

    // Closing hides it without writing or notices; the next showing reads the card again.
    popup->closeButton()->click();
    EXPECT_FALSE(popup->isVisible());
    popup->show();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(popup->settings().rec_quality, 2);
    EXPECT_EQ(popup->settings().gsensor_level, 4);
    EXPECT_TRUE(mainWindow.received.empty());
}

TEST_F(ConfigPopup, AReadOnlyFileIsReportedAndKept) {
    const std::string card = cards.add("a", "MOKSEL");
    const std::string original = std::string(SetupTemplate);
    FakeCards::write(card + "setup.ini", original);
    ::chmod((card + "setup.ini").c_str(), 0444);
    const auto popup = showPopup();
    QTest::mouseClick(popup.get(), Qt::LeftButton, {}, centreOf(kEnglish));
    popup->applyButton()->click();
    EXPECT_EQ(mainWindow.received, std::vector{notice(kMsgConfigWriteFailed)});
    EXPECT_EQ(FakeCards::read(card + "setup.ini"), original);
}

}  // namespace
}  // namespace moksel
