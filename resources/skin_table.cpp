// The skin: every bitmap of the viewer by resource number, with its size, its role and how it
// is drawn. This table is the one place to edit the look; the build draws each entry at 1x and
// 2x and compiles the pictures in as ":/skin/<number>.png" and ":/skin/<number>@2x.png".
//
// Keep each entry on lines that begin with "{number, width, height,": the build reads the
// resource list from them.
#include "skin_panels.h"
#include "skin_parts.h"
#include "tools/skingen/skin_kit.h"

#include <QLinearGradient>
#include <QRadialGradient>
#include <QtMath>

namespace skin {

namespace {

// ---- Colours of the surfaces the small bitmaps are copied onto ----------------------------
const QColor bay{20, 20, 22};         // inside the main window's group wells
const QColor trackBay{10, 10, 12};    // inside a slider's well
const QColor listRow{26, 26, 29};     // list rows (odd rows a shade lighter)
const QColor listRowAlt{31, 31, 35};
const QColor gaugeFace{24, 25, 28};   // speed gauge centre, behind the digits and unit
const QColor fieldInk{6, 8, 10};      // text fields

// The main background's colour at row y (a top-to-bottom gradient).
QColor plateAt(int y) {
    const double t = y / 767.0;
    return QColor(44 - int(14 * t), 45 - int(15 * t), 48 - int(16 * t));
}

DrawFn filled(QColor c, DrawFn inner) {
    return [c, inner](QPainter& p, QSize s) {
        p.fillRect(QRect(QPoint(0, 0), s), c);
        inner(p, s);
    };
}

// ---- Button families -----------------------------------------------------------------------

// A square-ish button with one glyph in the middle (transport, window buttons, flips).
DrawFn glyphButton(Glyph g, State st, double glyphSide, QColor under = bay) {
    return filled(under, [=](QPainter& p, QSize s) {
        const QRectF box = buttonFace(p, QRectF(0, 0, s.width(), s.height()), st);
        const QRectF gb(std::floor(box.center().x() - glyphSide / 2),
                        std::floor(box.center().y() - glyphSide / 2), glyphSide, glyphSide);
        glyph(p, g, gb, inkFor(st));
    });
}

// The play button's glyph carries the accent even at rest: it is the one to find first.
DrawFn playButton(State st) {
    return filled(bay, [=](QPainter& p, QSize s) {
        const QRectF box = buttonFace(p, QRectF(0, 0, s.width(), s.height()), st);
        const QRectF gb(std::floor(box.center().x() - 8) + 1, std::floor(box.center().y() - 8),
                        16, 16);
        glyph(p, Glyph::Play, gb, st == State::Normal ? colour::accent : QColor(150, 240, 255));
    });
}

// Tool buttons of the lower right: an icon over a short Korean caption.
DrawFn toolButton(Glyph g, const char* caption, State st) {
    return filled(bay, [=](QPainter& p, QSize s) {
        const QRectF box = buttonFace(p, QRectF(0, 0, s.width(), s.height()), st, 4);
        glyph(p, g, QRectF(box.left() + 13, box.top() + 5, 24, 24), inkFor(st));
        label(p, QRectF(box.left(), box.top() + 31, s.width(), 13), QString::fromUtf8(caption),
              11, st == State::Pressed ? colour::accent : colour::textDim, true);
    });
}

// Captioned buttons: dialog buttons and the small text buttons of the main window.
DrawFn textButton(const char* caption, State st, QColor under, int pixelSize,
                  std::optional<Glyph> g = std::nullopt, double radius = 3) {
    return filled(under, [=](QPainter& p, QSize s) {
        const QRectF box = buttonFace(p, QRectF(0, 0, s.width(), s.height()), st, radius);
        QRectF textBox = box;
        if (g) {
            const double side = std::min(12.0, s.height() - 4.0);
            glyph(p, *g, QRectF(box.right() - side - 4, box.center().y() - side / 2, side, side),
                  st == State::Pressed ? colour::accent : colour::textDim);
            textBox.setRight(box.right() - side - 4);
        }
        label(p, textBox, QString::fromUtf8(caption), pixelSize, inkFor(st), true);
    });
}

// The two tabs over the list / map pane.
DrawFn tab(Glyph g, const char* caption, State st) {
    return filled(plateAt(398), [=](QPainter& p, QSize s) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(0.5, 3.5, s.width() - 1, s.height() + 6), 5, 5);
        QLinearGradient gr(0, 3, 0, s.height());
        if (st == State::Pressed) {
            gr.setColorAt(0, QColor(0, 70, 92));
            gr.setColorAt(1, QColor(12, 26, 32));
        } else {
            gr.setColorAt(0, QColor(64, 66, 70));
            gr.setColorAt(1, QColor(34, 35, 38));
        }
        p.setPen(QPen(st == State::Pressed ? colour::accentDeep : QColor(10, 10, 12), 1));
        p.setBrush(gr);
        p.drawPath(shape);
        p.restore();
        p.fillRect(QRect(1, s.height() - 2, s.width() - 2, 2),
                   st == State::Pressed ? colour::accent : colour::accentDeep);
        const int off = st == State::Pressed ? 1 : 0;
        glyph(p, g, QRectF(38 + off, 9 + off, 18, 18), st == State::Pressed ? colour::accent
                                                                            : colour::text);
        label(p, QRectF(62 + off, 4 + off, 100, 28), QString::fromUtf8(caption), 14,
              inkFor(st), true, Qt::AlignLeft | Qt::AlignVCenter);
    });
}

