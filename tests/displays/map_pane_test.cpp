// The map pane with a real page view on the offscreen platform: the page view is made when the
// pane first shows, the page beside the program loads with its map library, positions move its
// marker only while the pane shows, a frame without a position says so, kept map pictures show
// without a connection, and the page's functions are called by name with string arguments.
// No test waits for map pictures from the network.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <cmath>

#include "display_test_support.h"
#include "displays/map/map_tiles.h"
#include "displays/map/ostrel_popup_map.h"
#include "platform/window_messages.h"
#include "map_test_support.h"

namespace moksel {
namespace {

QString text(QWebEnginePage* page, const char* id) {
    return evaluate(page, QStringLiteral("document.getElementById('%1').innerText").arg(id)).toString();
}

void sendPosition(OstrelPopupMap* map, double latitude, double longitude) {
    map->send(UM_MAP_POSITION, reinterpret_cast<WParam>(&latitude), reinterpret_cast<LParam>(&longitude));
}

bool markerShown(QWebEnginePage* page) { return evaluate(page, "map.hasLayer(marker)").toBool(); }

// The tile of zoom `z` holding a position (Web Mercator, as the map service cuts its tiles).
TileAddress tileOf(double latitude, double longitude, int z) {
    const double n = std::pow(2.0, z);
    const double s = std::sin(latitude * M_PI / 180.0);
    return {z, static_cast<int>((longitude + 180.0) / 360.0 * n),
            static_cast<int>((0.5 - std::log((1 + s) / (1 - s)) / (4 * M_PI)) * n)};
}

class MapPane : public ::testing::Test {
protected:
    // Map pictures go to a folder of the test's own, never to the user's.
    void SetUp() override { qputenv("XDG_CACHE_HOME", cache.path().toUtf8()); }
    QTemporaryDir cache;
};

TEST_F(MapPane, MakesItsPageViewWhenFirstShownAndFollowsPositionsWhileShown) {
    ParentWindow parent;
    auto* map = placePane<OstrelPopupMap>(parent, {661, 428});
    map->hide();
    EXPECT_EQ(map->size(), QSize(344, 260));
    // As at the main window's start: load, hidden until the GPS button shows the map. No page
    // view exists until then.
    map->send(UM_MAP_LOAD, 0, 0);
    EXPECT_EQ(map->view(), nullptr);
    EXPECT_FALSE(map->CallPageScript(QStringLiteral("javascript:set_focus(1, 2);")));
    sendPosition(map, 35.1796, 129.0756);  // hidden: dropped
    map->show();
    ASSERT_NE(map->view(), nullptr);
    EXPECT_EQ(map->view()->geometry(), QRect(0, 0, 344, 260));
    ASSERT_TRUE(waitUntil([&] { return map->pageLoaded(); }));
    QWebEnginePage* page = map->view()->page();
    EXPECT_TRUE(page->url().toLocalFile().endsWith(QStringLiteral("/Maps.HTML")));
    EXPECT_EQ(evaluate(page, "typeof L").toString(), QStringLiteral("object")) << "Leaflet beside the page";
    EXPECT_EQ(text(page, "status"), QStringLiteral("GPS 위치 정보가 없습니다"));
    EXPECT_EQ(text(page, "coords"), QString());
    EXPECT_FALSE(map->CallPageScript(QString()));

    sendPosition(map, 37.566535, 126.977969);
    ASSERT_TRUE(waitUntil([&] { return text(page, "coords") == QStringLiteral("37.566535, 126.977969"); }));
    EXPECT_TRUE(markerShown(page));
    EXPECT_NEAR(evaluate(page, "map.getCenter().lat").toDouble(), 37.566535, 1e-4);
    // Map pictures are asked for through the viewer's own tile scheme, at street zoom.
    EXPECT_TRUE(evaluate(page, "document.querySelector('.leaflet-tile').src").toString().startsWith(
        QStringLiteral("moksel-tile:osm/16/")));

    // South and west of the zero lines the map still follows.
    sendPosition(map, -33.8688, -70.6693);
    ASSERT_TRUE(waitUntil([&] { return text(page, "coords") == QStringLiteral("-33.868800, -70.669300"); }));

    // A frame without a fix takes the marker away and says so, instead of keeping the old one.
    sendPosition(map, 0.0, 0.0);
    ASSERT_TRUE(waitUntil([&] { return text(page, "coords") == QStringLiteral("GPS 위치 정보 없음"); }));
    EXPECT_FALSE(markerShown(page));
    // So does the close of a recording: the next one may have no telemetry at all.
    sendPosition(map, 37.566535, 126.977969);
    ASSERT_TRUE(waitUntil([&] { return markerShown(page); }));
    map->send(UM_TELEMETRY_CLEARED, 0, 0);
    ASSERT_TRUE(waitUntil([&] { return text(page, "coords") == QStringLiteral("GPS 위치 정보 없음"); }));
    EXPECT_FALSE(markerShown(page));

    // Hidden, the pane drops positions, and showing it does not bring them back.
    map->hide();
    sendPosition(map, 35.1796, 129.0756);
    map->show();
    EXPECT_EQ(text(page, "coords"), QStringLiteral("GPS 위치 정보 없음"));
}

TEST_F(MapPane, ShowsKeptMapPicturesWithoutAConnectionAndAsksAgainForThoseThatFailed) {
    // No connection here and nothing kept yet: the map pictures fail and the page says so.
    const double latitude = 37.566535, longitude = 126.977969;
    ParentWindow parent;
    auto* map = placePane<OstrelPopupMap>(parent, {661, 428});
    map->send(UM_MAP_LOAD, 0, 0);
    ASSERT_TRUE(waitUntil([&] { return map->pageLoaded(); }));
    QWebEnginePage* page = map->view()->page();
    sendPosition(map, latitude, longitude);
    ASSERT_TRUE(waitUntil([&] { return evaluate(page, "failedTiles.length").toInt() >= 2; }, 30000));
    EXPECT_EQ(evaluate(page, "tilesLoaded").toInt(), 0);
    EXPECT_EQ(text(page, "status"), QStringLiteral("지도를 불러올 수 없습니다.\n인터넷 연결을 확인하세요."));

    // The pictures become available (kept from another run, as a fetch would keep them) and the
    // connection comes back: the page asks again and shows them.
    const TileAddress centre = tileOf(latitude, longitude, 16);
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(QColor(10, 200, 30));
    MapTileHandler handler(nullptr);
    for (int dx = -2; dx <= 2; ++dx) {
        for (int dy = -2; dy <= 2; ++dy) {
            const QString file = handler.tileFile({16, centre.x + dx, centre.y + dy});
            ASSERT_TRUE(file.startsWith(cache.path()));
            QDir().mkpath(QFileInfo(file).path());
            ASSERT_TRUE(tile.save(file, "PNG"));
        }
    }
    evaluate(page, "window.dispatchEvent(new Event('online')); true");
    ASSERT_TRUE(waitUntil([&] { return evaluate(page, "tilesLoaded").toInt() >= 2; }, 20000));
    EXPECT_EQ(evaluate(page, "document.querySelector('.leaflet-tile-loaded').naturalWidth").toInt(), 256);
    EXPECT_EQ(text(page, "status"), QString());

    EXPECT_FALSE(parseTilePath(QStringLiteral("osm/3/8/0.png")));  // outside the grid at zoom 3
    EXPECT_FALSE(parseTilePath(QStringLiteral("osm/../../etc/passwd.png")));
    EXPECT_FALSE(parseTilePath(QStringLiteral("osm/20/0/0.png")));
    EXPECT_TRUE(parseTilePath(QStringLiteral("osm/3/7/7.png")));
}

TEST_F(MapPane, CallsOnlyFunctionsThePageDefinesWithStringArguments) {
    ParentWindow parent;
    auto* map = placePane<OstrelPopupMap>(parent, {661, 428});
    map->send(UM_MAP_LOAD, 0, 0);
    ASSERT_TRUE(waitUntil([&] { return map->pageLoaded(); }));
    map->view()->setHtml(QStringLiteral(
        "<html><body><script>"
        "var calls = []; var broken = false;"
        "function set_focus() { calls.push(Array.prototype.map.call(arguments,"
        "  function (a) { return typeof a + ':' + a; }).join('|')); }"
        "</script></body></html>"));
    QWebEnginePage* page = map->view()->page();
    ASSERT_TRUE(waitUntil([&] { return map->pageLoaded() && evaluate(page, "typeof calls").toString() == "object"; }));

    EXPECT_TRUE(map->CallPageScript(QStringLiteral("javascript:set_focus(37.566535, 126.977969);")));
    EXPECT_TRUE(map->CallPageScript(QStringLiteral("set_focus('a b')")));
    // Unknown names and texts without a call are skipped quietly.
    EXPECT_TRUE(map->CallPageScript(QStringLiteral("javascript:no_such_function(1, 2);")));
    EXPECT_TRUE(map->CallPageScript(QStringLiteral("javascript:set_focus")));
    // A name is only ever a name: it never runs as script.
    EXPECT_TRUE(map->CallPageScript(QStringLiteral("javascript:x\"]; broken = true; //(1)")));
    EXPECT_TRUE(map->CallPageScript(QStringLiteral("javascript:]; broken = true; [(1)")));
    // A page without clear_focus is not asked to clear anything.
    sendPosition(map, 0.0, 0.0);

    EXPECT_EQ(evaluate(page, "calls.join(' / ')").toString(),
              QStringLiteral("string:37.566535|string:126.977969 / string:a|string:b"));
    EXPECT_FALSE(evaluate(page, "broken").toBool());
}

}  // namespace
}  // namespace moksel
