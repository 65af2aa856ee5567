// The compiled-in skin: every bitmap the windows load exists at its size (and twice that at
// @2x), colour keys leave the drawn shapes whole, pieces copied onto other bitmaps match what
// they are copied onto, and the Korean labels are real glyphs.
#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <map>
#include <queue>
#include <vector>

namespace {

QImage load(int number, bool twice = false) {
    return QImage(QStringLiteral(":/skin/%1%2.png").arg(number).arg(twice ? "@2x" : ""));
}

struct Size {
    int w, h;
};

// Resource numbers and sizes as the windows use them.
const std::map<int, Size>& expectedSizes() {
    static const std::map<int, Size> sizes = [] {
        std::map<int, Size> m;
        auto add = [&m](std::initializer_list<int> numbers, int w, int h) {
            for (int n : numbers) m[n] = {w, h};
        };
        // main window
        add({129}, 1024, 768);
        add({318, 319}, 62, 23);
        add({191, 192, 187, 188}, 38, 24);
        add({168, 169, 164, 165, 160, 161, 155, 156, 159, 158, 162, 163, 166, 170}, 33, 32);
        add({182, 183, 239, 189, 190}, 39, 24);
        add({184, 185}, 107, 23);
        add({186, 181, 301, 302}, 168, 34);
        add({180, 171, 176, 177, 174, 175, 178, 179, 172, 173}, 50, 48);
        add({207, 206}, 73, 17);
        add({236, 233, 234, 235}, 25, 23);
        add({269}, 19, 15);
        add({237}, 142, 35);
        add({322, 323}, 51, 13);
        add({316, 317}, 74, 17);
        add({312, 313}, 55, 13);
        add({314, 315}, 47, 13);
        // video views
        add({149, 232}, 487, 311);
        add({150}, 700, 391);
        // sliders, repeat markers, enlarged window bar
        add({137, 135, 325}, 373, 16);
        add({136}, 16, 16);
        add({224, 223}, 109, 8);
        add({225}, 8, 8);
        add({132}, 14, 400);
        add({133}, 60, 35);
        add({289}, 373, 25);
        add({288}, 21, 20);
        add({321}, 1023, 70);
        // recording list and information panes
        add({131}, 344, 263);
        add({147}, 48, 16);
        add({148}, 485, 20);
        add({196, 197}, 33, 18);
        add({194, 200}, 103, 18);
        add({201, 199}, 131, 18);
        add({324}, 77, 18);
        add({205, 202, 203, 204}, 14, 14);
        add({229}, 465, 28);
        add({154}, 189, 17);
        // boxes
        add({253, 320}, 297, 216);
        add({249, 250, 247, 248, 251, 252}, 78, 28);
        add({267}, 447, 233);
        add({268, 266}, 78, 28);
        add({280}, 297, 233);
        add({255, 256}, 35, 34);
        // telemetry displays
        add({228}, 373, 64);
        add({208}, 84, 74);
        add({210, 211, 212, 213, 214, 215, 216, 217, 218, 219}, 10, 17);
        add({209, 220}, 27, 11);
        add({293, 294, 295, 296, 297, 298, 299, 300}, 57, 55);
        add({304, 305, 306, 307, 308, 309, 310, 311}, 57, 55);
        add({222}, 63, 17);
        add({152}, 42, 17);
        // device dialogs
        add({278}, 447, 698);
        add({276, 277}, 15, 15);
        add({286, 283, 284, 285}, 78, 28);
        add({262}, 300, 383);
        add({264, 263, 260, 259}, 78, 28);
        return m;
    }();
    return sizes;
}

TEST(SkinBitmaps, EveryNumberExistsAtItsSizeAndTwiceAtTwoX) {
    EXPECT_GE(expectedSizes().size(), 145u);
    for (const auto& [number, size] : expectedSizes()) {
        const QImage one = load(number);
        const QImage two = load(number, true);
        ASSERT_FALSE(one.isNull()) << "bitmap " << number << " missing";
        ASSERT_FALSE(two.isNull()) << "bitmap " << number << "@2x missing";
        EXPECT_EQ(one.size(), QSize(size.w, size.h)) << "bitmap " << number;
        EXPECT_EQ(two.size(), QSize(2 * size.w, 2 * size.h)) << "bitmap " << number << "@2x";
        // skin bitmaps are opaque colour pictures
        EXPECT_FALSE(one.hasAlphaChannel()) << "bitmap " << number;
        // everything but the view's black composition surface has something drawn on it
        if (number != 150) {
            const QImage rgb = one.convertToFormat(QImage::Format_RGB32);
            bool varied = false;
            for (int y = 0; y < rgb.height() && !varied; ++y)
                for (int x = 0; x < rgb.width() && !varied; ++x)
                    varied = rgb.pixel(x, y) != rgb.pixel(0, 0);
            EXPECT_TRUE(varied) << "bitmap " << number << " is one flat colour";
        }
    }
}

TEST(SkinBitmaps, TwoXIsTheSamePictureSharper) {
    // The @2x twin scaled down must look like the 1x picture: same drawing, not another one.
    for (int number : {129, 155, 208, 278, 228, 293}) {
        const QImage one = load(number).convertToFormat(QImage::Format_RGB32);
        const QImage down = load(number, true)
                                .scaled(one.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_RGB32);
        double total = 0;
        for (int y = 0; y < one.height(); ++y)
            for (int x = 0; x < one.width(); ++x) {
                const QRgb a = one.pixel(x, y), b = down.pixel(x, y);
                total += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                         std::abs(qBlue(a) - qBlue(b));
            }
        EXPECT_LT(total / (3.0 * one.width() * one.height()), 12.0) << "bitmap " << number;
    }
}

TEST(SkinBitmaps, ApplicationIconAtEveryInstalledSize) {
    EXPECT_FALSE(load(128).isNull());
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage icon(QStringLiteral(":/skin/icon-%1.png").arg(size));
        ASSERT_FALSE(icon.isNull()) << size;
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_TRUE(icon.hasAlphaChannel()) << "icon corners should be clear";
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    }
}

