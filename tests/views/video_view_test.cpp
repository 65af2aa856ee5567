// The video views on real widgets: what they paint from the pictures in the playback record,
// the pan and its limits, zoom steps, the enlarge request and the JPEG capture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QTemporaryDir>
#include <cstdlib>
#include <vector>

#include "engine/playback_state.h"
#include "engine/views/video_view.h"
#include "platform/window_messages.h"
#include "platform/skin.h"
#include "platform/window.h"

namespace moksel {
namespace {

// Stands in for the main window: keeps every message the view sends or posts to it.
class ParentProbe : public Window<QWidget> {
public:
    struct Message {
        unsigned number;
        WParam wParam;
    };
    std::vector<Message> messages;

protected:
    LResult handleMessage(unsigned number, WParam wParam, LParam) override {
        messages.push_back({number, wParam});
        return 0;
    }
};

// A picture whose every pixel says where it is: red = x mod 256, green = y mod 256,
// blue = the high bits of x and y.
std::vector<uint8_t> positionPicture(int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = static_cast<uint8_t>((x >> 8) | ((y >> 8) << 4));  // B
            p[1] = static_cast<uint8_t>(y & 0xFF);                     // G
            p[2] = static_cast<uint8_t>(x & 0xFF);                     // R
            p[3] = 0xFF;
        }
    }
    return pixels;
}

QPoint positionOf(QRgb pixel) {
    const int high = qBlue(pixel);
    return {qRed(pixel) | ((high & 0x0F) << 8), qGreen(pixel) | ((high >> 4) << 8)};
}

// A smooth picture, for comparisons through JPEG.
std::vector<uint8_t> gradientPicture(int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            p[0] = static_cast<uint8_t>(x * 255 / width);
            p[1] = static_cast<uint8_t>(y * 255 / height);
            p[2] = static_cast<uint8_t>(128 + (x - y) / 16);
            p[3] = 0xFF;
        }
    }
    return pixels;
}

void sendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons,
               Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

class VideoViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetState();
        parent.resize(1024, 768);
        front = new OstrelMainView(&parent);
        rear = new OstrelRearView(&parent);
        front->move(18, 70);
        rear->move(518, 70);
    }
    void TearDown() override {
        resetState();
        VideoView::setSaveNameChooser(nullptr);
    }
    static void resetState() {
        for (int camera : {kFrontCamera, kRearCamera}) {
            currentPicture(camera) = nullptr;
            largePicture(camera) = nullptr;
            sizeIndexOf(camera) = kViewSizeIndex;
        }
        playbackState.uiState = Stopped;
        playbackState.openState = NoRecording;
    }
    // Drags with the left button from `from` by `by`.
    static void drag(VideoView* view, QPoint from, QPoint by) {
        sendMouse(view, QEvent::MouseButtonPress, from, Qt::LeftButton);
        sendMouse(view, QEvent::MouseMove, from + by, Qt::LeftButton, Qt::NoButton);
        sendMouse(view, QEvent::MouseButtonRelease, from + by, Qt::NoButton);
    }

    ParentProbe parent;
    OstrelMainView* front = nullptr;
    OstrelRearView* rear = nullptr;
};

