// The large skin compositions. Every well and label here sits around a control the window
// places at that rectangle; keep them in step with the window layout.
#include "skin_panels.h"

#include "skin_parts.h"
#include "tools/skingen/skin_kit.h"

namespace skin::panels {

using namespace skin;

namespace {

const QColor bay{20, 20, 22};  // inside of a group well

void sectionLabel(QPainter& p, int x, int y, const QString& text, int align = Qt::AlignLeft) {
    label(p, QRectF(x, y, 90, 12), text, 10, colour::textDim, true, align | Qt::AlignVCenter);
}

}  // namespace

void mainBackground(QPainter& p, QSize size) {
    const int w = size.width(), h = size.height();
    vgradient(p, QRect(0, 0, w, h), QColor(44, 45, 48), QColor(30, 30, 32));

    // title strip with the product name
    vgradient(p, QRect(0, 0, w, 20), QColor(30, 31, 34), QColor(18, 18, 20));
    tracked(p, QRectF(0, 1, w, 18), QStringLiteral("MOKSEL VIEWER"), 11, colour::text, 2.5);
    accentLine(p, QRectF(0, 19, w, 1));
    // window border
    p.fillRect(QRect(0, 0, w, 1), QColor(70, 72, 76));
    p.fillRect(QRect(0, 0, 1, h), QColor(70, 72, 76));
    p.fillRect(QRect(w - 1, 0, 1, h), QColor(6, 6, 7));
    p.fillRect(QRect(0, h - 1, w, 1), QColor(6, 6, 7));

    // header row: name and zoom of the front camera, flips and zoom of the rear camera
    tracked(p, QRectF(150, 44, 72, 17), QStringLiteral("FRONT"), 11, colour::accent, 1.0,
            Qt::AlignRight | Qt::AlignVCenter);
    well(p, QRect(228, 44, 189, 17));
    glyph(p, Glyph::Magnifier, QRectF(427, 46, 14, 14), colour::textDim);
    well(p, QRect(449, 44, 42, 17));
    wellRing(p, QRect(531, 40, 178, 24), 2);
    p.fillRect(QRect(531, 40, 178, 24), bay);
    parts::flipIndicator(p, QPoint(555, 41), QStringLiteral("좌우반전"), false);
    parts::flipIndicator(p, QPoint(647, 40), QStringLiteral("상하반전"), false);
    glyph(p, Glyph::Magnifier, QRectF(725, 46, 14, 14), colour::textDim);
    well(p, QRect(744, 44, 42, 17));
    tracked(p, QRectF(794, 44, 56, 17), QStringLiteral("REAR"), 11, colour::accent, 1.0,
            Qt::AlignLeft | Qt::AlignVCenter);
    wellRing(p, QRect(852, 31, 153, 24), 2);

    // the two video views
    well(p, QRect(18, 70, 487, 311), 3, QColor(0, 0, 0));
    well(p, QRect(518, 70, 487, 311), 3, QColor(0, 0, 0));

    // telemetry bay: heading, G-sensor graph with the repeat strip, speed gauge
    well(p, QRect(66, 415, 535, 107), 2, bay);
    wellRing(p, QRect(70, 442, 57, 55), 1);
    wellRing(p, QRect(142, 417, 373, 84), 1);
    wellRing(p, QRect(515, 434, 84, 74), 1);
    label(p, QRectF(232, 503, 120, 15), QStringLiteral("구간 반복"), 11, colour::textDim, true,
          Qt::AlignLeft | Qt::AlignVCenter);
    label(p, QRectF(352, 503, 160, 15), QStringLiteral("A · B 마커를 끌어 구간 지정"), 10,
          QColor(100, 104, 110), false, Qt::AlignRight | Qt::AlignVCenter);

    // position row: elapsed time, position bar, total time
    sectionLabel(p, 69, 529, QStringLiteral("재생 시간"));
    sectionLabel(p, 499, 529, QStringLiteral("전체 시간"), Qt::AlignRight);
    well(p, QRect(69, 544, 63, 17));
    well(p, QRect(141, 544, 373, 16));
    well(p, QRect(526, 544, 63, 17));

    // recording information strip and the sound switch left of it
    well(p, QRect(102, 608, 465, 28));
    wellRing(p, QRect(24, 635, 19, 15), 1);
    glyph(p, Glyph::Speaker, QRectF(25, 635, 17, 15), colour::text);
    sectionLabel(p, 20, 616, QStringLiteral("SOUND"));

    // adjustment sliders with their names below (brightness and contrast names are buttons)
    p.fillRect(QRect(60, 646, 546, 1), colour::graphiteLo);
    p.fillRect(QRect(60, 647, 546, 1), colour::graphiteHi);
    for (int x : {70, 205, 345, 483}) well(p, QRect(x, 668, 109, 8));
    label(p, QRectF(70, 677, 60, 13), QStringLiteral("볼륨"), 11, colour::text, true,
          Qt::AlignLeft | Qt::AlignVCenter);
    label(p, QRectF(205, 677, 80, 13), QStringLiteral("재생 속도"), 11, colour::text, true,
          Qt::AlignLeft | Qt::AlignVCenter);
    // the speed steps above the speed slider (0.33 to 2 times) are drawn by the window, which
    // lights the step in use
    sectionLabel(p, 70, 653, QStringLiteral("VOLUME"));
    sectionLabel(p, 345, 653, QStringLiteral("BRIGHTNESS"));
    sectionLabel(p, 483, 653, QStringLiteral("CONTRAST"));

    // transport buttons
    well(p, QRect(189, 709, 285, 32), 5, bay);
    // product mark, lower left
    lensMark(p, QPointF(40, 725), 15);
    tracked(p, QRectF(62, 711, 110, 15), QStringLiteral("MOKSEL"), 13, colour::text, 2.0,
            Qt::AlignLeft | Qt::AlignVCenter);
    tracked(p, QRectF(62, 727, 110, 12), QStringLiteral("VIEWER"), 9, colour::accent, 3.2,
            Qt::AlignLeft | Qt::AlignVCenter);

    // right column: list / map tabs over the shared pane, tool buttons below
    p.fillRect(QRect(656, 415, 349, 11), bay);
    p.fillRect(QRect(656, 415, 349, 1), colour::accentDeep);
    well(p, QRect(661, 428, 344, 260), 2, QColor(0, 0, 0));
    wellRing(p, QRect(682, 693, 301, 48), 2);
    p.fillRect(QRect(682, 693, 301, 48), bay);
}

void controlBar(QPainter& p, QSize size) {
    const int w = size.width(), h = size.height();
    vgradient(p, QRect(0, 0, w, h), QColor(40, 41, 44), QColor(22, 22, 24));
    accentLine(p, QRectF(0, 0, w, 1));
    p.fillRect(QRect(0, 1, w, 1), QColor(0, 0, 0));
    tracked(p, QRectF(14, 22, 64, 20), QStringLiteral("MOKSEL"), 11, colour::textDim, 1.5,
            Qt::AlignLeft | Qt::AlignVCenter);
    well(p, QRect(86, 24, 63, 17));
    well(p, QRect(154, 24, 373, 16));
    well(p, QRect(535, 24, 63, 17));
    well(p, QRect(669, 15, 285, 32), 4, QColor(20, 20, 22));
}

namespace {

void messageBox(QPainter& p, QSize size, Glyph emblem) {
    dialogFrame(p, size);
    // emblem in the title tab
    p.fillRect(QRect(16, 28, 24, 20), QColor(26, 27, 29));
    glyph(p, emblem, QRectF(18, 28, 20, 20), colour::accent);
    paperPanel(p, QRect(6, 68, size.width() - 12, 92));
    // button rail
    p.fillRect(QRect(1, 168, size.width() - 2, 1), colour::graphiteLo);
    p.fillRect(QRect(1, 169, size.width() - 2, 1), colour::graphiteHi);
}

}  // namespace

void oneButtonBox(QPainter& p, QSize size) { messageBox(p, size, Glyph::Info); }
void twoButtonBox(QPainter& p, QSize size) { messageBox(p, size, Glyph::Question); }

void scanBox(QPainter& p, QSize size) {
    dialogFrame(p, size);
    p.fillRect(QRect(16, 28, 24, 20), QColor(26, 27, 29));
    glyph(p, Glyph::FolderSearch, QRectF(17, 27, 22, 22), colour::accent);
    paperPanel(p, QRect(14, 66, size.width() - 28, 86));
    // an activity rule under the folder lines
    p.fillRect(QRect(30, 140, size.width() - 60, 3), QColor(190, 196, 204));
    p.fillRect(QRect(30, 140, 120, 3), colour::accentDeep);
    p.fillRect(QRect(1, 180, size.width() - 2, 1), colour::graphiteLo);
    p.fillRect(QRect(1, 181, size.width() - 2, 1), colour::graphiteHi);
}

void aboutBox(QPainter& p, QSize size) {
    dialogFrame(p, size, QStringLiteral("뷰어 정보"));
    glyph(p, Glyph::Info, QRectF(18, 28, 20, 20), colour::accent);
    paperPanel(p, QRect(14, 66, size.width() - 28, size.height() - 80));
    // product logo
    lensMark(p, QPointF(54, 99), 20);
    tracked(p, QRectF(84, 80, 190, 22), QStringLiteral("MOKSEL"), 20, QColor(30, 32, 36), 3.0,
            Qt::AlignLeft | Qt::AlignVCenter);
    tracked(p, QRectF(85, 102, 190, 14), QStringLiteral("VIEWER"), 11, colour::accentDeep, 5.0,
            Qt::AlignLeft | Qt::AlignVCenter);
    p.fillRect(QRect(28, 124, size.width() - 56, 1), QColor(190, 196, 204));
    // the label of the version line; the version itself is written at (120, 133)
    label(p, QRectF(28, 131, 86, 20), QStringLiteral("버전 :"), 15, QColor(60, 64, 70), true,
          Qt::AlignRight | Qt::AlignVCenter);
    label(p, QRectF(28, 162, size.width() - 56, 16), QStringLiteral("2채널 블랙박스 영상 뷰어"),
          12, QColor(70, 74, 80), true, Qt::AlignCenter);
    label(p, QRectF(28, 182, size.width() - 56, 16),
          QStringLiteral("전방 · 후방 영상, G센서, 속도, 위치 재생"), 11, QColor(100, 104, 110),
          false, Qt::AlignCenter);
}

void configurationDialog(QPainter& p, QSize size) {
    const int w = size.width();
    dialogFrame(p, size, QStringLiteral("환경설정"));
    glyph(p, Glyph::Gear, QRectF(19, 28, 20, 20), colour::accent);

    // drive choice
    label(p, QRectF(30, 70, 200, 18), QStringLiteral("드라이브 선택"), 13, colour::text, true,
          Qt::AlignLeft | Qt::AlignVCenter);
    glyph(p, Glyph::SdCard, QRectF(98, 95, 20, 20), colour::textDim);
    wellRing(p, QRect(127, 95, 193, 20), 2);

    // option rows: heading above, markers with their labels to the right
    struct Option {
        int x, y;
        const char* text;
    };
    struct Row {
        int x, y;
        const char* heading;
    };
    const Row headings[] = {{46, 142, "스크린세이버"}, {46, 205, "음성녹음"},
                            {234, 205, "언어설정"},    {46, 269, "음성안내"},
                            {46, 332, "G센서 민감도"}, {46, 395, "주차모드"},
                            {239, 395, "서머타임"},    {46, 459, "화질"},
                            {46, 521, "주차모드 민감도"}};
    const Option options[] = {
        {70, 167, "사용중지"}, {159, 167, "1분"}, {247, 167, "3분"}, {336, 167, "5분"},
        {70, 230, "on"},      {159, 230, "off"}, {258, 230, "한국어"}, {346, 230, "영어"},
        {70, 294, "상"},      {159, 294, "중"},  {247, 294, "하"},   {336, 294, "off"},
        {70, 357, "약함"},    {203, 357, "보통"}, {336, 357, "민감"},
        {70, 420, "on"},      {159, 420, "off"}, {263, 420, "on"},   {352, 420, "off"},
        {71, 484, "상"},      {212, 484, "중"},  {353, 484, "하"},
        {71, 546, "매우둔감"}, {140, 546, "둔감"}, {209, 546, "보통"}, {278, 546, "민감"},
        {347, 546, "매우민감"}};
    const int separators[] = {136, 199, 263, 326, 389, 453, 515, 578};
    for (int y : separators) {
        p.fillRect(QRect(24, y, w - 48, 1), colour::graphiteLo);
        p.fillRect(QRect(24, y + 1, w - 48, 1), QColor(50, 50, 52));
    }
    p.fillRect(QRect(223, 203, 1, 48), QColor(56, 56, 58));
    p.fillRect(QRect(228, 393, 1, 48), QColor(56, 56, 58));
    for (const Row& r : headings) {
        p.fillRect(QRect(r.x - 10, r.y + 5, 4, 4), colour::accent);
        label(p, QRectF(r.x, r.y - 1, 180, 16), QString::fromUtf8(r.heading), 13, colour::text,
              true, Qt::AlignLeft | Qt::AlignVCenter);
    }
    for (const Option& o : options) {
        // the marker well; the marker bitmap is copied into the 15 x 15 square
        p.fillRect(QRect(o.x - 1, o.y - 1, 17, 17), colour::graphite);
        label(p, QRectF(o.x + 19, o.y - 1, 60, 17), QString::fromUtf8(o.text), 12,
              QColor(200, 200, 200), false, Qt::AlignLeft | Qt::AlignVCenter);
    }

    // time zone, fixed
    label(p, QRectF(30, 590, 200, 18), QStringLiteral("시간대"), 13, colour::text, true,
          Qt::AlignLeft | Qt::AlignVCenter);
    well(p, QRect(46, 614, 274, 22), 2, QColor(26, 26, 27));
    label(p, QRectF(56, 614, 260, 22), QStringLiteral("(GMT+9:00) 대한민국"), 12,
          colour::textDim, true, Qt::AlignLeft | Qt::AlignVCenter);
    p.fillRect(QRect(1, 648, w - 2, 1), colour::graphiteLo);
    p.fillRect(QRect(1, 649, w - 2, 1), colour::graphiteHi);
}

void formatDialog(QPainter& p, QSize size) {
    const int w = size.width();
    dialogFrame(p, size, QStringLiteral("SD카드 포맷"));
    glyph(p, Glyph::SdCard, QRectF(18, 28, 20, 20), colour::accent);
    label(p, QRectF(41, 68, 200, 18), QStringLiteral("드라이브 선택"), 13, colour::text, true,
          Qt::AlignLeft | Qt::AlignVCenter);
    wellRing(p, QRect(41, 90, 219, 20), 2);

    // fixed facts about the format: file system, cluster size, volume label
    struct Fact {
        const char* name;
        const char* value;
    };
    const Fact facts[] = {{"파일시스템", "FAT32"},
                          {"할당 단위 크기", "16384바이트"},
                          {"볼륨레이블", "MOKSEL"}};
    for (int i = 0; i < 3; ++i) {
        const int y = 140 + i * 52;
        label(p, QRectF(41, y, 200, 17), QString::fromUtf8(facts[i].name), 13, colour::text, true,
              Qt::AlignLeft | Qt::AlignVCenter);
        well(p, QRect(41, y + 21, 219, 20), 2, QColor(26, 26, 27));
        label(p, QRectF(50, y + 21, 205, 20), QString::fromUtf8(facts[i].value), 12,
              colour::accent, true, Qt::AlignLeft | Qt::AlignVCenter);
    }
    label(p, QRectF(20, 296, w - 40, 30),
          QStringLiteral("빠른 포맷으로 장치의 모든 데이터가 지워집니다."), 11,
          colour::amber, true, Qt::AlignCenter);
    p.fillRect(QRect(1, 332, w - 2, 1), colour::graphiteLo);
    p.fillRect(QRect(1, 333, w - 2, 1), colour::graphiteHi);
}

}  // namespace skin::panels
