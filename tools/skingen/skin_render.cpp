#include "skin_render.h"

#include <QFontMetrics>
#include <QPainter>

#include <map>

namespace skin {

namespace {

const SkinEntry* find(int number) {
    for (const SkinEntry& e : skinTable())
        if (e.number == number) return &e;
    return nullptr;
}

QRgb blendOver(QRgb premultiplied, const QColor& backdrop) {
    const int a = qAlpha(premultiplied);
    const int r = qRed(premultiplied) + backdrop.red() * (255 - a) / 255;
    const int g = qGreen(premultiplied) + backdrop.green() * (255 - a) / 255;
    const int b = qBlue(premultiplied) + backdrop.blue() * (255 - a) / 255;
    return qRgb(std::min(r, 255), std::min(g, 255), std::min(b, 255));
}

}  // namespace

QImage render(const SkinEntry& e, int scale) {
    QImage layer(e.width * scale, e.height * scale, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                         QPainter::SmoothPixmapTransform);
        p.scale(scale, scale);
        e.draw(p, QSize(e.width, e.height));
    }
    if (e.keepAlpha) return layer.convertToFormat(QImage::Format_ARGB32);
    QImage out(layer.size(), QImage::Format_RGB32);
    const QColor backdrop = e.key ? e.key->backdrop : QColor(Qt::black);
    const QRgb key = e.key ? e.key->key.rgb() : 0;
    for (int y = 0; y < layer.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        QRgb* px = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            if (e.key && qAlpha(in[x]) == 0) {
                px[x] = key | 0xff000000u;
                continue;
            }
            QRgb c = blendOver(in[x], backdrop);
            // A drawn pixel that happens to land on the key would vanish: move it one step.
            if (e.key && (c & 0xffffffu) == (key & 0xffffffu))
                c = qRgb(qRed(c), qGreen(c), qBlue(c) > 0 ? qBlue(c) - 1 : 1);
            px[x] = c;
        }
    }
    return out.convertToFormat(QImage::Format_RGB888);
}

const std::vector<int>& iconSizes() {
    static const std::vector<int> sizes{16, 22, 24, 32, 48, 64, 128, 256};
    return sizes;
}

QImage renderIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    drawAppIcon(p, size);
    return img;
}

QImage contactSheet() {
    const int sheetWidth = 2200, gap = 16, caption = 18;
    struct Cell {
        const SkinEntry* e;
        QPoint at;
    };
    std::vector<Cell> cells;
    int x = gap, y = gap + 40, rowHeight = 0;
    for (const SkinEntry& e : skinTable()) {
        const int w = std::max(e.width, 70);
        if (x + w + gap > sheetWidth) {
            x = gap;
            y += rowHeight + caption + gap;
            rowHeight = 0;
        }
        cells.push_back({&e, QPoint(x, y)});
        x += w + gap;
        rowHeight = std::max(rowHeight, e.height);
    }
    const int height = y + rowHeight + caption + gap;
    QImage sheet(sheetWidth, height, QImage::Format_RGB32);
    sheet.fill(QColor(72, 74, 80));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::TextAntialiasing);
    label(p, QRectF(gap, 8, 1200, 28), QStringLiteral("MOKSEL VIEWER skin — %1 bitmaps")
                                           .arg(skinTable().size()),
          20, colour::text, true, Qt::AlignLeft | Qt::AlignVCenter);
    for (const Cell& c : cells) {
        const QImage img = render(*c.e, 1);
        p.fillRect(QRect(c.at - QPoint(1, 1), img.size() + QSize(2, 2)), QColor(255, 255, 255));
        p.drawImage(c.at, img);
        label(p, QRectF(c.at.x(), c.at.y() + c.e->height + 2, std::max(c.e->width, 70) + gap, 14),
              QStringLiteral("%1  %2x%3").arg(c.e->number).arg(c.e->width).arg(c.e->height), 11,
              QColor(255, 255, 255), true, Qt::AlignLeft | Qt::AlignVCenter);
    }
    return sheet;
}