// ---- Colour keys ---------------------------------------------------------------------------

bool isKey(QRgb c, QRgb key) { return (c & 0xffffffu) == (key & 0xffffffu); }

// Key pixels not reachable from the bitmap's edge through other key pixels: holes punched into
// the drawn shape, which would show whatever lies behind.
int keyHoles(const QImage& img, QRgb key, QRect area) {
    std::vector<char> seen(area.width() * area.height(), 0);
    std::queue<QPoint> todo;
    auto visit = [&](int x, int y) {
        if (!area.contains(x, y)) return;
        char& s = seen[(y - area.top()) * area.width() + (x - area.left())];
        if (s || !isKey(img.pixel(x, y), key)) return;
        s = 1;
        todo.push(QPoint(x, y));
    };
    for (int x = area.left(); x <= area.right(); ++x) visit(x, area.top()), visit(x, area.bottom());
    for (int y = area.top(); y <= area.bottom(); ++y) visit(area.left(), y), visit(area.right(), y);
    while (!todo.empty()) {
        const QPoint p = todo.front();
        todo.pop();
        visit(p.x() + 1, p.y()), visit(p.x() - 1, p.y()), visit(p.x(), p.y() + 1), visit(p.x(), p.y() - 1);
    }
    int holes = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (isKey(img.pixel(x, y), key) && !seen[(y - area.top()) * area.width() + (x - area.left())])
                ++holes;
    return holes;
}

int countKey(const QImage& img, QRgb key, QRect area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += isKey(img.pixel(x, y), key);
    return n;
}

struct Keyed {
    int number;
    QRgb key;
    QRect usedPart;  // the part the viewer copies, at 1x
};

