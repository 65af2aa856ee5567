// The skin generator's drawing kit: the palette, fonts and the small set of shapes every skin
// bitmap is built from (panels, wells, button faces, glyphs, labels). Every function draws in
// the bitmap's own pixel coordinates; the generator scales the painter for the @2x twin, so one
// description gives both densities.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace skin {

// ---- Palette -------------------------------------------------------------------------------
namespace colour {
inline const QColor deep{14, 14, 16};        // window body behind the panels
inline const QColor graphite{37, 37, 37};    // dialog and panel face
inline const QColor graphiteHi{54, 54, 57};  // raised edge
inline const QColor graphiteLo{24, 24, 26};  // lower edge, separators
inline const QColor well{10, 10, 12};        // recessed field
inline const QColor wellEdge{70, 72, 76};    // lit lower edge of a recess
inline const QColor text{222, 222, 222};
inline const QColor textDim{140, 144, 150};
inline const QColor textOff{86, 88, 92};     // disabled glyphs and labels
inline const QColor accent{0, 204, 255};
inline const QColor accentDeep{0, 98, 128};
inline const QColor paper{226, 229, 233};    // light inset that carries dark message text
inline const QColor ink{8, 8, 8};
inline const QColor normalType{0, 255, 0};   // recording types
inline const QColor eventType{255, 0, 0};
inline const QColor motionType{0, 174, 239};
inline const QColor amber{255, 176, 32};
}  // namespace colour

// ---- Bitmap description --------------------------------------------------------------------

// How a skin bitmap is drawn: a function over a painter in the bitmap's own pixel coordinates.
using DrawFn = std::function<void(QPainter&, QSize)>;

// A colour key: pixels of `key` are not drawn by the viewer. The shape is painted on a clear
// layer and flattened over `backdrop` (the colour it will sit on), and the key colour is kept
// for the uncovered pixels only.
struct ColourKey {
    QColor key;
    QColor backdrop;
};

struct SkinEntry {
    int number;
    int width;
    int height;
    const char* role;
    DrawFn draw;
    std::optional<ColourKey> key = std::nullopt;
    bool keepAlpha = false;  // the icon keeps its transparent corners
};

// Every bitmap of the viewer, in resource-number order (resources/skin_table.cpp).
const std::vector<SkinEntry>& skinTable();

// The application icon drawn at any square size (resources/skin_table.cpp).
void drawAppIcon(QPainter& p, int size);

// ---- Button states -------------------------------------------------------------------------
enum class State { Normal, Pressed, Disabled };

// The colour of a button's glyph and caption in a state.
QColor inkFor(State s);

// ---- Fonts and labels ----------------------------------------------------------------------

// NanumGothic for any text with Hangul in it, Liberation Sans otherwise.
QFont fontFor(const QString& text, int pixelSize, bool bold);

// Draws `text` aligned inside `box` (Qt::Alignment flags).
void label(QPainter& p, const QRectF& box, const QString& text, int pixelSize, const QColor& c,
           bool bold = true, int align = Qt::AlignCenter);
// Draws `text` with its top-left corner at (x, y), as the viewer's own text output does.
void labelAt(QPainter& p, int x, int y, const QString& text, int pixelSize, const QColor& c,
             bool bold = true);
// Latin capitals with extra tracking, for headings and branding.
void tracked(QPainter& p, const QRectF& box, const QString& text, int pixelSize,
             const QColor& c, double spacing, int align = Qt::AlignCenter);

// ---- Surfaces ------------------------------------------------------------------------------
void fill(QPainter& p, const QRect& r, const QColor& c);
void vgradient(QPainter& p, const QRect& r, const QColor& top, const QColor& bottom);
// A raised graphite panel with a lit top edge and a dark bottom edge.
void panel(QPainter& p, const QRect& r, const QColor& face = colour::graphite);
// A recessed frame `margin` pixels around `inner`, with the inside filled dark.
void well(QPainter& p, const QRect& inner, int margin = 2, const QColor& inside = colour::well);
// Only the frame ring of a well, leaving the inside alone.
void wellRing(QPainter& p, const QRect& inner, int margin = 2);
// A thin cyan line with a soft glow, used under titles and along the window's top.
void accentLine(QPainter& p, const QRectF& line);
// Rounded button face for a state; returns the content box (moved down-right when pressed).
QRectF buttonFace(QPainter& p, const QRectF& r, State s, double radius = 3.0);
// Dialog frame: graphite body, cyan-lined border and a title tab with an emblem area.
void dialogFrame(QPainter& p, QSize size, const QString& title = {});
// A light inset panel for dark text inside a dialog.
void paperPanel(QPainter& p, const QRect& r);

// ---- Glyphs (drawn filled in the current ink, inside a box) -------------------------------
enum class Glyph {
    Play, Pause, Stop, Previous, Next, StepBack, StepForward,
    Close, Minimise, Info, SdCard, OpenFile, Folder, Camera, Save, Gear,
    MapPin, List, MirrorLeftRight, FlipUpDown, SwapViews, Speaker, SpeakerMuted,
    Reset, Magnifier, SortUpDown, ArrowUp, ArrowDown, Question, FolderSearch,
};
void glyph(QPainter& p, Glyph g, const QRectF& box, const QColor& c);

// The product mark: a camera lens ring with a cyan iris.
void lensMark(QPainter& p, const QPointF& centre, double radius);

}  // namespace skin
