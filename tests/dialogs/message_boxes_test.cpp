// The skinned message boxes: their texts, where they appear, what they answer, the keys they
// swallow and the drag by the background.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>

#include "dialogs/message_boxes.h"

namespace moksel {
namespace {

// Runs `whileOpen` once the modal box is up. While the returned guard lives, a box that is never
// answered is closed after a generous wait so a fault cannot hang the suite.
template <class Box>
std::unique_ptr<QTimer> whenShown(const std::function<void(Box&)>& whileOpen) {
    QTimer::singleShot(0, [whileOpen] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = dynamic_cast<Box*>(widget); box != nullptr && box->isVisible()) {
                whileOpen(*box);
                return;
            }
        }
        ADD_FAILURE() << "no box was shown";
    });
    auto guard = std::make_unique<QTimer>();
    guard->setSingleShot(true);
    QObject::connect(guard.get(), &QTimer::timeout, [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = dynamic_cast<SkinMessageBox*>(widget)) box->done(-1);
        }
    });
    guard->start(30000);
    return guard;
}

struct MainWindow {
    QWidget window;
    MainWindow() {
        window.setWindowFlags(Qt::FramelessWindowHint);
        window.setGeometry(40, 30, 1024, 768);
        window.show();
    }
};

TEST(MessageTexts, TablesHoldTheNoticesAndQuestions) {
    EXPECT_EQ(oneButtonText(kMsgSaveNeedsRecording).title, QStringLiteral("파일저장"));
    EXPECT_EQ(oneButtonText(kMsgSaveNeedsRecording).line1,
              QStringLiteral("   파일이 열려있을때만 저장이 가능합니다."));
    EXPECT_TRUE(oneButtonText(kMsgSaveNeedsRecording).line2.isEmpty());
    const MessageText chooseDrive = oneButtonText(kMsgFormatChooseDrive);
    EXPECT_EQ(chooseDrive.line1, QStringLiteral("         SD카드가 마운트된 드라이브를"));
    EXPECT_EQ(chooseDrive.line2, QStringLiteral("                  선택해 주십시오."));
    // The defaults notice keeps its title about opening files.
    EXPECT_EQ(oneButtonText(kMsgConfigDefaultsLoaded).title, QStringLiteral("파일열기"));
    // Trailing blanks are part of the texts.
    EXPECT_EQ(oneButtonText(kMsgFormatFailed).line1,
              QStringLiteral("            포맷에 실패하였습니다.           "));
    EXPECT_EQ(oneButtonText(kMsgRearOpenFailed).line1,
              QStringLiteral("  후방 파일을 읽는 중에 오류가 발생했습니다."));
    // Failed captures are reported as failures, in the capture notices' style.
    EXPECT_EQ(oneButtonText(kMsgFrontCaptureFailed).title, oneButtonText(kMsgFrontCaptureSaved).title);
    EXPECT_EQ(oneButtonText(kMsgFrontCaptureFailed).line1,
              QStringLiteral("        전방 영상 캡쳐에 실패하였습니다.   "));
    EXPECT_EQ(oneButtonText(kMsgRearCaptureFailed).line1,
              QStringLiteral("        후방 영상 캡쳐에 실패하였습니다.   "));
    for (int code = 0; code < kOneButtonCodeCount; ++code) {
        const MessageText text = oneButtonText(code);
        EXPECT_FALSE(text.title.isEmpty()) << code;
        EXPECT_FALSE(text.line1.isEmpty()) << code;
        EXPECT_LT(text.line1.size(), 100) << code;
    }
    EXPECT_EQ(twoButtonText(kAskEraseDrive).line2, QStringLiteral("                계속하시겠습니까?"));
    EXPECT_EQ(twoButtonText(kAskOverwriteFile).line1,
              QStringLiteral("     같은 이름의 파일이 이미 존재합니다."));
    // Unused slots and codes outside the tables show nothing.
    for (int code : {-1, kOneButtonCodeCount, 1000}) EXPECT_TRUE(oneButtonText(code).title.isEmpty());
    for (int code : {3, 9, 10}) EXPECT_TRUE(twoButtonText(code).line1.isEmpty());
}

// Whether any pixel of `band` differs between two pictures.
bool differs(const QImage& a, const QImage& b, QRect band) {
    for (int y = band.top(); y <= band.bottom(); ++y) {
        for (int x = band.left(); x <= band.right(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) return true;
        }
    }
    return false;
}

