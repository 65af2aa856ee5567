#include "displays/recording_info_panes.h"

#include <QPainter>

#include "engine/playback_state.h"
#include "platform/window_messages.h"
#include "platform/fonts.h"
#include "platform/skin.h"

namespace moksel {
namespace {

constexpr int kInfoBitmap = 229;
constexpr QSize kInfoSize{465, 28};
constexpr QPoint kLongitudeAt{49, 7};
constexpr QPoint kLatitudeAt{205, 7};
constexpr QPoint kKindAt{360, 7};

constexpr int kNameBitmap = 154;
constexpr QSize kNameSize{189, 17};
constexpr QPoint kNameAt{13, 2};
constexpr QColor kNameColour{222, 222, 222};

QFont fieldFont() { return skinFont(QStringLiteral("Arial"), 15, 500); }

}  // namespace

// ---- OstrelFileInfo

OstrelFileInfo::OstrelFileInfo(QWidget* parent)
    : DisplayPane(parent, "OstrelFileInfo", kInfoSize, Press::DragsMainWindow), font_(fieldFont()) {}

const MessageMap<OstrelFileInfo>& OstrelFileInfo::messageMap() {
    static const MessageMap<OstrelFileInfo> map = {
        {UM_RECORDING_KIND, &OstrelFileInfo::onRecordingKind},
    };
    return map;
}

LResult OstrelFileInfo::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

LResult OstrelFileInfo::onRecordingKind(WParam w, LParam) {
    kind_ = static_cast<int>(static_cast<int32_t>(w));
    return 0;
}

QString OstrelFileInfo::kindWord(int kind) {
    switch (kind) {
        case 0: return QStringLiteral("NORMAL");
        case 1: return QStringLiteral("EVENT");
        case kUnknownRecordingKind: return QStringLiteral("UNKNOWN");
        default: return QStringLiteral("MOTION");
    }
}

QColor OstrelFileInfo::kindColour(int kind) {
    switch (kind) {
        case 0: return QColor(0, 255, 0);
        case 1: return QColor(255, 0, 0);
        case kUnknownRecordingKind: return QColor(222, 222, 222);
        default: return QColor(0, 174, 239);
    }
}

void OstrelFileInfo::paintEvent(QPaintEvent*) {
    const double longitude = playbackState.lastLongitude.load();
    const double latitude = playbackState.lastLatitude.load();
    QPainter painter(this);
    painter.drawPixmap(0, 0, skinBitmap(kInfoBitmap));
    shownTexts_.clear();
    const int state = playbackState.uiState.load();
    if (state != Playing && state != Paused) return;
    painter.setFont(font_);
    painter.setPen(kindColour(kind_));
    if (positionReported_ && (longitude != 0.0 || latitude != 0.0)) {
        shownTexts_ << QString::asprintf("%f", longitude) << QString::asprintf("%f", latitude);
    } else {
        shownTexts_ << QStringLiteral("GPS 없음") << QString();
    }
    shownTexts_ << kindWord(kind_);
    drawTextAt(painter, kLongitudeAt, shownTexts_[0]);
    drawTextAt(painter, kLatitudeAt, shownTexts_[1]);
    drawTextAt(painter, kKindAt, shownTexts_[2]);
}

// ---- OstrelShowFileName

OstrelShowFileName::OstrelShowFileName(QWidget* parent, std::function<QString()> currentName)
    : DisplayPane(parent, "OstrelShowFileName", kNameSize, Press::Ignored),
      currentName_(std::move(currentName)),
      font_(fieldFont()) {}

void OstrelShowFileName::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, skinBitmap(kNameBitmap));
    shownName_ = currentName_ ? currentName_() : QString();
    if (shownName_.isEmpty()) return;
    painter.setFont(font_);
    painter.setPen(kNameColour);
    drawTextAt(painter, kNameAt, shownName_);
}

}  // namespace moksel