// List column headers.
DrawFn header(const char* caption, State st, bool sortable) {
    return [=](QPainter& p, QSize s) {
        if (st == State::Pressed) vgradient(p, QRect(0, 0, s.width(), s.height()), QColor(0, 60, 80), QColor(10, 24, 30));
        else vgradient(p, QRect(0, 0, s.width(), s.height()), QColor(60, 62, 66), QColor(38, 39, 42));
        p.fillRect(QRect(0, s.height() - 1, s.width(), 1), colour::accentDeep);
        p.fillRect(QRect(s.width() - 1, 2, 1, s.height() - 4), QColor(20, 20, 22));
        p.fillRect(QRect(0, 2, 1, s.height() - 4), QColor(78, 80, 84));
        QRectF box(0, 0, s.width() - (sortable && s.width() > 40 ? 10 : 0), s.height());
        label(p, box, QString::fromUtf8(caption), 11, inkFor(st), true);
        if (sortable && s.width() > 40)
            glyph(p, Glyph::SortUpDown, QRectF(s.width() - 13, 5, 8, 8),
                  st == State::Pressed ? colour::accent : colour::textOff);
    };
}

// ---- Sliders -------------------------------------------------------------------------------

// A horizontal groove across the whole bitmap, filled with `fillTop`..`fillBottom`.
DrawFn groove(int thickness, QColor fillTop, QColor fillBottom, bool lit) {
    return filled(trackBay, [=](QPainter& p, QSize s) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        const double top = (s.height() - thickness) / 2.0;
        const QRectF r(1, top, s.width() - 2, thickness);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, fillTop);
        g.setColorAt(1, fillBottom);
        p.setPen(Qt::NoPen);
        if (lit) {
            QColor glow = fillTop;
            glow.setAlpha(50);
            p.setBrush(glow);
            p.drawRoundedRect(r.adjusted(0, -1.5, 0, 1.5), thickness / 2.0 + 1.5, thickness / 2.0 + 1.5);
        }
        p.setBrush(g);
        p.drawRoundedRect(r, thickness / 2.0, thickness / 2.0);
        if (!lit) {
            p.setPen(QPen(QColor(0, 0, 0, 160), 1));
            p.drawLine(QPointF(r.left() + 2, r.top() + 0.5), QPointF(r.right() - 2, r.top() + 0.5));
        }
        p.restore();
    });
}

DrawFn knob(double diameter) {
    return [=](QPainter& p, QSize s) {
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(s.width() / 2.0, s.height() / 2.0);
        const double r = diameter / 2.0;
        QRadialGradient g(c - QPointF(r * 0.35, r * 0.4), r * 1.3);
        g.setColorAt(0, QColor(250, 252, 255));
        g.setColorAt(0.6, QColor(190, 196, 204));
        g.setColorAt(1, QColor(120, 126, 134));
        p.setPen(QPen(QColor(0, 90, 118), std::max(1.0, diameter / 12)));
        p.setBrush(g);
        p.drawEllipse(c, r - 0.5, r - 0.5);
        if (diameter > 10) {
            p.setPen(Qt::NoPen);
            p.setBrush(colour::accent);
            p.drawEllipse(c, r * 0.28, r * 0.28);
        }
    };
}

// ---- Displays ------------------------------------------------------------------------------

DrawFn textField(QPoint icon = {}, std::optional<Glyph> g = std::nullopt) {
    return [=](QPainter& p, QSize s) {
        vgradient(p, QRect(0, 0, s.width(), s.height()), fieldInk, QColor(16, 18, 21));
        p.fillRect(QRect(0, 0, s.width(), 1), QColor(0, 0, 0));
        p.fillRect(QRect(0, s.height() - 1, s.width(), 1), QColor(36, 40, 46));
        if (g) glyph(p, *g, QRectF(icon.x(), icon.y(), 9, 9), colour::accentDeep);
    };
}

void digit(QPainter& p, QSize s, int d) {
    p.fillRect(QRect(0, 0, s.width(), s.height()), gaugeFace);
    QFont f = fontFor(QStringLiteral("0"), 17, true);
    p.setFont(f);
    p.setPen(QColor(240, 244, 248));
    p.drawText(QRectF(0, 0, s.width(), s.height()), Qt::AlignCenter, QString::number(d));
}

