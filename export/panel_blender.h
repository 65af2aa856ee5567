// Lays the overlay panel (premultiplied RGBA from QPainter) over a composed 4:2:0 picture.
// The panel is converted to limited-range BT.601 Y'CbCr with its alpha once per repaint; each
// picture then only blends the panel's rectangle, in place, so no copy of the whole picture is
// made (a filter graph's overlay keeps a reference to its main picture and copies it whole).
//
// Thread contract: a Panel is immutable once made and may be shared between threads.
#pragma once

#include <QImage>
#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
}

namespace moksel::exporting {

class Panel {
public:
    // Converts a premultiplied RGBA image (even width and height).
    explicit Panel(const QImage& premultiplied);

    int width() const { return width_; }
    int height() const { return height_; }

    // Blends the panel over a writable 8-bit 4:2:0 picture at (x, y) (rounded down to even),
    // clipped to the picture.
    void blendOnto(AVFrame* picture, int x, int y) const;

private:
    int width_ = 0, height_ = 0;
    // Per luma pixel: alpha (0..255) and alpha x Y'; per chroma sample: the 2 x 2 average alpha
    // and alpha x Cb, alpha x Cr.
    std::vector<uint8_t> alpha_, chromaAlpha_;
    std::vector<uint16_t> luma_, cb_, cr_;
};

}  // namespace moksel::exporting