TEST(SkinBitmaps, ColourKeysOnlyAroundTheShapes) {
    const Keyed keyed[] = {{136, qRgb(38, 38, 39), QRect(0, 0, 16, 16)},
                           {225, qRgb(39, 39, 39), QRect(0, 0, 8, 8)},
                           {133, qRgb(0, 0, 0), QRect(0, 0, 14, 35)},
                           {147, qRgb(243, 14, 254), QRect(0, 0, 12, 16)},
                           {147, qRgb(243, 14, 254), QRect(16, 0, 12, 16)},
                           {147, qRgb(243, 14, 254), QRect(32, 0, 12, 16)}};
    for (const Keyed& k : keyed) {
        for (int scale : {1, 2}) {
            const QImage img = load(k.number, scale == 2).convertToFormat(QImage::Format_RGB32);
            const QRect part(k.usedPart.topLeft() * scale, k.usedPart.size() * scale);
            const int keys = countKey(img, k.key, part);
            const int area = part.width() * part.height();
            SCOPED_TRACE(testing::Message() << "bitmap " << k.number << " at " << scale << "x");
            EXPECT_GT(keys, 0) << "nothing around the shape is left out";
            EXPECT_LT(keys, area * 3 / 4) << "the shape is mostly missing";
            EXPECT_EQ(keyHoles(img, k.key, part), 0) << "drawn pixels in the key colour";
            EXPECT_FALSE(isKey(img.pixel(part.center()), k.key)) << "centre of the shape is see-through";
        }
    }
    // The other bitmaps the list draws over its rows must not carry the list's key by accident.
    for (int number : {131, 148})
        EXPECT_EQ(countKey(load(number).convertToFormat(QImage::Format_RGB32), qRgb(243, 14, 254),
                           load(number).rect()),
                  0);
}

TEST(SkinBitmaps, TypeIconsInTheirTypeColours) {
    const QImage icons = load(147).convertToFormat(QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(0, 255, 0), qRgb(255, 0, 0), qRgb(0, 174, 239)};
    for (int i = 0; i < 3; ++i) {
        int hits = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = i * 16; x < i * 16 + 12; ++x) hits += isKey(icons.pixel(x, y), colours[i]);
        EXPECT_GT(hits, 20) << "type icon " << i;
    }
}

// ---- Pieces copied opaquely onto other bitmaps ---------------------------------------------

void expectSameEdge(int piece, QRect partOfPiece, int onto, QPoint at) {
    const QImage a = load(piece).convertToFormat(QImage::Format_RGB32);
    const QImage b = load(onto).convertToFormat(QImage::Format_RGB32);
    const QPoint corners[] = {partOfPiece.topLeft(), partOfPiece.topRight(),
                              partOfPiece.bottomLeft(), partOfPiece.bottomRight()};
    for (const QPoint& c : corners)
        EXPECT_EQ(a.pixel(c), b.pixel(at + c - partOfPiece.topLeft()))
            << "bitmap " << piece << " corner (" << c.x() << "," << c.y() << ") on " << onto;
}

TEST(SkinBitmaps, CopiedPiecesBlendIntoWhatTheyAreCopiedOnto) {
    // speed digits and unit labels on the gauge
    for (int d = 0; d < 10; ++d)
        for (int x : {29, 34, 39, 44, 49}) expectSameEdge(210 + d, QRect(0, 0, 10, 17), 208, {x, 24});
    expectSameEdge(209, QRect(0, 0, 27, 11), 208, {29, 45});
    expectSameEdge(220, QRect(0, 0, 27, 11), 208, {29, 45});
    // option markers on the configuration dialog
    const QPoint markers[] = {{70, 167}, {336, 167}, {346, 230}, {203, 357}, {352, 420},
                              {353, 484}, {71, 546}, {347, 546}};
    for (const QPoint& m : markers) {
        expectSameEdge(276, QRect(0, 0, 15, 15), 278, m);
        expectSameEdge(277, QRect(0, 0, 15, 15), 278, m);
    }
    // repeat markers on their strip
    expectSameEdge(288, QRect(0, 0, 16, 16), 289, {0, 4});
}

// ---- Text ----------------------------------------------------------------------------------

QImage inked(const QString& text) {
    QImage img(80, 30, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    QFont f(QStringLiteral("NanumGothic"));
    f.setPixelSize(20);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(img.rect(), Qt::AlignCenter, text);
    return img;
}

TEST(SkinText, KoreanGlyphsAreRealLetters) {
    // Missing glyphs come out as identical boxes: two different syllables must differ.
    const QImage ga = inked(QStringLiteral("가")), na = inked(QStringLiteral("나"));
    EXPECT_NE(ga, na);
    EXPECT_NE(ga, inked(QString()));
    // The same check on the skin: OK and cancel captions differ in their lettering.
    const QImage ok = load(249), cancel = load(251);
    EXPECT_NE(ok.copy(10, 4, 58, 20), cancel.copy(10, 4, 58, 20));
    // Both buttons of one kind carry the same caption.
    EXPECT_EQ(load(249), load(247));
}

}  // namespace
