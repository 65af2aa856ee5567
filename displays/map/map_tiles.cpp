#include "displays/map/map_tiles.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

namespace moksel {
namespace {

constexpr int kMaxZoom = 19;
constexpr int kFetchTimeoutMs = 15000;
constexpr qint64 kMaxTileBytes = 1 << 20;  // a map tile is tens of kB; anything larger is no tile

QByteArray readTile(const QString& file) {
    QFile in(file);
    if (in.size() <= 0 || in.size() > kMaxTileBytes || !in.open(QIODevice::ReadOnly)) return {};
    return in.readAll();
}

void answer(QWebEngineUrlRequestJob* job, const QByteArray& bytes) {
    auto* buffer = new QBuffer(job);  // the job owns the answer until the page has read it
    buffer->setData(bytes);
    job->reply("image/png", buffer);
}

}  // namespace

void registerMapTileScheme() {
    if (QWebEngineUrlScheme::schemeByName(kMapTileScheme).name() == kMapTileScheme) return;
    QWebEngineUrlScheme scheme(kMapTileScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalAccessAllowed |
                    QWebEngineUrlScheme::CorsEnabled);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QString mapTileFolder() {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty()) return {};  // no home: nothing is kept rather than kept in a stray place
    return QDir(cache).filePath(QStringLiteral("moksel-viewer/map-tiles"));
}

std::optional<TileAddress> parseTilePath(const QString& path) {
    const QStringList parts = path.split(QLatin1Char('/'));
    if (parts.size() != 4 || parts[0] != QLatin1String("osm") || !parts[3].endsWith(QLatin1String(".png"))) {
        return std::nullopt;
    }
    bool okZoom = false, okX = false, okY = false;
    TileAddress tile;
    tile.zoom = parts[1].toInt(&okZoom);
    tile.x = parts[2].toInt(&okX);
    tile.y = parts[3].chopped(4).toInt(&okY);
    if (!okZoom || !okX || !okY || tile.zoom < 0 || tile.zoom > kMaxZoom) return std::nullopt;
    const int size = 1 << tile.zoom;
    if (tile.x < 0 || tile.y < 0 || tile.x >= size || tile.y >= size) return std::nullopt;
    return tile;
}

MapTileHandler::MapTileHandler(QObject* parent, QString folder)
    : QWebEngineUrlSchemeHandler(parent),
      folder_(folder.isEmpty() ? mapTileFolder() : std::move(folder)),
      network_(new QNetworkAccessManager(this)) {}

QString MapTileHandler::tileFile(const TileAddress& tile) const {
    if (folder_.isEmpty()) return {};
    return QStringLiteral("%1/osm/%2/%3/%4.png").arg(folder_).arg(tile.zoom).arg(tile.x).arg(tile.y);
}

void MapTileHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    const std::optional<TileAddress> tile = parseTilePath(job->requestUrl().path());
    if (!tile) {
        job->fail(QWebEngineUrlRequestJob::UrlInvalid);
        return;
    }
    const QString file = tileFile(*tile);
    const QFileInfo info(file);
    const QByteArray kept = file.isEmpty() ? QByteArray() : readTile(file);
    if (!kept.isEmpty() && info.lastModified().daysTo(QDateTime::currentDateTime()) < kTileRefreshDays) {
        answer(job, kept);
        return;
    }

    QNetworkRequest request(QUrl(QStringLiteral("https://tile.openstreetmap.org/%1/%2/%3.png")
                                     .arg(tile->zoom)
                                     .arg(tile->x)
                                     .arg(tile->y)));
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("MokselViewer/1.1 (dash camera viewer)"));
    request.setTransferTimeout(kFetchTimeoutMs);
    QNetworkReply* reply = network_->get(request);
    QPointer<QWebEngineUrlRequestJob> waiting(job);
    connect(reply, &QNetworkReply::finished, this, [reply, waiting, file, kept] {
        reply->deleteLater();
        QByteArray bytes;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() == QNetworkReply::NoError && status == 200) bytes = reply->read(kMaxTileBytes + 1);
        if (!bytes.isEmpty() && bytes.size() <= kMaxTileBytes && !file.isEmpty()) {
            // Kept whole or not at all: a tile cut short by a full disk never shows.
            QDir().mkpath(QFileInfo(file).path());
            QSaveFile out(file);
            if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size()) out.commit();
        } else if (bytes.isEmpty() || bytes.size() > kMaxTileBytes) {
            bytes = kept;
        }
        if (waiting.isNull()) return;  // the page no longer wants it
        if (bytes.isEmpty()) {
            waiting->fail(QWebEngineUrlRequestJob::RequestFailed);
        } else {
            answer(waiting.data(), bytes);
        }
    });
}

}  // namespace moksel