void speedGauge(QPainter& p, QSize s) {
    p.fillRect(QRect(0, 0, s.width(), s.height()), bay);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(42, 38);
    // bezel
    QRadialGradient bezel(c, 36);
    bezel.setColorAt(0.80, QColor(40, 42, 46));
    bezel.setColorAt(1.0, QColor(14, 14, 16));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawEllipse(c, 35.5, 35.5);
    // scale arc with ticks, 240 degrees, opening at the bottom
    const QRectF arcBox(c.x() - 31, c.y() - 31, 62, 62);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(60, 62, 66), 4, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(arcBox, -30 * 16, 240 * 16);
    QConicalGradient sweep(c, 210);
    sweep.setColorAt(0.0, colour::accent);
    sweep.setColorAt(0.67, QColor(0, 80, 110));
    p.setPen(QPen(QBrush(sweep), 4, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(arcBox, 90 * 16, 120 * 16);
    for (int i = 0; i <= 12; ++i) {
        const double a = qDegreesToRadians(210.0 - i * 20.0);
        const double r0 = i % 3 == 0 ? 24.5 : 26.5;
        p.setPen(QPen(i % 3 == 0 ? colour::text : colour::textDim, i % 3 == 0 ? 1.4 : 1.0));
        p.drawLine(c + QPointF(std::cos(a) * r0, -std::sin(a) * r0),
                   c + QPointF(std::cos(a) * 28.5, -std::sin(a) * 28.5));
    }
    // flat centre behind the digits and the unit
    p.setPen(Qt::NoPen);
    p.setBrush(gaugeFace);
    p.drawEllipse(c, 23, 23);
    p.fillRect(QRect(28, 23, 33, 35), gaugeFace);
    p.setRenderHint(QPainter::Antialiasing, false);
}

DrawFn unitLabel(const char* text) {
    return [=](QPainter& p, QSize s) {
        p.fillRect(QRect(0, 0, s.width(), s.height()), gaugeFace);
        label(p, QRectF(0, 0, s.width(), s.height()), QString::fromLatin1(text), 9,
              colour::accent, true);
    };
}

void compassRing(QPainter& p, QSize s, bool dim) {
    p.fillRect(QRect(0, 0, s.width(), s.height()), bay);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(28.5, 27.5);
    QRadialGradient face(c, 26);
    face.setColorAt(0, QColor(34, 36, 40));
    face.setColorAt(1, QColor(18, 19, 21));
    p.setPen(QPen(QColor(70, 72, 78), 1.2));
    p.setBrush(face);
    p.drawEllipse(c, 25.5, 25.5);
    for (int i = 0; i < 16; ++i) {
        const double a = qDegreesToRadians(i * 22.5);
        const double r0 = i % 4 == 0 ? 20.5 : 22.5;
        p.setPen(QPen(i == 0 ? colour::eventType : (dim ? colour::textOff : colour::textDim),
                      i % 4 == 0 ? 1.6 : 1.0));
        p.drawLine(c + QPointF(std::sin(a) * r0, -std::cos(a) * r0),
                   c + QPointF(std::sin(a) * 24.5, -std::cos(a) * 24.5));
    }
}

DrawFn headingArrow(double degrees) {
    return [=](QPainter& p, QSize s) {
        compassRing(p, s, false);
        p.save();
        p.translate(28.5, 27.5);
        p.rotate(degrees);
        QPainterPath arrow;
        arrow.moveTo(0, -18);
        arrow.lineTo(9, 10);
        arrow.lineTo(0, 5);
        arrow.lineTo(-9, 10);
        arrow.closeSubpath();
        QLinearGradient g(-9, 0, 9, 0);
        g.setColorAt(0, QColor(120, 232, 255));
        g.setColorAt(0.5, colour::accent);
        g.setColorAt(0.51, QColor(0, 150, 200));
        g.setColorAt(1, QColor(0, 110, 150));
        p.setPen(QPen(QColor(0, 40, 56), 1));
        p.setBrush(g);
        p.drawPath(arrow);
        p.restore();
    };
}

DrawFn headingWord(const char* first, const char* second) {
    return [=](QPainter& p, QSize s) {
        compassRing(p, s, true);
        if (second == nullptr) {
            label(p, QRectF(2, 19, 53, 17), QString::fromLatin1(first), 11, colour::accent, true);
        } else {
            label(p, QRectF(2, 13, 53, 14), QString::fromLatin1(first), 10, colour::accent, true);
            label(p, QRectF(2, 27, 53, 14), QString::fromLatin1(second), 10, colour::accent, true);
        }
    };
}

void sensorPicture(QPainter& p, QSize s) {
    p.fillRect(QRect(0, 0, s.width(), s.height()), bay);
    // the plot rectangle; the curves are drawn over it
    p.fillRect(QRect(8, 3, 357, 58), QColor(31, 31, 31));
    p.fillRect(QRect(8, 3, 357, 1), QColor(0, 0, 0));
    for (int y : {14, 23, 41, 50}) p.fillRect(QRect(9, y, 355, 1), QColor(40, 40, 42));
    p.fillRect(QRect(9, 32, 355, 1), QColor(58, 60, 64));
    for (int x = 8 + 357 / 8; x < 365; x += 357 / 8) p.fillRect(QRect(x, 4, 1, 57), QColor(38, 38, 40));
    // axis scale at the sides: +/-2 g on 9 px per 1 g
    for (int g = -2; g <= 2; ++g) {
        p.fillRect(QRect(3, 32 - g * 9, 4, 1), g == 0 ? colour::textDim : colour::textOff);
        p.fillRect(QRect(366, 32 - g * 9, 4, 1), g == 0 ? colour::textDim : colour::textOff);
    }
    tracked(p, QRectF(8, 10, 357, 24), QStringLiteral("G-SENSOR"), 16, QColor(150, 154, 160), 3.0);
    tracked(p, QRectF(8, 34, 357, 16), QStringLiteral("NO DATA"), 11, colour::accentDeep, 2.0);
}

void infoStrip(QPainter& p, QSize s) {
    p.fillRect(QRect(0, 0, s.width(), s.height()), QColor(16, 17, 19));
    const struct {
        int labelX, fieldX, fieldRight;
        const char* name;
    } fields[] = {{2, 44, 156, "경도"}, {158, 200, 312, "위도"}, {314, 355, 463, "구분"}};
    for (const auto& f : fields) {
        label(p, QRectF(f.labelX, 0, f.fieldX - f.labelX - 2, s.height()),
              QString::fromUtf8(f.name), 12, colour::textDim, true);
        const QRect field(f.fieldX, 3, f.fieldRight - f.fieldX, 22);
        p.fillRect(field, fieldInk);
        p.fillRect(QRect(field.left(), field.top(), field.width(), 1), QColor(0, 0, 0));
        p.fillRect(QRect(field.left(), field.bottom(), field.width(), 1), QColor(44, 48, 54));
    }
}

void idleView(QPainter& p, QSize s, const char* name) {
    QRadialGradient g(QPointF(s.width() / 2.0, s.height() / 2.0), s.width() * 0.62);
    g.setColorAt(0, QColor(26, 28, 32));
    g.setColorAt(1, QColor(4, 4, 5));
    p.fillRect(QRect(0, 0, s.width(), s.height()), g);
    // corner brackets of a camera finder
    p.setPen(Qt::NoPen);
    const QColor br(0, 120, 150);
    const int m = 14, len = 22, t = 2;
    for (int cx : {m, s.width() - m - len})
        for (int cy : {m, s.height() - m - t}) p.fillRect(QRect(cx, cy, len, t), br);
    for (int cx : {m, s.width() - m - t})
        for (int cy : {m, s.height() - m - len}) p.fillRect(QRect(cx, cy, t, len), br);
    glyph(p, Glyph::Camera, QRectF(s.width() / 2.0 - 20, 88, 40, 40), QColor(70, 74, 80));
    tracked(p, QRectF(0, 136, s.width(), 40), QString::fromLatin1(name), 30, colour::accent, 8.0);
    // the two state lines below the name (no recording, stopped, no rear video) are drawn by
    // the view, which knows the state
}

void logo(QPainter& p, QSize s) {
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 0, s.width(), s.height()), plateAt(40));
    lensMark(p, QPointF(17.5, 17.5), 13);
    tracked(p, QRectF(37, 3, 104, 19), QStringLiteral("MOKSEL"), 18, colour::text, 2.0,
            Qt::AlignLeft | Qt::AlignVCenter);
    tracked(p, QRectF(38, 21, 104, 11), QStringLiteral("DRIVE RECORDER"), 8, colour::accent, 1.6,
            Qt::AlignLeft | Qt::AlignVCenter);
}

