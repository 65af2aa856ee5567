// The SD card format dialog: the drives it offers, the confirmation, what it asks of the format
// facility and the notices and the drive report that follow.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <optional>

#include "device/ostrel_sd_card_format.h"
#include "device_fixtures.h"
#include "dialogs/message_boxes.h"
#include "dialogs/message_texts.h"
#include "platform/bitmap_button.h"

namespace moksel {
namespace {

using Received = FakeMainWindow::Received;

// A format facility that records what it was asked and plays back the given events.
struct FakeFormat {
    struct Step {
        int code;
        bool success = false;
    };
    std::vector<Step> steps;
    std::optional<FormatRequest> asked;

    FormatFunction function() {
        return [this](const FormatRequest& request, const FormatEventHandler& onEvent) {
            asked = request;
            bool result = false;
            for (const Step& step : steps) {
                bool success = step.success;
                const char* text = "mkfs.fat 4.2";
                const void* argument = step.code == kFormatDone ? static_cast<const void*>(&success)
                                       : step.code == kFormatOutput ? static_cast<const void*>(text)
                                                                    : nullptr;
                EXPECT_TRUE(onEvent(step.code, 0, argument));
                if (step.code == kFormatDone) result = success;
            }
            return result;
        };
    }
};

class SdCardFormat : public ::testing::Test {
protected:
    SdCardFormat() {
        mainWindow.show();
        system = cards.add("fixed", "SYSTEM", false);
        stick = cards.add("stick", "STICK");
        card = cards.add("card", "MOKSEL");
    }

    std::unique_ptr<OstrelSdCardFormat> showDialog(FormatFunction format) {
        auto dialog =
            std::make_unique<OstrelSdCardFormat>(&mainWindow, cards.drives(), std::move(format));
        dialog->show();
        return dialog;
    }

    FakeMainWindow mainWindow;
    FakeCards cards;
    FakeFormat format;
    std::string system, stick, card;
};

TEST_F(SdCardFormat, OffersEveryRemovableDriveWithNoneChosen) {
    const auto dialog = showDialog(format.function());
    ASSERT_EQ(dialog->driveList()->count(), 2);  // card < fixed < stick; the fixed disk is left out
    EXPECT_TRUE(dialog->driveList()->itemText(0).startsWith(QStringLiteral("MOKSEL (")));
    EXPECT_TRUE(dialog->driveList()->itemText(1).startsWith(QStringLiteral("STICK (")));
    EXPECT_EQ(dialog->driveList()->currentIndex(), -1);
    EXPECT_EQ(dialog->pos(), mainWindow.mapToGlobal(QPoint(362, 193)));
}

TEST_F(SdCardFormat, StartWithoutADriveAsksForOneAndStaysOpen) {
    const auto dialog = showDialog(format.function());
    dialog->startButton()->click();
    EXPECT_EQ(mainWindow.received, std::vector{notice(kMsgFormatChooseDrive)});
    EXPECT_FALSE(format.asked);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(SdCardFormat, DecliningTheQuestionFormatsNothing) {
    const auto dialog = showDialog(format.function());
    dialog->driveList()->setCurrentIndex(1);
    mainWindow.answer = kBoxCancel;
    dialog->startButton()->click();
    EXPECT_EQ(mainWindow.received, (std::vector<Received>{{UM_ASK, kAskEraseDrive}}));
    EXPECT_FALSE(format.asked);
    EXPECT_EQ(dialog->driveList()->currentIndex(), 1);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(SdCardFormat, ASuccessfulFormatIsReportedThenTheDriveThenTheDialogCloses) {
    format.steps = {{kFormatOutput}, {kFormatDone, true}};
    const auto dialog = showDialog(format.function());
    dialog->driveList()->setCurrentIndex(1);  // a USB stick is formatted as well as a card
    dialog->startButton()->click();

    ASSERT_TRUE(format.asked);
    EXPECT_EQ(format.asked->root, stick);
    EXPECT_EQ(format.asked->fileSystem, "FAT32");
    EXPECT_EQ(format.asked->label, "MOKSEL");
    EXPECT_EQ(format.asked->clusterBytes, 16384);
    EXPECT_EQ(format.asked->mediaType, 11);
    EXPECT_TRUE(format.asked->quick);
    EXPECT_EQ(mainWindow.received,
              (std::vector<Received>{
                  {UM_ASK, kAskEraseDrive}, notice(kMsgFormatDone), {UM_DRIVE_FORMATTED, 0}}));
    EXPECT_EQ(mainWindow.formattedRoot.toStdString(), stick);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(SdCardFormat, AWriteProtectedCardIsReportedBeforeTheFailure) {
    format.steps = {{kFormatWriteProtected}, {kFormatDone, false}};
    const auto dialog = showDialog(format.function());
    dialog->driveList()->setCurrentIndex(0);
    dialog->startButton()->click();
    EXPECT_EQ(mainWindow.received, (std::vector<Received>{{UM_ASK, kAskEraseDrive},
                                                          notice(kMsgCardWriteProtected),
                                                          notice(kMsgFormatFailed),
                                                          {UM_DRIVE_FORMATTED, 0}}));
    EXPECT_EQ(mainWindow.formattedRoot.toStdString(), card);
}

TEST_F(SdCardFormat, AFailedFormatTellsWhatTheToolSaid) {
    const std::string warning = "WARNING: Number of clusters for 32 bit FAT is less then suggested minimum.";
    const auto dialog = showDialog([&](const FormatRequest&, const FormatEventHandler& onEvent) {
        onEvent(kFormatOutput, 0, "mkfs.fat 4.2 (2021-01-31)");
        onEvent(kFormatOutput, 0, warning.c_str());
        const bool success = false;
        onEvent(kFormatDone, 0, &success);
        return success;
    });
    dialog->driveList()->setCurrentIndex(0);
    dialog->startButton()->click();
    EXPECT_EQ(mainWindow.received, (std::vector<Received>{{UM_ASK, kAskEraseDrive},
                                                          notice(kMsgFormatFailed),
                                                          {UM_DRIVE_FORMATTED, 0}}));
    EXPECT_EQ(mainWindow.detail.toStdString(), warning);
}

}  // namespace
}  // namespace moksel