QImage mainWindowPreview() {
    QImage window = render(*find(129), 1).convertToFormat(QImage::Format_RGB32);
    QPainter p(&window);
    auto put = [&](int number, int x, int y, QRect part = {}) {
        const SkinEntry* e = find(number);
        if (!e) return;
        const QImage img = render(*e, 1);
        if (part.isNull()) part = img.rect();
        if (e->key) {
            // drawn as the viewer does: pixels of the key colour are left out
            QImage cut = img.copy(part).convertToFormat(QImage::Format_ARGB32);
            for (int yy = 0; yy < cut.height(); ++yy)
                for (int xx = 0; xx < cut.width(); ++xx)
                    if ((cut.pixel(xx, yy) & 0xffffffu) == (e->key->key.rgb() & 0xffffffu))
                        cut.setPixel(xx, yy, 0);
            p.drawImage(x, y, cut);
        } else {
            p.drawImage(QPoint(x, y), img, part);
        }
    };
    // Buttons shown at start, normal pictures.
    const int buttons[][3] = {
        {191, 967, 31}, {187, 929, 31}, {168, 189, 709}, {164, 232, 709}, {160, 277, 709},
        {155, 322, 709}, {159, 362, 709}, {162, 400, 709}, {166, 441, 709}, {182, 852, 31},
        {186, 837, 381}, {180, 933, 693}, {176, 871, 693}, {174, 682, 693}, {178, 745, 693},
        {172, 808, 693}, {189, 890, 31}, {207, 515, 417}, {236, 531, 40}, {234, 623, 40},
        {237, 9, 23}, {322, 142, 504}, {301, 656, 381}, {316, 68, 417}, {312, 343, 677},
        {314, 480, 677}};
    for (const auto& b : buttons) put(b[0], b[1], b[2]);
    // Panes at rest: list with its header and scroll buttons, views, displays, sliders.
    put(131, 661, 428, QRect(0, 0, 344, 260));
    put(196, 661, 428);
    put(194, 661 + 33, 428);
    put(201, 661 + 136, 428);
    put(324, 661 + 267, 428, QRect(0, 0, 77, 18));
    put(205, 661 + 330, 428 + 17);
    put(132, 661 + 330, 428 + 31, QRect(0, 0, 14, 215));
    put(133, 661 + 330, 428 + 31, QRect(0, 0, 14, 35));
    put(203, 661 + 330, 428 + 246);
    put(148, 661 + 2, 428 + 18 + 20, QRect(0, 0, 330, 20));
    put(147, 661 + 10, 428 + 40, QRect(0, 0, 12, 16));
    put(149, 18, 70);
    put(232, 518, 70);
    put(228, 142, 417);
    put(208, 515, 434);
    put(210, 515 + 39, 434 + 24);
    put(220, 515 + 29, 434 + 45);
    put(293, 70, 442);
    put(222, 69, 544);
    put(222, 526, 544);
    put(152, 449, 44);
    put(152, 744, 44);
    put(154, 228, 44);
    put(229, 102, 608);
    // position slider with a marked stretch: played part, mark, thumb
    put(137, 141, 544, QRect(0, 0, 120, 16));
    put(325, 141 + 60, 544, QRect(60, 0, 60, 16));
    put(135, 141 + 120, 544, QRect(120, 0, 253, 16));
    put(136, 141 + 112, 544);
    const int sliders[][2] = {{205, 50}, {70, 50}, {345, 50}, {483, 50}};
    for (const auto& s : sliders) {
        put(224, s[0], 668, QRect(0, 0, s[1] + 4, 8));
        put(223, s[0] + s[1] + 4, 668, QRect(s[1] + 4, 0, 109 - s[1] - 4, 8));
        put(225, s[0] + s[1], 668);
    }
    put(289, 142, 481, QRect(0, 0, 373, 20));
    put(288, 142 + 0, 481 + 4, QRect(0, 0, 16, 16));
    put(288, 142 + 357, 481 + 4, QRect(0, 0, 16, 16));
    // the text the main window writes itself: the repeat state and the times
    labelAt(p, 198, 504, QStringLiteral("OFF"), 13, colour::text, false);
    QFont digits = fontFor(QStringLiteral("00:00"), 15, false);
    digits.setWeight(QFont::Medium);
    p.setFont(digits);
    p.setPen(colour::accent);
    p.drawText(QPointF(69 + 15, 544 + 1 + QFontMetrics(digits).ascent()), QStringLiteral("00:00"));
    p.drawText(QPointF(526 + 15, 544 + 1 + QFontMetrics(digits).ascent()), QStringLiteral("01:00"));
    p.setPen(colour::text);
    p.drawText(QPointF(449 + 4, 44 + 2 + QFontMetrics(digits).ascent()), QStringLiteral("100%"));
    p.drawText(QPointF(744 + 4, 44 + 2 + QFontMetrics(digits).ascent()), QStringLiteral("100%"));
    p.drawText(QPointF(228 + 13, 44 + 2 + QFontMetrics(digits).ascent()),
               QStringLiteral("drf0_20261209_101500"));
    p.drawText(QPointF(661 + 40, 428 + 41 + QFontMetrics(digits).ascent()),
               QStringLiteral("2026-12-09 10:15"));
    p.end();
    return window;
}

}  // namespace skin
