// Map pictures (tiles) for the map page, kept on disk so that a route reviewed once with a
// connection shows its map again without one.
//
// The page asks for tiles at moksel-tile:osm/<zoom>/<x>/<y>.png. The handler answers from the
// tile folder (<user cache folder>/moksel-viewer/map-tiles/osm/<zoom>/<x>/<y>.png) when it holds
// the tile and the copy is younger than kTileRefreshDays; otherwise it fetches the tile from the
// map service, stores it and answers with it, and when the fetch fails it answers with the older
// copy if there is one. A tile that can be had neither way fails; the page asks again later.
//
// Thread contract: UI thread only. registerMapTileScheme() must run before the application
// object is made (it tells the page engine the scheme is a local, secure one).
#pragma once

#include <QObject>
#include <QString>
#include <QWebEngineUrlSchemeHandler>
#include <optional>

class QNetworkAccessManager;
class QWebEngineUrlRequestJob;

namespace moksel {

inline constexpr char kMapTileScheme[] = "moksel-tile";
inline constexpr int kTileRefreshDays = 30;

// Registers the tile scheme with the page engine; call once before QApplication is made.
void registerMapTileScheme();

// The tile folder in the user's cache folder (XDG_CACHE_HOME, else ~/.cache); empty when the
// user has no cache folder (then nothing is kept).
QString mapTileFolder();

struct TileAddress {
    int zoom = 0, x = 0, y = 0;
};
// Reads "osm/<zoom>/<x>/<y>.png" (the path of a tile address); none for anything else or for
// numbers outside the tile grid (zoom 0..19, x and y below 2^zoom).
std::optional<TileAddress> parseTilePath(const QString& path);

class MapTileHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    // `folder` empty: mapTileFolder().
    explicit MapTileHandler(QObject* parent, QString folder = QString());
    void requestStarted(QWebEngineUrlRequestJob* job) override;

    // Where a tile lives on disk (empty: nothing is kept).
    QString tileFile(const TileAddress& tile) const;

private:
    QString folder_;
    QNetworkAccessManager* network_ = nullptr;
};

}  // namespace moksel