DrawFn closeButton(State st) {
    return filled(QColor(43, 44, 47), [=](QPainter& p, QSize s) {
        const QRectF box = buttonFace(p, QRectF(2, 2, s.width() - 4, s.height() - 4), st, 4);
        glyph(p, Glyph::Close, QRectF(box.center().x() - 7, box.center().y() - 7, 14, 14),
              st == State::Pressed ? colour::accent : colour::text);
    });
}

DrawFn optionDot(bool selected) {
    return filled(colour::graphite, [=](QPainter& p, QSize) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(selected ? colour::accent : QColor(110, 112, 118), 1.2));
        p.setBrush(QColor(14, 14, 16));
        p.drawEllipse(QPointF(7.5, 7.5), 6.6, 6.6);
        if (selected) {
            QRadialGradient g(QPointF(6.5, 6.5), 5);
            g.setColorAt(0, QColor(140, 236, 255));
            g.setColorAt(1, QColor(0, 150, 230));
            p.setPen(Qt::NoPen);
            p.setBrush(g);
            p.drawEllipse(QPointF(7.5, 7.5), 4.2, 4.2);
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(70, 72, 76));
            p.drawEllipse(QPointF(7.5, 7.5), 2.5, 2.5);
        }
    });
}

const QColor stripFace{16, 16, 18};

void markerStrip(QPainter& p, QSize s) {
    p.fillRect(QRect(0, 0, s.width(), s.height()), stripFace);
    p.fillRect(QRect(0, 12, s.width(), 1), QColor(48, 50, 54));
    for (int x = 8; x < s.width(); x += 373 / 10) p.fillRect(QRect(x, 10, 1, 5), QColor(40, 42, 46));
}

void marker(QPainter& p, QSize s) {
    p.fillRect(QRect(0, 0, s.width(), s.height()), stripFace);
    p.fillRect(QRect(0, 8, s.width(), 1), QColor(48, 50, 54));
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath pin;
    pin.moveTo(8, 0.5);
    pin.lineTo(14.5, 7);
    pin.lineTo(14.5, 15.5);
    pin.lineTo(1.5, 15.5);
    pin.lineTo(1.5, 7);
    pin.closeSubpath();
    QLinearGradient g(0, 0, 0, 16);
    g.setColorAt(0, QColor(120, 232, 255));
    g.setColorAt(1, QColor(0, 140, 190));
    p.setPen(QPen(QColor(0, 50, 70), 1));
    p.setBrush(g);
    p.drawPath(pin);
    p.fillRect(QRect(7, 8, 2, 6), QColor(0, 60, 84));
}

