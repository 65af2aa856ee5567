#include "skin_kit.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>

namespace skin {

QColor inkFor(State s) {
    switch (s) {
    case State::Pressed: return colour::accent;
    case State::Disabled: return colour::textOff;
    case State::Normal: break;
    }
    return colour::text;
}

// ---- Fonts and labels ----------------------------------------------------------------------

static bool hasHangul(const QString& text) {
    for (QChar ch : text) {
        const ushort u = ch.unicode();
        if ((u >= 0xAC00 && u <= 0xD7A3) || (u >= 0x1100 && u <= 0x11FF) ||
            (u >= 0x3130 && u <= 0x318F))
            return true;
    }
    return false;
}

QFont fontFor(const QString& text, int pixelSize, bool bold) {
    QFont f(hasHangul(text) ? QStringLiteral("NanumGothic") : QStringLiteral("Liberation Sans"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void label(QPainter& p, const QRectF& box, const QString& text, int pixelSize, const QColor& c,
           bool bold, int align) {
    p.save();
    p.setFont(fontFor(text, pixelSize, bold));
    p.setPen(c);
    p.drawText(box, align, text);
    p.restore();
}

void labelAt(QPainter& p, int x, int y, const QString& text, int pixelSize, const QColor& c,
             bool bold) {
    p.save();
    const QFont f = fontFor(text, pixelSize, bold);
    p.setFont(f);
    p.setPen(c);
    p.drawText(QPointF(x, y + QFontMetricsF(f).ascent()), text);
    p.restore();
}

void tracked(QPainter& p, const QRectF& box, const QString& text, int pixelSize,
             const QColor& c, double spacing, int align) {
    p.save();
    QFont f = fontFor(text, pixelSize, true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    p.setFont(f);
    p.setPen(c);
    p.drawText(box, align, text);
    p.restore();
}

// ---- Surfaces ------------------------------------------------------------------------------

void fill(QPainter& p, const QRect& r, const QColor& c) { p.fillRect(r, c); }

void vgradient(QPainter& p, const QRect& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), QPointF(r.left(), r.bottom() + 1));
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(r, g);
}

void panel(QPainter& p, const QRect& r, const QColor& face) {
    p.fillRect(r, face);
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), colour::graphiteHi);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), colour::graphiteHi.darker(115));
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), colour::graphiteLo);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), colour::graphiteLo);
}

void wellRing(QPainter& p, const QRect& inner, int margin) {
    const QRect outer = inner.adjusted(-margin, -margin, margin, margin);
    // dark upper-left shadow, lit lower-right lip
    p.fillRect(QRect(outer.left(), outer.top(), outer.width(), 1), QColor(4, 4, 5));
    p.fillRect(QRect(outer.left(), outer.top(), 1, outer.height()), QColor(4, 4, 5));
    p.fillRect(QRect(outer.left(), outer.bottom(), outer.width(), 1), colour::wellEdge);
    p.fillRect(QRect(outer.right(), outer.top() + 1, 1, outer.height() - 1), colour::wellEdge);
    if (margin > 1) {
        const QRect mid = outer.adjusted(1, 1, -1, -1);
        p.fillRect(QRect(mid.left(), mid.top(), mid.width(), 1), QColor(8, 8, 9));
        p.fillRect(QRect(mid.left(), mid.top(), 1, mid.height()), QColor(8, 8, 9));
        p.fillRect(QRect(mid.left() + 1, mid.bottom(), mid.width() - 1, 1), QColor(30, 31, 33));
        p.fillRect(QRect(mid.right(), mid.top() + 1, 1, mid.height() - 1), QColor(30, 31, 33));
    }
}

void well(QPainter& p, const QRect& inner, int margin, const QColor& inside) {
    const QRect outer = inner.adjusted(-margin, -margin, margin, margin);
    p.fillRect(outer, inside);
    wellRing(p, inner, margin);
}

void accentLine(QPainter& p, const QRectF& line) {
    p.save();
    QColor glow = colour::accent;
    glow.setAlpha(60);
    p.fillRect(line.adjusted(0, -1, 0, 1), glow);
    p.fillRect(line, colour::accent);
    p.restore();
}

