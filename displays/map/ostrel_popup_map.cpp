#include "displays/map/ostrel_popup_map.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <unistd.h>

#include <cmath>

#include "displays/map/drive_track.h"
#include "displays/map/map_tiles.h"
#include "displays/page_script_call.h"
#include "platform/fonts.h"
#include "platform/window_messages.h"

namespace moksel {

// The object the page reaches through its channel as "viewer".
class MapPageBridge : public QObject {
    Q_OBJECT
public:
    explicit MapPageBridge(OstrelPopupMap* pane) : QObject(nullptr), pane_(pane) {}

public slots:
    // A click on the route: the recording's index in the drive and the time in it (ms).
    void routeClicked(int recording, double timeMs) { pane_->routeClicked(recording, timeMs); }

private:
    OstrelPopupMap* pane_;
};

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

// Why a page view cannot run in this process, or empty when it can. The page view's sandbox
// refuses the administrator, and its refusal ends the whole process, so as the administrator the
// view is made only where its sandbox was turned off for the run.
QString pageViewRefusal() {
    if (::geteuid() != 0) return {};
    const bool sandboxOff = !qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX") ||
                            qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(QLatin1String("--no-sandbox"));
    if (sandboxOff) return {};
    return QStringLiteral("관리자(root)로 실행한 뷰어에서는\n지도를 표시할 수 없습니다.\n\n"
                          "일반 사용자로 실행하거나\nQTWEBENGINE_DISABLE_SANDBOX=1 로 실행하십시오.");
}

// The channel's page-side script, given to every page before its own scripts run.
QWebEngineScript channelScript() {
    QWebEngineScript script;
    QFile source(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (source.open(QIODevice::ReadOnly)) script.setSourceCode(QString::fromUtf8(source.readAll()));
    script.setName(QStringLiteral("moksel-channel"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

}  // namespace

OstrelPopupMap::OstrelPopupMap(QWidget* parent)
    : DisplayPane(parent, "OstrelPopupMap", kPaneSize, Press::Ignored),
      bridge_(new MapPageBridge(this)),
      loader_(new DriveTrackLoader(this)) {}

OstrelPopupMap::~OstrelPopupMap() {
    // The page must go before its profile; the loader's answers stop with it.
    delete view_;
    view_ = nullptr;
    delete loader_;
    loader_ = nullptr;
    delete bridge_;
}

void OstrelPopupMap::makeView() {
    if (view_ != nullptr) return;
    view_ = new QWebEngineView(this);
    profile_ = new QWebEngineProfile(this);  // no storage name: the page keeps nothing on disk
    profile_->installUrlSchemeHandler(kMapTileScheme, new MapTileHandler(profile_));
    profile_->scripts()->insert(channelScript());
    auto* page = new MapPage(profile_, view_);
    // The page is a local file that shows map pictures through the tile handler.
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    auto* channel = new QWebChannel(page);
    channel->registerObject(QStringLiteral("viewer"), bridge_);
    page->setWebChannel(channel);
    view_->setPage(page);
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    view_->setGeometry(QRect(QPoint(0, 0), kPaneSize));
    QObject::connect(page, &QWebEnginePage::loadStarted, this, [this] { pageLoaded_ = false; });
    QObject::connect(page, &QWebEnginePage::loadFinished, this, [this](bool) {
        pageLoaded_ = true;
        routeGiven_.clear();
        giveRoute();
    });
    view_->show();
}

const MessageMap<OstrelPopupMap>& OstrelPopupMap::messageMap() {
    static const MessageMap<OstrelPopupMap> map = {
        {UM_MAP_LOAD, &OstrelPopupMap::onMapLoad},
        {UM_MAP_POSITION, &OstrelPopupMap::onMapPosition},
        {UM_TELEMETRY_CLEARED, &OstrelPopupMap::onTelemetryCleared},
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
    loadWanted_ = true;
    pageLoaded_ = false;
    if (isVisible()) loadIntoView();
}

void OstrelPopupMap::loadIntoView() {
    loadWanted_ = false;
    unavailableNote_ = pageViewRefusal();
    if (!unavailableNote_.isEmpty()) {
        update();
        return;
    }
    makeView();
    loadWanted_ = false;
    const QString path = mapPagePath();
    pageLoaded_ = false;
    if (QFileInfo(path).isFile()) {
        view_->load(QUrl::fromLocalFile(path));
    } else {
        view_->setHtml(missingPageNote(path));
    }
}

void OstrelPopupMap::showEvent(QShowEvent* event) {
    DisplayPane::showEvent(event);
    if (loadWanted_) loadIntoView();
    if (routeWanted_) requestRoute();
    giveRoute();
}

bool OstrelPopupMap::CallPageScript(const QString& text) {
    if (view_ == nullptr || !pageLoaded_ || text.isEmpty()) return false;
    view_->page()->runJavaScript(pageScriptSource(parsePageScriptCall(text)));
    return true;
}

void OstrelPopupMap::callIfDefined(const QString& function, const QString& argumentsJson) {
    if (view_ == nullptr || !pageLoaded_) return;
    view_->page()->runJavaScript(
        QStringLiteral("(function () { var f = window[\"%1\"];"
                       " if (typeof f === 'function') f.apply(window, %2); })();")
            .arg(function, argumentsJson));
}

void OstrelPopupMap::showDrive(std::vector<std::string> paths, int current) {
    current_ = current >= 0 && current < static_cast<int>(paths.size()) ? current : -1;
    if (paths != drive_) {
        drive_ = std::move(paths);
        route_.clear();
    }
    requestRoute();
}

void OstrelPopupMap::requestRoute() {
    // Reading a long drive's files competes with playback for the card: only for a map in view.
    if (!isVisible()) {
        routeWanted_ = true;
        return;
    }
    routeWanted_ = false;
    if (drive_.empty()) {
        route_ = routeJson({}, -1);
        giveRoute();
        return;
    }
    loader_->request(drive_, current_, [this](const std::vector<DriveTrackPart>& parts, const QString& route) {
        for (const DriveTrackPart& part : parts) {
            if (durationFound_ && part.fixes->durationMs >= 0) durationFound_(part.path, part.fixes->durationMs);
        }
        route_ = route;
        giveRoute();
    });
}

void OstrelPopupMap::giveRoute() {
    // A hidden page is given the route when it shows; the text is given once.
    if (route_.isEmpty() || !isVisible() || view_ == nullptr || !pageLoaded_ || route_ == routeGiven_) return;
    callIfDefined(QStringLiteral("set_route"), QLatin1Char('[') + route_ + QLatin1Char(']'));
    routeGiven_ = route_;
}

void OstrelPopupMap::routeClicked(int recording, double timeMs) {
    if (recording < 0 || recording >= static_cast<int>(drive_.size()) || !std::isfinite(timeMs) || timeMs < 0) {
        return;
    }
    if (routePick_) routePick_(drive_[recording], static_cast<std::int64_t>(timeMs));
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
    } else {
        callIfDefined(QStringLiteral("clear_focus"), QStringLiteral("[]"));
    }
    return 0;
}

LResult OstrelPopupMap::onTelemetryCleared(WParam, LParam) {
    callIfDefined(QStringLiteral("clear_focus"), QStringLiteral("[]"));
    return 0;
}

void OstrelPopupMap::paintEvent(QPaintEvent*) {
    // Seen before the page view has painted, or instead of it with the reason.
    QPainter painter(this);
    painter.fillRect(rect(), QColor(31, 31, 31));
    if (unavailableNote_.isEmpty()) return;
    painter.setPen(QColor(222, 222, 222));
    painter.setFont(skinFont(QStringLiteral("NanumGothic"), 13, 400));
    painter.drawText(rect().adjusted(16, 0, -16, 0), Qt::AlignCenter | Qt::TextWordWrap, unavailableNote_);
}

}  // namespace moksel

#include "ostrel_popup_map.moc"
