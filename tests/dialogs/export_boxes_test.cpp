// The export boxes: the options box hands back what the user set and refuses an empty range;
// the progress box asks to cancel once, then shows the outcome and only then closes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>

#include "dialogs/export_boxes.h"
#include "platform/bitmap_button.h"

namespace moksel {
namespace {

// Every control of the options box lies inside the box, clear of the others.
TEST(ExportBoxes, OptionsBoxControlsDoNotOverlap) {
    QWidget mainWindow;
    OstrelExportOptionsBox box(&mainWindow, ExportChoices{}, 60);
    box.show();
    std::vector<QWidget*> controls;
    for (QWidget* w : box.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (w->isVisible()) controls.push_back(w);
    }
    ASSERT_GE(controls.size(), 12u);
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_TRUE(box.rect().contains(controls[i]->geometry())) << controls[i]->objectName().toStdString();
        for (size_t j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " / " << controls[j]->objectName().toStdString();
        }
    }
}

TEST(ExportBoxes, OptionsBoxReturnsTheChoicesAndRefusesAnEmptyRange) {
    QWidget mainWindow;
    mainWindow.setGeometry(50, 40, 1024, 768);
    ExportChoices initial;
    initial.fromS = 2;
    initial.toS = 50;
    initial.destination = QStringLiteral("/tmp/a.mp4");
    OstrelExportOptionsBox box(&mainWindow, initial, 60);
    box.chooseDestination = [](QWidget*, const QString&) { return QStringLiteral("/tmp/b.mp4"); };
    box.show();
    EXPECT_EQ(box.pos(), QPoint(50 + 312, 40 + 230));

    auto* to = box.findChild<QDoubleSpinBox*>(QStringLiteral("to"));
    to->setValue(90);
    EXPECT_EQ(to->value(), 60) << "without continuing, the range ends with the recording";
    box.findChild<QCheckBox*>(QStringLiteral("continue"))->setChecked(true);
    to->setValue(90);
    box.findChild<QComboBox*>(QStringLiteral("layout"))->setCurrentIndex(1);
    box.findChild<QCheckBox*>(QStringLiteral("overlay"))->setChecked(false);
    QTest::mouseClick(box.findChild<QWidget*>(QStringLiteral("browse")), Qt::LeftButton);

    const ExportChoices c = box.choices();
    EXPECT_EQ(c.fromS, 2);
    EXPECT_EQ(c.toS, 90);
    EXPECT_TRUE(c.continueDrive);
    EXPECT_EQ(c.layout, 1);
    EXPECT_FALSE(c.overlay);
    EXPECT_EQ(c.destination, QStringLiteral("/tmp/b.mp4"));

    box.findChild<QDoubleSpinBox*>(QStringLiteral("from"))->setValue(60);
    to->setValue(10);
    QTest::mouseClick(box.okButton(), Qt::LeftButton);
    EXPECT_TRUE(box.isVisible()) << "an empty range is not accepted";
    to->setValue(70);
    QTest::mouseClick(box.okButton(), Qt::LeftButton);
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST(ExportBoxes, ProgressBoxCancelsOnceThenShowsTheOutcome) {
    QWidget mainWindow;
    OstrelExportProgressBox box(&mainWindow);
    int cancels = 0;
    box.onCancel = [&] { ++cancels; };
    box.show();
    box.setProgress(30, 120);
    EXPECT_EQ(box.bar()->value(), 30);
    EXPECT_EQ(box.bar()->maximum(), 120);
    QTest::mouseClick(box.button(), Qt::LeftButton);
    QTest::mouseClick(box.button(), Qt::LeftButton);
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(box.isVisible()) << "the box waits for the export to end";
    box.reject();
    EXPECT_TRUE(box.isVisible()) << "Escape does not close it";

    box.showOutcome(false, QStringLiteral("cannot write /sys/a.mp4: Permission denied"));
    EXPECT_TRUE(box.text().contains(QStringLiteral("Permission denied")));
    EXPECT_EQ(box.title(), QStringLiteral("내보내기 실패"));
    box.showOutcome(OstrelExportProgressBox::Outcome::Cancelled, QStringLiteral("취소되었습니다."));
    EXPECT_EQ(box.title(), QStringLiteral("내보내기 취소")) << "a cancel is no failure";
    QTest::mouseClick(box.button(), Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(cancels, 1);
}

}  // namespace
}  // namespace moksel
