#include "displays/map/ostrel_popup_map.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include "displays/page_script_call.h"
#include "platform/window_messages.h"

namespace moksel {
namespace {

constexpr QSize kPaneSize{344, 260};

// The map page's own page: no script dialogs over the main window, and a click on a link does
// not take the pane away from the map.
class MapPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
        return false;
    }
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        if (isMainFrame && type == NavigationTypeLinkClicked) return false;
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }
};

// What the pane shows when the program's folder has no map page.
QString missingPageNote(const QString& path) {
    return QStringLiteral(
               "<!DOCTYPE html><html lang=\"ko\"><head><meta charset=\"utf-8\"></head>"
               "<body style=\"margin:0;background:#1f1f1f;color:#dedede;"
               "font-family:'NanumGothic','Liberation Sans',sans-serif;font-size:13px;\">"
               "<div style=\"padding:90px 16px 0;text-align:center;\">"
               "지도 페이지를 찾을 수 없습니다.<br><span style=\"font-size:11px;color:#b4b4b4;"
               "word-break:break-all;\">%1</span></div></body></html>")
        .arg(path.toHtmlEscaped());
}

}  // namespace

OstrelPopupMap::OstrelPopupMap(QWidget* parent)
    : DisplayPane(parent, "OstrelPopupMap", kPaneSize, Press::Ignored) {
    view_ = new QWebEngineView(this);
    profile_ = new QWebEngineProfile(this);  // no storage name: kept in memory only
    auto* page = new MapPage(profile_, view_);
    // The page is a local file that shows map pictures from the network.
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    view_->setPage(page);
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    view_->setGeometry(QRect(QPoint(0, 0), kPaneSize));
    QObject::connect(page, &QWebEnginePage::loadStarted, this, [this] { pageLoaded_ = false; });
    QObject::connect(page, &QWebEnginePage::loadFinished, this, [this](bool) { pageLoaded_ = true; });
}

OstrelPopupMap::~OstrelPopupMap() {
    // The page must go before its profile.
    delete view_;
    view_ = nullptr;
}

const MessageMap<OstrelPopupMap>& OstrelPopupMap::messageMap() {
    static const MessageMap<OstrelPopupMap> map = {
        {UM_MAP_LOAD, &OstrelPopupMap::onMapLoad},
        {UM_MAP_POSITION, &OstrelPopupMap::onMapPosition},
    };
    return map;
}

LResult OstrelPopupMap::handleMessage(unsigned number, WParam w, LParam l) {
    return messageMap().dispatch(*this, number, w, l);
}

QString OstrelPopupMap::mapPagePath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Maps.HTML"));
}

void OstrelPopupMap::LoadMapPage() {
    const QString path = mapPagePath();
    pageLoaded_ = false;
    if (QFileInfo(path).isFile()) {
        view_->load(QUrl::fromLocalFile(path));
    } else {
        view_->setHtml(missingPageNote(path));
    }
}

bool OstrelPopupMap::CallPageScript(const QString& text) {
    if (!pageLoaded_ || text.isEmpty()) return false;
    view_->page()->runJavaScript(pageScriptSource(parsePageScriptCall(text)));
    return true;
}

LResult OstrelPopupMap::onMapLoad(WParam, LParam) {
    LoadMapPage();
    return 0;
}

LResult OstrelPopupMap::onMapPosition(WParam w, LParam l) {
    if (!isVisible()) return 0;
    const auto* latitude = reinterpret_cast<const double*>(w);
    const auto* longitude = reinterpret_cast<const double*>(l);
    if (latitude == nullptr || longitude == nullptr) return 0;
    if (const std::optional<QString> call = mapFocusCallText(*latitude, *longitude)) {
        CallPageScript(*call);
    }
    return 0;
}

void OstrelPopupMap::paintEvent(QPaintEvent*) {
    // Only seen before the page view has painted.
    QPainter(this).fillRect(rect(), QColor(31, 31, 31));
}

}  // namespace moksel