TEST(MessageBoxes, DrawTitleAndLinesInTheirBands) {
    COstrelOneButtonMessageBox box(nullptr);
    box.setCode(kOneButtonCodeCount);  // nothing to draw
    const QImage empty = box.picture();
    const QRect titleBand(47, 32, 200, 18), line1Band(10, 85, 280, 15), line2Band(10, 105, 280, 15);

    box.setCode(kMsgFormatChooseDrive);
    const QImage twoLines = box.picture();
    EXPECT_TRUE(differs(empty, twoLines, titleBand));
    EXPECT_TRUE(differs(empty, twoLines, line1Band));
    EXPECT_TRUE(differs(empty, twoLines, line2Band));
    // Title in light grey, lines in near black.
    bool lightTitle = false, darkLine = false;
    for (int x = 47; x < 247; ++x) {
        for (int y = 32; y < 50; ++y) lightTitle |= twoLines.pixel(x, y) == qRgb(222, 222, 222);
        for (int y = 85; y < 100; ++y) darkLine |= twoLines.pixel(x, y) == qRgb(8, 8, 8);
    }
    EXPECT_TRUE(lightTitle);
    EXPECT_TRUE(darkLine);

    box.setCode(kMsgSaveNeedsRecording);
    const QImage oneLine = box.picture();
    EXPECT_TRUE(differs(empty, oneLine, line1Band));
    EXPECT_FALSE(differs(empty, oneLine, line2Band));

    // On screen the box shows that picture, with its button over the bottom.
    box.resize(SkinMessageBox::kSize);
    const QRect aboveButtons(0, 0, 297, 170);
    EXPECT_EQ(box.grab(aboveButtons).toImage().convertToFormat(QImage::Format_RGB32),
              oneLine.copy(aboveButtons));
}