void typeIcons(QPainter& p, QSize) {
    const QColor colours[] = {colour::normalType, colour::eventType, colour::motionType};
    const char* letters[] = {"N", "E", "M"};
    for (int i = 0; i < 3; ++i) {
        const QRectF badge(i * 16 + 0.5, 2.5, 11, 11);
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(colours[i]);
        p.drawRoundedRect(badge, 2.5, 2.5);
        p.restore();
        label(p, badge.adjusted(0, 0, 0, 0), QString::fromLatin1(letters[i]), 9, QColor(10, 10, 10),
              true);
    }
}

void listPane(QPainter& p, QSize s) {
    p.fillRect(QRect(0, 0, s.width(), s.height()), QColor(12, 12, 14));
    vgradient(p, QRect(0, 0, s.width(), 18), QColor(60, 62, 66), QColor(38, 39, 42));
    for (int r = 0; r < 12; ++r)
        p.fillRect(QRect(0, 18 + r * 20, 330, 20), r % 2 ? listRowAlt : listRow);
    for (int x : {33, 136, 267}) p.fillRect(QRect(x, 18, 1, 242), QColor(44, 44, 48));
    p.fillRect(QRect(330, 0, 14, s.height()), QColor(14, 14, 16));
    p.fillRect(QRect(0, 260, 330, 3), QColor(12, 12, 14));
}

void selectionBar(QPainter& p, QSize s) {
    vgradient(p, QRect(0, 0, s.width(), s.height()), QColor(0, 104, 138), QColor(0, 62, 86));
    p.fillRect(QRect(0, 0, s.width(), 1), colour::accent);
    p.fillRect(QRect(0, s.height() - 1, s.width(), 1), QColor(0, 30, 42));
    p.fillRect(QRect(0, 0, 3, s.height()), colour::accent);
}

void verticalTrack(QPainter& p, QSize s) {
    p.fillRect(QRect(0, 0, s.width(), s.height()), QColor(14, 14, 16));
    p.fillRect(QRect(5, 2, 4, s.height() - 4), QColor(34, 35, 38));
    p.fillRect(QRect(5, 2, 1, s.height() - 4), QColor(0, 0, 0));
}

void verticalThumb(QPainter& p, QSize) {
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(1, 0, 13, 0);
    g.setColorAt(0, QColor(150, 156, 164));
    g.setColorAt(1, QColor(96, 100, 108));
    p.setPen(QPen(QColor(20, 30, 36), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1.5, 1.5, 11, 32), 3, 3);
    for (int y : {13, 17, 21}) p.fillRect(QRectF(4, y, 6, 1), QColor(0, 120, 160));
}

DrawFn arrowButton(Glyph g, State st) {
    return filled(QColor(14, 14, 16), [=](QPainter& p, QSize s) {
        const QRectF box = buttonFace(p, QRectF(0, 0, s.width(), s.height()), st, 2);
        glyph(p, g, QRectF(box.left() + 2, box.top() + 2, 10, 10), inkFor(st));
    });
}

DrawFn muteIndicator() {
    return filled(plateAt(642), [](QPainter& p, QSize) {
        glyph(p, Glyph::SpeakerMuted, QRectF(1, 0, 17, 15), colour::text);
    });
}

}  // namespace

// ---- The rear-flip indicator: dim on the background, lit in 318 / 319 ---------------------
namespace parts {
void flipIndicator(QPainter& p, QPoint at, const QString& text, bool lit) {
    p.save();
    p.translate(at);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRect(0, 0, 62, 23), bay);
    p.setPen(QPen(lit ? colour::accentDeep : QColor(40, 40, 44), 1));
    p.setBrush(lit ? QColor(0, 44, 58) : QColor(26, 26, 29));
    p.drawRoundedRect(QRectF(2.5, 3.5, 58, 16), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? colour::accent : QColor(50, 52, 56));
    p.drawEllipse(QPointF(9.5, 11.5), 2.6, 2.6);
    p.restore();
    label(p, QRectF(at.x() + 14, at.y() + 3, 47, 17), text, 11,
          lit ? colour::text : colour::textOff, true);
}
}  // namespace parts

void drawAppIcon(QPainter& p, int size) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(12, 12, 232, 232), 48, 48);
    QLinearGradient g(0, 12, 0, 244);
    g.setColorAt(0, QColor(64, 66, 72));
    g.setColorAt(1, QColor(22, 22, 25));
    p.setPen(QPen(colour::accentDeep, 6));
    p.setBrush(g);
    p.drawPath(tile);
    // a second, smaller lens for the rear camera, then the front one
    lensMark(p, QPointF(186, 78), 34);
    lensMark(p, QPointF(118, 140), 78);
    // recording dot
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 60, 60));
    p.drawEllipse(QPointF(204, 206), 14, 14);
    p.restore();
}

