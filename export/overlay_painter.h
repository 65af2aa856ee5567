// The panel burned into exported pictures: date and time of the frame, speed, position,
// heading, G values and an event mark, drawn with QPainter in the skin's colours (graphite
// panel, light text, cyan accents, NanumGothic).
//
// Thread contract: one thread uses a painter; it may be a worker thread (QImage painting),
// but a QGuiApplication must exist for the fonts.
#pragma once

#include <QFont>
#include <QImage>
#include <cstdint>
#include <optional>

#include "recording/recording_name.h"
#include "recording/telemetry.h"

namespace moksel::exporting {

// What the panel shows for one frame.
struct OverlayFields {
    std::optional<RecordingStart> start;  // the recording's start from its file name
    int64_t recordMs = 0;                 // the frame's time in its recording
    const TelemetryRecord* telemetry = nullptr;  // null: the time alone
    bool event = false;                          // the frame is near an event flag
    bool useMph = false;
};

// "2012-03-01 08:15:03" (start + recordMs), or "00:03" (minutes:seconds of the record) when
// the name gives no start.
QString overlayTimeText(const OverlayFields& fields);
// "52 km/h" or "32 mph" (the viewer's truncation: km/h / 1.609344).
QString overlaySpeedText(uint16_t speedKmh, bool useMph);
// "N 37.56650°  E 126.97800°".
QString overlayPositionText(double latitude, double longitude);
// "NE 045°": the heading's 45-degree sector and its degrees.
QString overlayHeadingText(double degrees);

class OverlayPainter {
public:
    // Panel for a picture `pictureHeight` high; `withTelemetry` adds the telemetry lines.
    OverlayPainter(int pictureHeight, bool withTelemetry);

    QSize size() const { return size_; }
    int margin() const { return margin_; }

    // Paints the panel for `fields` into an image of size(), premultiplied RGBA bytes.
    const QImage& paint(const OverlayFields& fields);

private:
    QSize size_;
    int margin_ = 0;
    double scale_ = 1;
    bool withTelemetry_ = false;
    QFont large_, small_;
    QImage image_;
};

}  // namespace moksel::exporting