QRectF buttonFace(QPainter& p, const QRectF& r, State s, double radius) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body = r.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    QColor border;
    switch (s) {
    case State::Normal:
        g.setColorAt(0, QColor(70, 72, 76));
        g.setColorAt(0.5, QColor(48, 49, 52));
        g.setColorAt(1, QColor(34, 35, 37));
        border = QColor(10, 10, 12);
        break;
    case State::Pressed:
        g.setColorAt(0, QColor(12, 22, 27));
        g.setColorAt(1, QColor(22, 40, 48));
        border = colour::accentDeep;
        break;
    case State::Disabled:
        g.setColorAt(0, QColor(44, 44, 46));
        g.setColorAt(1, QColor(34, 34, 36));
        border = QColor(22, 22, 24);
        break;
    }
    p.setPen(QPen(border, 1));
    p.setBrush(g);
    p.drawRoundedRect(body, radius, radius);
    if (s == State::Normal) {
        // lit top rim
        p.setPen(QPen(QColor(255, 255, 255, 40), 1));
        p.drawLine(QPointF(body.left() + radius, body.top() + 1),
                   QPointF(body.right() - radius, body.top() + 1));
    } else if (s == State::Pressed) {
        // inner shadow along the top and a cyan glow ring
        p.setPen(QPen(QColor(0, 0, 0, 120), 1));
        p.drawLine(QPointF(body.left() + radius, body.top() + 1),
                   QPointF(body.right() - radius, body.top() + 1));
        QColor ring = colour::accent;
        ring.setAlpha(70);
        p.setPen(QPen(ring, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(body.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }
    p.restore();
    return s == State::Pressed ? r.translated(1, 1) : r;
}

void paperPanel(QPainter& p, const QRect& r) {
    p.fillRect(r.adjusted(-1, -1, 1, 1), QColor(12, 12, 13));
    vgradient(p, r, QColor(236, 238, 241), colour::paper);
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), QColor(250, 251, 252));
}

void lensMark(QPainter& p, const QPointF& c, double r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    QRadialGradient body(c, r);
    body.setColorAt(0, QColor(70, 72, 78));
    body.setColorAt(1, QColor(28, 29, 32));
    p.setBrush(body);
    p.drawEllipse(c, r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(colour::accent, std::max(1.0, r * 0.16)));
    p.drawEllipse(c, r * 0.72, r * 0.72);
    QRadialGradient iris(c - QPointF(r * 0.15, r * 0.15), r * 0.5);
    iris.setColorAt(0, QColor(120, 230, 255));
    iris.setColorAt(0.6, QColor(0, 120, 170));
    iris.setColorAt(1, QColor(0, 40, 60));
    p.setPen(Qt::NoPen);
    p.setBrush(iris);
    p.drawEllipse(c, r * 0.42, r * 0.42);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(c - QPointF(r * 0.17, r * 0.17), r * 0.11, r * 0.11);
    p.restore();
}

void dialogFrame(QPainter& p, QSize size, const QString& title) {
    const QRect all(0, 0, size.width(), size.height());
    p.fillRect(all, colour::graphite);
    // header band with the title tab
    vgradient(p, QRect(1, 1, size.width() - 2, 58), QColor(48, 49, 52), colour::graphite);
    p.fillRect(QRect(0, 0, size.width(), 1), colour::accentDeep);
    p.fillRect(QRect(0, size.height() - 1, size.width(), 1), QColor(6, 6, 7));
    p.fillRect(QRect(0, 0, 1, size.height()), QColor(60, 62, 66));
    p.fillRect(QRect(size.width() - 1, 0, 1, size.height()), QColor(6, 6, 7));
    // the tab: a darker plate with a cyan foot under the title, emblem at its left
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath tab;
    tab.addRoundedRect(QRectF(10.5, 22.5, std::min(220, size.width() - 80), 30), 4, 4);
    p.setPen(QPen(QColor(8, 8, 10), 1));
    p.setBrush(QColor(26, 27, 29));
    p.drawPath(tab);
    p.restore();
    accentLine(p, QRectF(12, 52, std::min(216, size.width() - 84), 2));
    if (!title.isEmpty()) labelAt(p, 47, 31, title, 16, colour::text, true);
}

