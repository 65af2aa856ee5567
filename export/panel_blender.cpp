#include "export/panel_blender.h"

#include <algorithm>

namespace moksel::exporting {

Panel::Panel(const QImage& image) : width_(image.width() & ~1), height_(image.height() & ~1) {
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const size_t n = size_t(width_) * height_;
    alpha_.resize(n);
    luma_.resize(n);
    const size_t nc = n / 4;
    chromaAlpha_.resize(nc);
    cb_.resize(nc);
    cr_.resize(nc);
    // Premultiplied colour converts to premultiplied Y'CbCr linearly: offsets scale by alpha.
    for (int y = 0; y < height_; ++y) {
        const uint8_t* row = rgba.constScanLine(y);
        for (int x = 0; x < width_; ++x) {
            const double r = row[4 * x], g = row[4 * x + 1], b = row[4 * x + 2];
            const int a = row[4 * x + 3];
            const double yy = (65.481 * r + 128.553 * g + 24.966 * b) / 255.0 + 16.0 * a / 255.0;
            alpha_[size_t(y) * width_ + x] = uint8_t(a);
            luma_[size_t(y) * width_ + x] = uint16_t(std::clamp(yy * 255.0 + 0.5, 0.0, 65025.0));
        }
    }
    const int cw = width_ / 2;
    for (int y = 0; y < height_ / 2; ++y) {
        for (int x = 0; x < cw; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int k = 0; k < 4; ++k) {
                const uint8_t* p = rgba.constScanLine(2 * y + k / 2) + 4 * (2 * x + k % 2);
                r += p[0], g += p[1], b += p[2], a += p[3];
            }
            r /= 4, g /= 4, b /= 4, a /= 4;
            const double u = (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0 + 128.0 * a / 255.0;
            const double v = (112.0 * r - 93.786 * g - 18.214 * b) / 255.0 + 128.0 * a / 255.0;
            const size_t i = size_t(y) * cw + x;
            chromaAlpha_[i] = uint8_t(a + 0.5);
            cb_[i] = uint16_t(std::clamp(u * 255.0 + 0.5, 0.0, 65025.0));
            cr_[i] = uint16_t(std::clamp(v * 255.0 + 0.5, 0.0, 65025.0));
        }
    }
}

void Panel::blendOnto(AVFrame* picture, int x0, int y0) const {
    x0 &= ~1;
    y0 &= ~1;
    const int w = std::min(width_, picture->width - x0);
    const int h = std::min(height_, picture->height - y0);
    if (x0 < 0 || y0 < 0 || w <= 0 || h <= 0) return;
    // dst = dst x (1 - alpha) + alpha x panel, with alpha in 0..255.
    for (int y = 0; y < h; ++y) {
        uint8_t* dst = picture->data[0] + size_t(y0 + y) * picture->linesize[0] + x0;
        const uint8_t* a = &alpha_[size_t(y) * width_];
        const uint16_t* s = &luma_[size_t(y) * width_];
        for (int x = 0; x < w; ++x)
            dst[x] = uint8_t((dst[x] * (255 - a[x]) + s[x] + 127) / 255);
    }
    const int cw = width_ / 2;
    for (int y = 0; y < h / 2; ++y) {
        uint8_t* u = picture->data[1] + size_t(y0 / 2 + y) * picture->linesize[1] + x0 / 2;
        uint8_t* v = picture->data[2] + size_t(y0 / 2 + y) * picture->linesize[2] + x0 / 2;
        const uint8_t* a = &chromaAlpha_[size_t(y) * cw];
        const uint16_t* su = &cb_[size_t(y) * cw];
        const uint16_t* sv = &cr_[size_t(y) * cw];
        for (int x = 0; x < w / 2; ++x) {
            u[x] = uint8_t((u[x] * (255 - a[x]) + su[x] + 127) / 255);
            v[x] = uint8_t((v[x] * (255 - a[x]) + sv[x] + 127) / 255);
        }
    }
}

}  // namespace moksel::exporting