TEST_F(VideoViewTest, WithoutPictureShowsTheIdleBitmapAndWhatIsLoaded) {
    auto shot = [](VideoView* view) { return view->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const QRect bitmapPart(0, 0, 487, 170);  // above the state lines
    const QRect stateLines(0, 176, 487, 46);
    playbackState.openState = NoRecording;
    const QImage frontNothing = shot(front);
    const QImage rearNothing = shot(rear);
    ASSERT_EQ(frontNothing.size(), QSize(487, 311));
    if (!hasSkinBitmap(149) || !hasSkinBitmap(232)) GTEST_SKIP() << "skin not built in";
    EXPECT_EQ(frontNothing.copy(bitmapPart), skinImage(149).convertToFormat(QImage::Format_RGB32).copy(bitmapPart));
    EXPECT_EQ(rearNothing.copy(bitmapPart), skinImage(232).convertToFormat(QImage::Format_RGB32).copy(bitmapPart));
    EXPECT_NE(frontNothing, rearNothing);

    // Stopped with a recording loaded, the views do not ask for a recording to be chosen.
    playbackState.openState = FrontAndRear;
    const QImage frontStopped = shot(front);
    EXPECT_EQ(frontStopped.copy(bitmapPart), frontNothing.copy(bitmapPart));
    EXPECT_NE(frontStopped.copy(stateLines), frontNothing.copy(stateLines));
    EXPECT_NE(shot(rear).copy(stateLines), rearNothing.copy(stateLines));
    // A recording without a rear video: the rear says so, unlike a stopped pair.
    const QImage rearStoppedPair = shot(rear);
    playbackState.openState = FrontOnly;
    EXPECT_NE(shot(rear).copy(stateLines), rearStoppedPair.copy(stateLines));
    EXPECT_NE(shot(rear).copy(stateLines), rearNothing.copy(stateLines));
    EXPECT_EQ(shot(front), frontStopped);
    playbackState.openState = NoRecording;
}

TEST_F(VideoViewTest, PaintsTheViewSizePictureOneToOne) {
    auto pixels = positionPicture(487, 311);
    playbackState.frontPicture = pixels.data();
    const QImage shot = front->grab().toImage();
    for (QPoint at : {QPoint(0, 0), QPoint(486, 310), QPoint(250, 100), QPoint(17, 299)}) {
        EXPECT_EQ(positionOf(shot.pixel(at)), at);
    }
    // The rear view paints its own camera: still nothing there.
    EXPECT_NE(positionOf(rear->grab().toImage().pixel(100, 100)), QPoint(100, 100));
}

TEST_F(VideoViewTest, LargePictureShowsTheCentreUntilPanned) {
    auto pixels = positionPicture(1280, 720);
    playbackState.rearPicture = pixels.data();
    playbackState.rearSizeIndex = kLargeSizeIndex;
    const QImage shot = rear->grab().toImage();
    EXPECT_EQ(positionOf(shot.pixel(0, 0)), QPoint(396, 204));
    EXPECT_EQ(positionOf(shot.pixel(486, 310)), QPoint(396 + 486, 204 + 310));
}

TEST_F(VideoViewTest, PanStopsAtThePictureEdges) {
    auto pixels = positionPicture(1280, 720);
    playbackState.frontPicture = pixels.data();
    playbackState.frontSizeIndex = kLargeSizeIndex;

    // Far to the right and down: the picture's top-left corner reaches the view's.
    drag(front, {10, 10}, {2000, 2000});
    EXPECT_EQ(front->panX(), 396);
    EXPECT_EQ(front->panY(), 204);
    EXPECT_EQ(positionOf(front->grab().toImage().pixel(0, 0)), QPoint(0, 0));

    // Far the other way: the window reaches the bottom-right, up to the odd last column and
    // row that the integer halves of (1280 - 487) and (720 - 311) leave out.
    drag(front, {400, 300}, {-3000, -3000});
    EXPECT_EQ(front->panX(), -396);
    EXPECT_EQ(front->panY(), -204);
    EXPECT_EQ(positionOf(front->grab().toImage().pixel(486, 310)), QPoint(1278, 718));

    // A small drag moves by exactly the mouse's way.
    drag(front, {200, 200}, {30, 7});
    EXPECT_EQ(front->panX(), -366);
    EXPECT_EQ(front->panY(), -197);
}

TEST_F(VideoViewTest, NoPanAtTheViewSizeNorWithoutAButton) {
    auto pixels = positionPicture(487, 311);
    playbackState.frontPicture = pixels.data();
    drag(front, {10, 10}, {100, 50});
    EXPECT_EQ(front->panX(), 0);
    EXPECT_EQ(front->panY(), 0);

    playbackState.frontSizeIndex = kLargeSizeIndex;
    sendMouse(front, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    sendMouse(front, QEvent::MouseButtonRelease, {10, 10}, Qt::NoButton);
    sendMouse(front, QEvent::MouseMove, {90, 60}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(front->panX(), 0);
}

TEST_F(VideoViewTest, ZoomStepsKeepOrResetThePan) {
    auto pixels = positionPicture(1280, 720);
    playbackState.frontPicture = pixels.data();
    playbackState.frontSizeIndex = kLargeSizeIndex;
    drag(front, {100, 100}, {50, 20});
    ASSERT_EQ(front->panX(), 50);

    // Already large: a step towards the large size changes nothing.
    front->send(UM_ZOOM_STEP, 0, 0);
    EXPECT_EQ(front->panX(), 50);
    EXPECT_EQ(front->panY(), 20);

    // Towards the view size: centred again.
    front->send(UM_ZOOM_STEP, 1, 0);
    playbackState.frontSizeIndex = kViewSizeIndex;  // the engine's change that follows
    EXPECT_EQ(front->panX(), 0);
    EXPECT_EQ(front->panY(), 0);

    // Zooming in again starts centred.
    front->send(UM_ZOOM_STEP, 0, 0);
    playbackState.frontSizeIndex = kLargeSizeIndex;
    EXPECT_EQ(front->panX(), 0);
    EXPECT_EQ(positionOf(front->grab().toImage().pixel(0, 0)), QPoint(396, 204));

    drag(front, {100, 100}, {-10, -5});
    front->send(UM_RESET_PAN, 0, 0);
    EXPECT_EQ(front->panX(), 0);
    EXPECT_EQ(front->panY(), 0);
}

TEST_F(VideoViewTest, DoubleClickAsksForTheEnlargedWindowOnlyWithAPicture) {
    sendMouse(front, QEvent::MouseButtonDblClick, {100, 100}, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(parent.messages.empty());

    auto pixels = positionPicture(487, 311);
    playbackState.frontPicture = pixels.data();
    playbackState.rearPicture = pixels.data();
    sendMouse(rear, QEvent::MouseButtonDblClick, {100, 100}, Qt::LeftButton);
    sendMouse(front, QEvent::MouseButtonDblClick, {100, 100}, Qt::LeftButton);
    EXPECT_TRUE(parent.messages.empty()) << "the request is posted, not sent";
    QCoreApplication::processEvents();
    ASSERT_EQ(parent.messages.size(), 2u);
    EXPECT_EQ(parent.messages[0].number, UM_ENLARGE);
    EXPECT_EQ(parent.messages[0].wParam, 1u);
    EXPECT_EQ(parent.messages[1].number, UM_ENLARGE);
    EXPECT_EQ(parent.messages[1].wParam, 0u);
}

TEST_F(VideoViewTest, LeavesTheWheelToTheMainWindow) {
    QWheelEvent wheel(QPointF(50, 50), QPointF(front->mapToGlobal(QPoint(50, 50))), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    wheel.accept();
    QCoreApplication::sendEvent(front, &wheel);
    EXPECT_FALSE(wheel.isAccepted());
}

class CaptureTest : public VideoViewTest {
protected:
    void SetUp() override {
        VideoViewTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        VideoView::setSaveNameChooser([this](QWidget*, const QString& title) {
            titles.push_back(title);
            return chosenName;
        });
    }
    QTemporaryDir folder;
    QString chosenName;
    std::vector<QString> titles;
};

double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

TEST_F(CaptureTest, FrontWithoutPictureSaysSoAndDoesNotChainToTheRear) {
    front->send(UM_CAPTURE, 0, 0);
    EXPECT_TRUE(titles.empty());
    ASSERT_EQ(parent.messages.size(), 1u);
    EXPECT_EQ(parent.messages[0].number, UM_SHOW_MESSAGE);
    EXPECT_EQ(parent.messages[0].wParam, 2u);

    parent.messages.clear();
    rear->send(UM_CAPTURE, 0, 0);
    EXPECT_TRUE(titles.empty());
    EXPECT_TRUE(parent.messages.empty());
}

TEST_F(CaptureTest, SavesTheLargePicturesAsJpegAtFullQuality) {
    auto frontPixels = gradientPicture(1280, 720);
    auto rearPixels = gradientPicture(1280, 720);
    std::reverse(rearPixels.begin(), rearPixels.end());
    for (size_t i = 3; i < rearPixels.size(); i += 4) rearPixels[i] = 0xFF;
    playbackState.frontLargePicture = frontPixels.data();
    playbackState.rearLargePicture = rearPixels.data();

    chosenName = folder.filePath(QStringLiteral("front.jpg"));
    front->send(UM_CAPTURE, 0, 0);
    ASSERT_EQ(parent.messages.size(), 2u);
    EXPECT_EQ(parent.messages[0].number, UM_SHOW_MESSAGE);
    EXPECT_EQ(parent.messages[0].wParam, 7u);
    EXPECT_EQ(parent.messages[1].number, UM_CAPTURE_REAR);

    chosenName = folder.filePath(QStringLiteral("rear.jpg"));
    rear->send(UM_CAPTURE, 0, 0);
    ASSERT_EQ(parent.messages.size(), 3u);
    EXPECT_EQ(parent.messages[2].number, UM_SHOW_MESSAGE);
    EXPECT_EQ(parent.messages[2].wParam, 8u);
    EXPECT_EQ(titles, (std::vector<QString>{QStringLiteral("전방 영상 화면 캡쳐"),
                                            QStringLiteral("후방 영상 화면 캡쳐")}));

    const QImage frontSaved(folder.filePath(QStringLiteral("front.jpg")), "jpg");
    const QImage rearSaved(folder.filePath(QStringLiteral("rear.jpg")), "jpg");
    ASSERT_EQ(frontSaved.size(), QSize(1280, 720));
    ASSERT_EQ(rearSaved.size(), QSize(1280, 720));
    const QImage frontOriginal(frontPixels.data(), 1280, 720, QImage::Format_RGB32);
    const QImage rearOriginal(rearPixels.data(), 1280, 720, QImage::Format_RGB32);
    // Quality 100 keeps a smooth picture within a level or two; a lower quality or the other
    // camera's picture would be far off.
    EXPECT_LT(meanDifference(frontSaved, frontOriginal), 2.0);
    EXPECT_LT(meanDifference(rearSaved, rearOriginal), 2.0);
    EXPECT_GT(meanDifference(frontSaved, rearOriginal), 20.0);
}

TEST_F(CaptureTest, CancelledDialogWritesNothingAndStillChainsToTheRear) {
    auto pixels = gradientPicture(1280, 720);
    playbackState.frontLargePicture = pixels.data();
    chosenName.clear();
    front->send(UM_CAPTURE, 0, 0);
    ASSERT_EQ(parent.messages.size(), 1u);
    EXPECT_EQ(parent.messages[0].number, UM_CAPTURE_REAR);
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(CaptureTest, FailedSaveIsReportedAsAFailure) {
    auto pixels = gradientPicture(1280, 720);
    playbackState.frontLargePicture = pixels.data();
    playbackState.rearLargePicture = pixels.data();
    chosenName = folder.filePath(QStringLiteral("no such folder/front.jpg"));
    front->send(UM_CAPTURE, 0, 0);
    rear->send(UM_CAPTURE, 0, 0);
    ASSERT_EQ(parent.messages.size(), 3u);
    EXPECT_EQ(parent.messages[0].number, UM_SHOW_MESSAGE);
    EXPECT_EQ(parent.messages[0].wParam, 26u);
    EXPECT_EQ(parent.messages[1].number, UM_CAPTURE_REAR);
    EXPECT_EQ(parent.messages[2].number, UM_SHOW_MESSAGE);
    EXPECT_EQ(parent.messages[2].wParam, 27u);
}

}  // namespace
}  // namespace moksel