// ---- Glyphs --------------------------------------------------------------------------------

namespace {

// Maps a design grid of `grid` units onto the box.
struct Grid {
    QRectF box;
    double unit;
    explicit Grid(const QRectF& b, double grid) : box(b), unit(std::min(b.width(), b.height()) / grid) {
        const double side = unit * grid;
        box = QRectF(b.center().x() - side / 2, b.center().y() - side / 2, side, side);
    }
    QPointF pt(double x, double y) const { return box.topLeft() + QPointF(x * unit, y * unit); }
    QRectF rc(double x, double y, double w, double h) const {
        return QRectF(pt(x, y), QSizeF(w * unit, h * unit));
    }
};

QPainterPath poly(const Grid& g, std::initializer_list<QPointF> pts) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& q : pts) {
        if (first) path.moveTo(g.pt(q.x(), q.y()));
        else path.lineTo(g.pt(q.x(), q.y()));
        first = false;
    }
    path.closeSubpath();
    return path;
}

}  // namespace

void glyph(QPainter& p, Glyph kind, const QRectF& box, const QColor& c) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    // Transport glyphs live on a 16-unit grid so that, in their 16 px box, upright edges sit on
    // whole pixels; every other glyph uses a 24-unit grid.
    const Grid t(box, 16);
    const Grid g(box, 24);
    const double u = g.unit;
    QPen line(c, 2 * u, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    switch (kind) {
    case Glyph::Play: p.drawPath(poly(t, {{3, 1}, {3, 15}, {14, 8}})); break;
    case Glyph::Pause:
        p.drawRect(t.rc(3, 1, 4, 14));
        p.drawRect(t.rc(9, 1, 4, 14));
        break;
    case Glyph::Stop: p.drawRect(t.rc(2, 2, 12, 12)); break;
    case Glyph::Previous:
        p.drawRect(t.rc(1, 2, 2, 12));
        p.drawPath(poly(t, {{9, 2}, {9, 14}, {3, 8}}));
        p.drawPath(poly(t, {{15, 2}, {15, 14}, {9, 8}}));
        break;
    case Glyph::Next:
        p.drawPath(poly(t, {{1, 2}, {1, 14}, {7, 8}}));
        p.drawPath(poly(t, {{7, 2}, {7, 14}, {13, 8}}));
        p.drawRect(t.rc(13, 2, 2, 12));
        break;
    case Glyph::StepBack:
        p.drawPath(poly(t, {{11, 2}, {11, 14}, {3, 8}}));
        p.drawRect(t.rc(12, 2, 3, 12));
        break;
    case Glyph::StepForward:
        p.drawRect(t.rc(1, 2, 3, 12));
        p.drawPath(poly(t, {{5, 2}, {5, 14}, {13, 8}}));
        break;
    case Glyph::Close:
        p.setPen(QPen(c, 2.5 * u, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(g.pt(5, 5), g.pt(19, 19));
        p.drawLine(g.pt(19, 5), g.pt(5, 19));
        break;
    case Glyph::Minimise: p.drawRect(g.rc(4, 16, 16, 3)); break;
    case Glyph::Info:
        p.setPen(QPen(c, 2 * u));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(g.rc(2, 2, 20, 20));
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(g.rc(10.5, 5.5, 3, 3));
        p.drawRect(g.rc(10.5, 10, 3, 9));
        break;
    case Glyph::Question: {
        p.setPen(QPen(c, 2 * u));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(g.rc(2, 2, 20, 20));
        QPainterPath hook;
        hook.moveTo(g.pt(8.5, 9.5));
        hook.cubicTo(g.pt(8.5, 5), g.pt(15.5, 5), g.pt(15.5, 9.5));
        hook.cubicTo(g.pt(15.5, 12.5), g.pt(12, 12.5), g.pt(12, 15));
        p.setPen(QPen(c, 2.4 * u, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(hook);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawEllipse(g.rc(10.5, 16.8, 3, 3));
        break;
    }
    case Glyph::SdCard: {
        QPainterPath card = poly(g, {{6, 2}, {16, 2}, {20, 6}, {20, 22}, {6, 22}});
        p.drawPath(card);
        p.setBrush(QColor(0, 0, 0, 200));
        for (int i = 0; i < 4; ++i) p.drawRect(g.rc(8 + i * 2.6, 3.5, 1.4, 4));
        // an eraser sweep: the card gets wiped
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0, 0, 0, 210), 1.8 * u, Qt::SolidLine, Qt::RoundCap));
        QPainterPath arc;
        arc.arcMoveTo(g.rc(8.5, 10.5, 9, 9), 60);
        arc.arcTo(g.rc(8.5, 10.5, 9, 9), 60, 280);
        p.drawPath(arc);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 210));
        p.drawPath(poly(g, {{15.2, 9.2}, {18.2, 12.6}, {13.6, 13.4}}));
        break;
    }
    case Glyph::OpenFile: {
        // a page with a folded corner and a film frame on it
        p.drawPath(poly(g, {{5, 2}, {14, 2}, {19, 7}, {19, 22}, {5, 22}}));
        p.setBrush(QColor(0, 0, 0, 200));
        p.drawPath(poly(g, {{14, 2}, {14, 7}, {19, 7}}));
        p.drawRect(g.rc(8, 11, 8, 7));
        p.setBrush(c);
        p.drawPath(poly(g, {{11, 12.5}, {11, 16.5}, {14, 14.5}}));
        break;
    }
    case Glyph::Folder: {
        p.drawPath(poly(g, {{2, 5}, {9, 5}, {11, 7.5}, {22, 7.5}, {22, 20}, {2, 20}}));
        p.setBrush(QColor(0, 0, 0, 170));
        p.drawRect(g.rc(2, 10, 20, 1.3));
        break;
    }
    case Glyph::FolderSearch: {
        p.drawPath(poly(g, {{2, 5}, {9, 5}, {11, 7.5}, {22, 7.5}, {22, 20}, {2, 20}}));
        p.setPen(QPen(QColor(26, 27, 29), 2 * u));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(g.rc(8, 9.5, 7, 7));
        p.setPen(QPen(QColor(26, 27, 29), 2.4 * u, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(g.pt(14.3, 15.8), g.pt(17.5, 19));
        break;
    }
    case Glyph::Camera: {
        QPainterPath body;
        body.addRoundedRect(g.rc(2, 7, 20, 14), 2 * u, 2 * u);
        body.addPolygon(QPolygonF({g.pt(8, 7), g.pt(9.5, 3.5), g.pt(14.5, 3.5), g.pt(16, 7)}));
        p.drawPath(body.simplified());
        p.setBrush(QColor(0, 0, 0, 200));
        p.drawEllipse(g.pt(12, 14), 5 * u, 5 * u);
        p.setBrush(c);
        p.drawEllipse(g.pt(12, 14), 3 * u, 3 * u);
        p.setBrush(QColor(0, 0, 0, 200));
        p.drawRect(g.rc(17, 9, 3, 2));
        break;
    }
    case Glyph::Save: {
        // a tray with a down arrow: copy the recording out
        p.drawPath(poly(g, {{9, 2}, {15, 2}, {15, 9}, {19, 9}, {12, 16}, {5, 9}, {9, 9}}));
        p.drawPath(poly(g, {{2, 14}, {5, 14}, {5, 19}, {19, 19}, {19, 14}, {22, 14}, {22, 22},
                            {2, 22}}));
        break;
    }
    case Glyph::Gear: {
        QPainterPath gear;
        const QPointF centre = g.pt(12, 12);
        const int teeth = 8;
        for (int i = 0; i < teeth * 4; ++i) {
            const double a = (i / double(teeth * 4)) * 2 * M_PI - M_PI / (teeth * 4);
            const double rr = ((i / 2) % 2 == 0 ? 10.5 : 7.8) * u;
            const QPointF q = centre + QPointF(std::cos(a) * rr, std::sin(a) * rr);
            if (i == 0) gear.moveTo(q);
            else gear.lineTo(q);
        }
        gear.closeSubpath();
        gear.addEllipse(centre, 3.5 * u, 3.5 * u);
        gear.setFillRule(Qt::OddEvenFill);
        p.drawPath(gear);
        break;
    }
    case Glyph::MapPin: {
        QPainterPath pin;
        pin.moveTo(g.pt(12, 23));
        pin.cubicTo(g.pt(8, 17), g.pt(4, 13), g.pt(4, 9));
        pin.arcTo(g.rc(4, 1, 16, 16), 180, -180);
        pin.cubicTo(g.pt(20, 13), g.pt(16, 17), g.pt(12, 23));
        pin.addEllipse(g.pt(12, 9), 3.2 * u, 3.2 * u);
        pin.setFillRule(Qt::OddEvenFill);
        p.drawPath(pin);
        break;
    }
    case Glyph::List:
        for (int i = 0; i < 4; ++i) {
            p.drawRect(g.rc(3, 4 + i * 5, 3, 3));
            p.drawRect(g.rc(8, 4.5 + i * 5, 13, 2));
        }
        break;
    case Glyph::MirrorLeftRight:
        p.drawRect(g.rc(11, 2, 2, 20));
        p.drawPath(poly(g, {{9, 5}, {9, 19}, {2, 19}}));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(c, 1.5 * u));
        p.drawPath(poly(g, {{15.5, 6.5}, {15.5, 18.25}, {21.3, 18.25}}));
        break;
    case Glyph::FlipUpDown:
        p.drawRect(g.rc(2, 11, 20, 2));
        p.drawPath(poly(g, {{5, 9}, {19, 9}, {19, 2}}));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(c, 1.5 * u));
        p.drawPath(poly(g, {{6.5, 15.5}, {18.25, 15.5}, {18.25, 21.3}}));
        break;
    case Glyph::SwapViews:
        p.drawPath(poly(g, {{2, 8}, {8, 3}, {8, 6}, {20, 6}, {20, 10}, {8, 10}, {8, 13}}));
        p.drawPath(poly(g, {{22, 16}, {16, 11}, {16, 14}, {4, 14}, {4, 18}, {16, 18}, {16, 21}}));
        break;
    case Glyph::Speaker:
    case Glyph::SpeakerMuted: {
        p.drawPath(poly(g, {{2, 9}, {7, 9}, {13, 3}, {13, 21}, {7, 15}, {2, 15}}));
        p.setBrush(Qt::NoBrush);
        if (kind == Glyph::Speaker) {
            p.setPen(QPen(c, 2 * u, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(g.rc(9, 7, 8, 10), -50 * 16, 100 * 16);
            p.drawArc(g.rc(8, 3, 14, 18), -50 * 16, 100 * 16);
        } else {
            p.setPen(QPen(colour::eventType, 2.6 * u, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(g.pt(16, 8), g.pt(22, 16));
            p.drawLine(g.pt(22, 8), g.pt(16, 16));
        }
        break;
    }
    case Glyph::Reset: {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(c, 2.4 * u, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(g.rc(4, 4, 16, 16), 110 * 16, 280 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPath(poly(g, {{2, 2}, {11, 3}, {5, 10}}));
        break;
    }
    case Glyph::Magnifier:
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(c, 2.4 * u));
        p.drawEllipse(g.rc(3, 3, 13, 13));
        p.setPen(QPen(c, 3.6 * u, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(g.pt(15, 15), g.pt(21, 21));
        break;
    case Glyph::SortUpDown:
        p.drawPath(poly(g, {{6, 10}, {18, 10}, {12, 3}}));
        p.drawPath(poly(g, {{6, 14}, {18, 14}, {12, 21}}));
        break;
    case Glyph::ArrowUp: p.drawPath(poly(g, {{4, 17}, {20, 17}, {12, 7}})); break;
    case Glyph::ArrowDown: p.drawPath(poly(g, {{4, 7}, {20, 7}, {12, 17}})); break;
    }
    (void)line;
    p.restore();
}

}  // namespace skin