// Columns of `band` (in box pixels, at `scale`) holding dark text ink: first and last, or
// {-1, -1} when there is none.
std::pair<int, int> inkColumns(const QImage& picture, QRect band, int scale = 1) {
    int first = -1, last = -1;
    for (int x = band.left() * scale; x < (band.right() + 1) * scale; ++x) {
        for (int y = band.top() * scale; y < (band.bottom() + 1) * scale; ++y) {
            if (qGray(picture.pixel(x, y)) < 100) {
                if (first < 0) first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

TEST(MessageBoxes, LinesAreCentredOnTheirPanelAndSharpAtDoubleDensity) {
    COstrelOneButtonMessageBox box(nullptr);
    const QRect panel = SkinMessageBox::kTextPanel;
    for (int code = 0; code < kOneButtonCodeCount; ++code) {
        box.setCode(code);
        if (box.texts().line1.trimmed().isEmpty()) continue;
        const auto [left, right] = inkColumns(box.picture(), QRect(panel.left(), 85, panel.width(), 16));
        ASSERT_GE(left, 0) << "code " << code;
        const int leftMargin = left - panel.left();
        const int rightMargin = panel.right() - right;
        EXPECT_LE(std::abs(leftMargin - rightMargin), 3) << "code " << code << " sits off centre";
    }

    // At a pixel ratio of 2 the text is drawn with twice the pixels, not enlarged from the
    // box's own size: its ink has edges a 1x picture cannot have (odd widths of dark runs).
    box.setCode(kMsgFormatChooseDrive);
    const QImage sharp = box.picture(2.0);
    ASSERT_EQ(sharp.size(), SkinMessageBox::kSize * 2);
    const QImage enlarged = box.picture(1.0).scaled(sharp.size());
    auto oddRuns = [](const QImage& image) {
        int odd = 0;
        for (int y = 85 * 2; y < 100 * 2; ++y) {
            int run = 0;
            for (int x = 0; x < image.width(); ++x) {
                if (qGray(image.pixel(x, y)) < 100) {
                    ++run;
                } else {
                    odd += run % 2;
                    run = 0;
                }
            }
        }
        return odd;
    };
    EXPECT_EQ(oddRuns(enlarged), 0);
    EXPECT_GT(oddRuns(sharp), 20);

    // What a failed tool said fills a code's empty second line, within the panel.
    box.setCode(kMsgFormatFailed);
    const QImage bare = box.picture();
    box.setDetail(QStringLiteral("WARNING: Number of clusters for 32 bit FAT is less then suggested minimum."));
    const QImage told = box.picture();
    EXPECT_TRUE(differs(bare, told, QRect(panel.left(), 105, panel.width(), 16)));
    EXPECT_TRUE(differs(bare, told, QRect(panel.left(), 123, panel.width(), 16))) << "wrapped, not cut off";
    EXPECT_FALSE(differs(bare, told, QRect(0, 100, panel.left(), 60)));
    EXPECT_FALSE(differs(bare, told, QRect(panel.right() + 1, 100, 297 - panel.right() - 1, 60)));
    EXPECT_FALSE(differs(bare, told, QRect(0, panel.bottom() + 1, 297, 216 - panel.bottom() - 1)));
}

TEST(MessageBoxes, OneButtonBoxPlacesItselfAndAnswersOk) {
    MainWindow main;
    bool checked = false;
    auto guard = whenShown<COstrelOneButtonMessageBox>([&](COstrelOneButtonMessageBox& box) {
        EXPECT_EQ(box.code(), kMsgRepeatNeedsRecording);
        EXPECT_EQ(box.geometry(), QRect(main.window.mapToGlobal(QPoint(364, 276)), QSize(297, 216)));
        EXPECT_EQ(box.okButton()->geometry(), QRect(109, 177, 78, 28));
        EXPECT_EQ(box.okButton()->objectName(), QStringLiteral("1"));
        EXPECT_TRUE(box.isModal());
        // Enter and Escape do not close it, nor does a close request.
        QTest::keyClick(&box, Qt::Key_Return);
        QTest::keyClick(&box, Qt::Key_Enter);
        QTest::keyClick(&box, Qt::Key_Escape);
        box.close();
        QCoreApplication::processEvents();
        EXPECT_TRUE(box.isVisible());
        checked = true;
        QTest::mouseClick(box.okButton(), Qt::LeftButton);
    });
    EXPECT_EQ(showOneButtonMessage(&main.window, kMsgRepeatNeedsRecording), kBoxOk);
    EXPECT_TRUE(checked);
}

TEST(MessageBoxes, TwoButtonBoxAnswersOkOrCancel) {
    MainWindow main;
    for (int answer : {kBoxOk, kBoxCancel}) {
        auto guard = whenShown<OstrelTwoButtonMessageBox>([&](OstrelTwoButtonMessageBox& box) {
            EXPECT_EQ(box.code(), kAskOverwriteFile);
            EXPECT_EQ(box.pos(), main.window.mapToGlobal(QPoint(364, 276)));
            EXPECT_EQ(box.okButton()->geometry(), QRect(52, 177, 78, 28));
            EXPECT_EQ(box.cancelButton()->geometry(), QRect(165, 177, 78, 28));
            QTest::keyClick(&box, Qt::Key_Escape);
            QTest::keyClick(&box, Qt::Key_Return);
            EXPECT_TRUE(box.isVisible());
            QTest::mouseClick(answer == kBoxOk ? box.okButton() : box.cancelButton(),
                              Qt::LeftButton);
        });
        EXPECT_EQ(askTwoButtonQuestion(&main.window, kAskOverwriteFile), answer);
    }
}

TEST(MessageBoxes, PlaceThemselvesAfreshEachTimeAndDragByTheBackground) {
    MainWindow main;
    COstrelOneButtonMessageBox box(&main.window);
    QPoint afterDrag;
    auto guard = whenShown<COstrelOneButtonMessageBox>([&](COstrelOneButtonMessageBox& shown) {
        const QPoint start = shown.pos();
        QTest::mousePress(&shown, Qt::LeftButton, {}, QPoint(150, 10));
        QTest::mouseMove(&shown, QPoint(180, 30));
        QTest::mouseRelease(&shown, Qt::LeftButton, {}, QPoint(180, 30));
        afterDrag = shown.pos() - start;
        QTest::mouseClick(shown.okButton(), Qt::LeftButton);
    });
    EXPECT_EQ(box.run(kMsgFileMissing), kBoxOk);
    EXPECT_EQ(afterDrag, QPoint(30, 20));

    // The main window moved: the next run follows it.
    main.window.move(200, 100);
    QPoint placed;
    auto secondGuard = whenShown<COstrelOneButtonMessageBox>([&](COstrelOneButtonMessageBox& shown) {
        placed = shown.pos();
        EXPECT_EQ(shown.code(), kMsgFormatDone);
        QTest::mouseClick(shown.okButton(), Qt::LeftButton);
    });
    EXPECT_EQ(box.run(kMsgFormatDone), kBoxOk);
    EXPECT_EQ(placed, main.window.mapToGlobal(QPoint(364, 276)));
    // The code stays stored until the next run.
    EXPECT_EQ(box.code(), kMsgFormatDone);
}

}  // namespace
}  // namespace moksel
