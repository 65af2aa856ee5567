#include "export/overlay_painter.h"

#include <QPainter>
#include <QPainterPath>
#include <chrono>
#include <cmath>

#include "export/export_plan.h"

namespace moksel::exporting {

namespace {

const QColor kPanel(37, 37, 37, 210);
const QColor kText(222, 222, 222);
const QColor kAccent(0, 204, 255);

}  // namespace

QString overlayTimeText(const OverlayFields& f) {
    const int64_t recordS = f.recordMs >= 0 ? f.recordMs / 1000 : 0;
    if (!f.start) {
        return QString::asprintf("%02lld:%02lld", static_cast<long long>(recordS / 60),
                                 static_cast<long long>(recordS % 60));
    }
    const int64_t total = startSeconds(*f.start) + recordS;
    const int64_t days = total >= 0 ? total / 86400 : (total - 86399) / 86400;
    const int64_t ofDay = total - days * 86400;
    using namespace std::chrono;
    const year_month_day ymd{sys_days{std::chrono::days{days}}};
    return QString::asprintf("%04d-%02u-%02u %02lld:%02lld:%02lld", int(ymd.year()),
                             unsigned(ymd.month()), unsigned(ymd.day()),
                             static_cast<long long>(ofDay / 3600),
                             static_cast<long long>(ofDay / 60 % 60),
                             static_cast<long long>(ofDay % 60));
}

QString overlaySpeedText(uint16_t speedKmh, bool useMph) {
    if (useMph) return QString::number(unsigned(speedKmh / 1.609344)) + QStringLiteral(" mph");
    return QString::number(speedKmh) + QStringLiteral(" km/h");
}

QString overlayPositionText(double latitude, double longitude) {
    return QString::asprintf("%c %.5f°  %c %.5f°", latitude < 0 ? 'S' : 'N', std::abs(latitude),
                             longitude < 0 ? 'W' : 'E', std::abs(longitude));
}

QString overlayHeadingText(double degrees) {
    static const char* const kSectors[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    double d = std::fmod(degrees, 360.0);
    if (!std::isfinite(d)) d = 0;
    if (d < 0) d += 360;
    const int sector = int(std::floor((d + 22.5) / 45.0)) % 8;
    return QString::asprintf("%s %03d°", kSectors[sector], int(d) % 360);
}

OverlayPainter::OverlayPainter(int pictureHeight, bool withTelemetry)
    : withTelemetry_(withTelemetry) {
    scale_ = std::max(0.25, pictureHeight / 720.0);
    margin_ = int(std::lround(16 * scale_));
    large_ = QFont(QStringLiteral("NanumGothic"));
    large_.setPixelSize(std::max(8, int(std::lround(26 * scale_))));
    large_.setBold(true);
    small_ = QFont(QStringLiteral("NanumGothic"));
    small_.setPixelSize(std::max(7, int(std::lround(19 * scale_))));
    const int width = int(std::lround(560 * scale_));
    const int height = int(std::lround((withTelemetry ? 112 : 46) * scale_));
    size_ = QSize(width & ~1, height & ~1);
    image_ = QImage(size_, QImage::Format_RGBA8888_Premultiplied);
}

const QImage& OverlayPainter::paint(const OverlayFields& f) {
    image_.fill(Qt::transparent);
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double s = scale_;
    QPainterPath panel;
    panel.addRoundedRect(QRectF(0, 0, size_.width(), size_.height()), 6 * s, 6 * s);
    p.fillPath(panel, kPanel);
    // A cyan rule on the left edge, as the skin's panels have.
    p.fillRect(QRectF(0, 8 * s, 4 * s, size_.height() - 16 * s), kAccent);

    const double left = 16 * s;
    p.setFont(large_);
    p.setPen(kText);
    p.drawText(QPointF(left, 32 * s), overlayTimeText(f));
    if (f.event) {
        const QRectF badge(size_.width() - 118 * s, 10 * s, 104 * s, 28 * s);
        QPainterPath path;
        path.addRoundedRect(badge, 4 * s, 4 * s);
        p.fillPath(path, kAccent);
        p.setPen(QColor(37, 37, 37));
        p.setFont(small_);
        p.drawText(badge, Qt::AlignCenter, QStringLiteral("● EVENT"));
    }
    if (withTelemetry_ && f.telemetry) {
        const TelemetryRecord& t = *f.telemetry;
        const bool fix = !(t.latitude == 0 && t.longitude == 0);
        p.setFont(large_);
        p.setPen(kAccent);
        const QString speed = fix ? overlaySpeedText(t.speedKmh, f.useMph)
                                  : (f.useMph ? QStringLiteral("-- mph") : QStringLiteral("-- km/h"));
        p.drawText(QPointF(left + 300 * s, 32 * s), speed);
        p.setFont(small_);
        p.setPen(kText);
        p.drawText(QPointF(left, 64 * s),
                   fix ? overlayPositionText(t.latitude, t.longitude) + QStringLiteral("   ") +
                             overlayHeadingText(t.heading)
                       : QStringLiteral("GPS --"));
        p.drawText(QPointF(left, 94 * s),
                   QString::asprintf("G  X %+.2f   Y %+.2f   Z %+.2f", t.accelX / 100.0,
                                     t.accelY / 100.0, t.accelZ / 100.0));
    }
    p.end();
    return image_;
}

}  // namespace moksel::exporting