const std::vector<SkinEntry>& skinTable() {
    using S = State;
    static const std::vector<SkinEntry> table = {
        // number, width, height, role, drawing
        {128, 256, 256, "application icon", [](QPainter& p, QSize s) { drawAppIcon(p, s.width()); }, std::nullopt, true},
        {129, 1024, 768, "main window background", panels::mainBackground},
        {131, 344, 263, "recording list: rows, column rules, scroll column", listPane},
        {132, 14, 400, "list scroll bar track (top 215 used)", verticalTrack},
        {133, 60, 35, "list scroll bar thumb (left 14 used), black keyed", verticalThumb, ColourKey{QColor(0, 0, 0), QColor(34, 35, 38)}},
        {135, 373, 16, "position bar after the thumb", groove(6, QColor(40, 42, 46), QColor(30, 31, 34), false)},
        {136, 16, 16, "position bar thumb, keyed 38,38,39", knob(14), ColourKey{QColor(38, 38, 39), trackBay}},
        {137, 373, 16, "position bar before the thumb (played)", groove(6, colour::accent, QColor(0, 130, 180), true)},
        {147, 48, 16, "list type icons: normal, event, motion; keyed 243,14,254", typeIcons, ColourKey{QColor(243, 14, 254), listRow}},
        {148, 485, 20, "list selection bar", selectionBar},
        {149, 487, 311, "front view, no picture", [](QPainter& p, QSize s) { idleView(p, s, "FRONT"); }},
        {150, 700, 391, "view composition surface", [](QPainter& p, QSize s) { p.fillRect(QRect(QPoint(0, 0), s), Qt::black); }},
        {152, 42, 17, "zoom field", textField()},
        {154, 189, 17, "file name field", textField(QPoint(2, 4), Glyph::Play)},
        {155, 33, 32, "play", playButton(S::Normal)},
        {156, 33, 32, "play, pressed", playButton(S::Pressed)},
        {158, 33, 32, "pause, pressed", glyphButton(Glyph::Pause, S::Pressed, 16)},
        {159, 33, 32, "pause", glyphButton(Glyph::Pause, S::Normal, 16)},
        {160, 33, 32, "stop", glyphButton(Glyph::Stop, S::Normal, 16)},
        {161, 33, 32, "stop, pressed", glyphButton(Glyph::Stop, S::Pressed, 16)},
        {162, 33, 32, "one frame forward", glyphButton(Glyph::StepForward, S::Normal, 16)},
        {163, 33, 32, "one frame forward, pressed", glyphButton(Glyph::StepForward, S::Pressed, 16)},
        {164, 33, 32, "one frame back", glyphButton(Glyph::StepBack, S::Normal, 16)},
        {165, 33, 32, "one frame back, pressed", glyphButton(Glyph::StepBack, S::Pressed, 16)},
        {166, 33, 32, "next recording", glyphButton(Glyph::Next, S::Normal, 16)},
        {168, 33, 32, "previous recording", glyphButton(Glyph::Previous, S::Normal, 16)},
        {169, 33, 32, "previous recording, pressed", glyphButton(Glyph::Previous, S::Pressed, 16)},
        {170, 33, 32, "next recording, pressed", glyphButton(Glyph::Next, S::Pressed, 16)},
        {171, 50, 48, "configuration, pressed", toolButton(Glyph::Gear, "설정", S::Pressed)},
        {172, 50, 48, "capture", toolButton(Glyph::Camera, "캡쳐", S::Normal)},
        {173, 50, 48, "capture, pressed", toolButton(Glyph::Camera, "캡쳐", S::Pressed)},
        {174, 50, 48, "open files", toolButton(Glyph::OpenFile, "파일", S::Normal)},
        {175, 50, 48, "open files, pressed", toolButton(Glyph::OpenFile, "파일", S::Pressed)},
        {176, 50, 48, "save recording pair", toolButton(Glyph::Save, "저장", S::Normal)},
        {177, 50, 48, "save recording pair, pressed", toolButton(Glyph::Save, "저장", S::Pressed)},
        {178, 50, 48, "open folder", toolButton(Glyph::Folder, "폴더", S::Normal)},
        {179, 50, 48, "open folder, pressed", toolButton(Glyph::Folder, "폴더", S::Pressed)},
        {180, 50, 48, "configuration", toolButton(Glyph::Gear, "설정", S::Normal)},
        {181, 168, 34, "map tab, pressed", tab(Glyph::MapPin, "지도 보기", S::Pressed)},
        {182, 39, 24, "format SD card", glyphButton(Glyph::SdCard, S::Normal, 16, plateAt(43))},
        {183, 39, 24, "format SD card, pressed", glyphButton(Glyph::SdCard, S::Pressed, 16, plateAt(43))},
        {184, 107, 23, "front / rear swap (not shown)", textButton("전후방 전환", S::Normal, bay, 11, Glyph::SwapViews)},
        {185, 107, 23, "front / rear swap, pressed", textButton("전후방 전환", S::Pressed, bay, 11, Glyph::SwapViews)},
        {186, 168, 34, "map tab", tab(Glyph::MapPin, "지도 보기", S::Normal)},
        {187, 38, 24, "minimise", glyphButton(Glyph::Minimise, S::Normal, 14, plateAt(43))},
        {188, 38, 24, "minimise, pressed", glyphButton(Glyph::Minimise, S::Pressed, 14, plateAt(43))},
        {189, 39, 24, "viewer information", glyphButton(Glyph::Info, S::Normal, 16, plateAt(43))},
        {190, 39, 24, "viewer information, pressed", glyphButton(Glyph::Info, S::Pressed, 16, plateAt(43))},
        {191, 38, 24, "exit", glyphButton(Glyph::Close, S::Normal, 14, plateAt(43))},
        {192, 38, 24, "exit, pressed", glyphButton(Glyph::Close, S::Pressed, 14, plateAt(43))},
        {194, 103, 18, "list header: date", header("날짜", S::Normal, true)},
        {196, 33, 18, "list header: type", header("종류", S::Normal, true)},
        {197, 33, 18, "list header: type, pressed", header("종류", S::Pressed, true)},
        {199, 131, 18, "list header: name, pressed", header("파일 이름", S::Pressed, true)},
        {200, 103, 18, "list header: date, pressed", header("날짜", S::Pressed, true)},
        {201, 131, 18, "list header: name", header("파일 이름", S::Normal, true)},
        {202, 14, 14, "list scroll up, pressed", arrowButton(Glyph::ArrowUp, S::Pressed)},
        {203, 14, 14, "list scroll down", arrowButton(Glyph::ArrowDown, S::Normal)},
        {204, 14, 14, "list scroll down, pressed", arrowButton(Glyph::ArrowDown, S::Pressed)},
        {205, 14, 14, "list scroll up", arrowButton(Glyph::ArrowUp, S::Normal)},
        {206, 73, 17, "speed unit, pressed", textButton("SPEED", S::Pressed, bay, 10, Glyph::SwapViews, 2)},
        {207, 73, 17, "speed unit", textButton("SPEED", S::Normal, bay, 10, Glyph::SwapViews, 2)},
        {208, 84, 74, "speed gauge", speedGauge},
        {209, 27, 11, "speed unit label: mph", unitLabel("mph")},
        {210, 10, 17, "digit 0", [](QPainter& p, QSize s) { digit(p, s, 0); }},
        {211, 10, 17, "digit 1", [](QPainter& p, QSize s) { digit(p, s, 1); }},
        {212, 10, 17, "digit 2", [](QPainter& p, QSize s) { digit(p, s, 2); }},
        {213, 10, 17, "digit 3", [](QPainter& p, QSize s) { digit(p, s, 3); }},
        {214, 10, 17, "digit 4", [](QPainter& p, QSize s) { digit(p, s, 4); }},
        {215, 10, 17, "digit 5", [](QPainter& p, QSize s) { digit(p, s, 5); }},
        {216, 10, 17, "digit 6", [](QPainter& p, QSize s) { digit(p, s, 6); }},
        {217, 10, 17, "digit 7", [](QPainter& p, QSize s) { digit(p, s, 7); }},
        {218, 10, 17, "digit 8", [](QPainter& p, QSize s) { digit(p, s, 8); }},
        {219, 10, 17, "digit 9", [](QPainter& p, QSize s) { digit(p, s, 9); }},
        {220, 27, 11, "speed unit label: km/h", unitLabel("km/h")},
        {222, 63, 17, "time field", textField()},
        {223, 109, 8, "short slider after the thumb", groove(4, QColor(40, 42, 46), QColor(30, 31, 34), false)},
        {224, 109, 8, "short slider before the thumb", groove(4, colour::accent, QColor(0, 130, 180), false)},
        {225, 8, 8, "short slider thumb, keyed 39,39,39", knob(8), ColourKey{QColor(39, 39, 39), trackBay}},
        {228, 373, 64, "G-sensor graph: G-SENSOR / NO DATA", sensorPicture},
        {229, 465, 28, "recording information: longitude, latitude, type", infoStrip},
        {232, 487, 311, "rear view, no picture", [](QPainter& p, QSize s) { idleView(p, s, "REAR"); }},
        {233, 25, 23, "rear left-right mirror, pressed", glyphButton(Glyph::MirrorLeftRight, S::Pressed, 15)},
        {234, 25, 23, "rear up-down flip", glyphButton(Glyph::FlipUpDown, S::Normal, 15)},
        {235, 25, 23, "rear up-down flip, pressed", glyphButton(Glyph::FlipUpDown, S::Pressed, 15)},
        {236, 25, 23, "rear left-right mirror", glyphButton(Glyph::MirrorLeftRight, S::Normal, 15)},
        {237, 142, 35, "maker logo (web site)", logo},
        {239, 39, 24, "format SD card, unavailable", glyphButton(Glyph::SdCard, S::Disabled, 16, plateAt(43))},
        {247, 78, 28, "question box: OK", textButton("확 인", S::Normal, colour::graphite, 13)},
        {248, 78, 28, "question box: OK, pressed", textButton("확 인", S::Pressed, colour::graphite, 13)},
        {249, 78, 28, "notice box: OK", textButton("확 인", S::Normal, colour::graphite, 13)},
        {250, 78, 28, "notice box: OK, pressed", textButton("확 인", S::Pressed, colour::graphite, 13)},
        {251, 78, 28, "question box: cancel", textButton("취 소", S::Normal, colour::graphite, 13)},
        {252, 78, 28, "question box: cancel, pressed", textButton("취 소", S::Pressed, colour::graphite, 13)},
        {253, 297, 216, "notice box background", panels::oneButtonBox},
        {255, 35, 34, "close cross", closeButton(S::Normal)},
        {256, 35, 34, "close cross, pressed", closeButton(S::Pressed)},
        {259, 78, 28, "format: close, pressed", textButton("닫 기", S::Pressed, colour::graphite, 13)},
        {260, 78, 28, "format: close", textButton("닫 기", S::Normal, colour::graphite, 13)},
        {262, 300, 383, "SD card format dialog", panels::formatDialog},
        {263, 78, 28, "format: start, pressed", textButton("시 작", S::Pressed, colour::graphite, 13)},
        {264, 78, 28, "format: start", textButton("시 작", S::Normal, colour::graphite, 13)},
        {266, 78, 28, "folder scan: stop, pressed", textButton("중 지", S::Pressed, colour::graphite, 13)},
        {267, 447, 233, "folder scan box", panels::scanBox},
        {268, 78, 28, "folder scan: stop", textButton("중 지", S::Normal, colour::graphite, 13)},
        {269, 19, 15, "sound off indicator", muteIndicator()},
        {276, 15, 15, "option marker, chosen", optionDot(true)},
        {277, 15, 15, "option marker, not chosen", optionDot(false)},
        {278, 447, 698, "configuration dialog", panels::configurationDialog},
        {280, 297, 233, "about box", panels::aboutBox},
        {283, 78, 28, "configuration: reset, pressed", textButton("초기화", S::Pressed, colour::graphite, 13)},
        {284, 78, 28, "configuration: apply", textButton("적 용", S::Normal, colour::graphite, 13)},
        {285, 78, 28, "configuration: apply, pressed", textButton("적 용", S::Pressed, colour::graphite, 13)},
        {286, 78, 28, "configuration: reset", textButton("초기화", S::Normal, colour::graphite, 13)},
        {288, 21, 20, "repeat marker (top-left 16 x 16 used)", marker},
        {289, 373, 25, "repeat marker strip (top 20 used)", markerStrip},
        {293, 57, 55, "heading arrow N", headingArrow(0)},
        {294, 57, 55, "heading arrow NE", headingArrow(45)},
        {295, 57, 55, "heading arrow E", headingArrow(90)},
        {296, 57, 55, "heading arrow SE", headingArrow(135)},
        {297, 57, 55, "heading arrow S", headingArrow(180)},
        {298, 57, 55, "heading arrow SW", headingArrow(225)},
        {299, 57, 55, "heading arrow W", headingArrow(270)},
        {300, 57, 55, "heading arrow NW", headingArrow(315)},
        {301, 168, 34, "list tab", tab(Glyph::List, "파일 리스트", S::Normal)},
        {302, 168, 34, "list tab, pressed", tab(Glyph::List, "파일 리스트", S::Pressed)},
        {304, 57, 55, "heading word SOUTH", headingWord("SOUTH", nullptr)},
        {305, 57, 55, "heading word SOUTH WEST", headingWord("SOUTH", "WEST")},
        {306, 57, 55, "heading word EAST", headingWord("EAST", nullptr)},
        {307, 57, 55, "heading word SOUTH EAST", headingWord("SOUTH", "EAST")},
        {308, 57, 55, "heading word NORTH", headingWord("NORTH", nullptr)},
        {309, 57, 55, "heading word NORTH EAST", headingWord("NORTH", "EAST")},
        {310, 57, 55, "heading word NORTH WEST", headingWord("NORTH", "WEST")},
        {311, 57, 55, "heading word WEST", headingWord("WEST", nullptr)},
        {312, 55, 13, "brightness name (resets brightness)", textButton("밝기", S::Normal, plateAt(683), 10, Glyph::Reset, 2)},
        {313, 55, 13, "brightness name, pressed", textButton("밝기", S::Pressed, plateAt(683), 10, Glyph::Reset, 2)},
        {314, 47, 13, "contrast name (resets contrast)", textButton("대비", S::Normal, plateAt(683), 10, Glyph::Reset, 2)},
        {315, 47, 13, "contrast name, pressed", textButton("대비", S::Pressed, plateAt(683), 10, Glyph::Reset, 2)},
        {316, 74, 17, "heading style", textButton("방향", S::Normal, bay, 11, Glyph::SwapViews, 2)},
        {317, 74, 17, "heading style, pressed", textButton("방향", S::Pressed, bay, 11, Glyph::SwapViews, 2)},
        {318, 62, 23, "rear up-down flip on", [](QPainter& p, QSize) { parts::flipIndicator(p, {0, 0}, QStringLiteral("상하반전"), true); }},
        {319, 62, 23, "rear left-right mirror on", [](QPainter& p, QSize) { parts::flipIndicator(p, {0, 0}, QStringLiteral("좌우반전"), true); }},
        {320, 297, 216, "question box background", panels::twoButtonBox},
        {321, 1023, 70, "enlarged view control bar", panels::controlBar},
        {322, 51, 13, "A-B repeat", textButton("A-B", S::Normal, bay, 10, Glyph::Reset, 2)},
        {323, 51, 13, "A-B repeat, pressed", textButton("A-B", S::Pressed, bay, 10, Glyph::Reset, 2)},
        {324, 77, 18, "list header: size", header("크기", S::Normal, false)},
        {325, 373, 16, "position bar from the event mark to the thumb", groove(6, QColor(255, 120, 60), QColor(200, 50, 30), true)},
        {326, 50, 48, "export video", toolButton(Glyph::Play, "내보내기", S::Normal)},
        {327, 50, 48, "export video, pressed", toolButton(Glyph::Play, "내보내기", S::Pressed)},
    };
    return table;
}

}  // namespace skin
