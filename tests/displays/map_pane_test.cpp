// The map pane with a real page view on the offscreen platform: the page beside the program
// loads, positions move its map only while the pane shows, and the page's functions are
// called by name with string arguments. No test waits for map pictures from the network.
#include <gtest/gtest.h>

#include <QWebEngineView>

#include "display_test_support.h"
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

TEST(MapPane, LoadsThePageBesideTheProgramAndFollowsPositionsWhileShown) {
    ParentWindow parent;
    auto* map = placePane<OstrelPopupMap>(parent, {661, 428});
    EXPECT_EQ(map->size(), QSize(344, 260));
    EXPECT_EQ(map->view()->geometry(), QRect(0, 0, 344, 260));
    EXPECT_FALSE(map->CallPageScript(QStringLiteral("javascript:set_focus(1, 2);")));  // no page yet

    // As at the main window's start: load, then hide until the GPS button shows the map.
    map->send(UM_MAP_LOAD, 0, 0);
    map->hide();
    ASSERT_TRUE(waitUntil([&] { return map->pageLoaded(); }));
    QWebEnginePage* page = map->view()->page();
    EXPECT_TRUE(page->url().toLocalFile().endsWith(QStringLiteral("/Maps.HTML")))
        << page->url().toString().toStdString();
    EXPECT_EQ(text(page, "status"), QStringLiteral("GPS 위치 정보가 없습니다"));
    EXPECT_FALSE(map->CallPageScript(QString()));

    // Hidden, the pane drops positions, and showing it does not bring them back.
    sendPosition(map, 35.1796, 129.0756);
    map->show();
    EXPECT_EQ(text(page, "coords"), QString());
    EXPECT_EQ(text(page, "status"), QStringLiteral("GPS 위치 정보가 없습니다"));

    sendPosition(map, 37.566535, 126.977969);
    ASSERT_TRUE(waitUntil([&] { return text(page, "coords") == QStringLiteral("37.566535, 126.977969"); }));
    EXPECT_EQ(evaluate(page, "getComputedStyle(document.getElementById('marker')).display").toString(), "block");
    // Map pictures are asked for around the position at street zoom.
    EXPECT_GE(evaluate(page, "document.querySelectorAll('#tiles img').length").toInt(), 2);
    EXPECT_TRUE(evaluate(page, "document.querySelector('#tiles img').src").toString().contains("/16/"));

    // South and west of the zero lines the map still follows.
    sendPosition(map, -33.8688, -70.6693);
    ASSERT_TRUE(waitUntil([&] { return text(page, "coords") == QStringLiteral("-33.868800, -70.669300"); }));

    // A frame without a position fix leaves the map where it was; so does a hidden pane.
    sendPosition(map, 0.0, 0.0);
    map->hide();
    sendPosition(map, 35.1796, 129.0756);
    map->show();
    EXPECT_EQ(text(page, "coords"), QStringLiteral("-33.868800, -70.669300"));
}

TEST(MapPane, CallsOnlyFunctionsThePageDefinesWithStringArguments) {
    ParentWindow parent;
    auto* map = placePane<OstrelPopupMap>(parent, {661, 428});
    map->view()->setHtml(QStringLiteral(
        "<html><body><script>"
        "var calls = []; var broken = false;"
        "function set_focus() { calls.push(Array.prototype.map.call(arguments,"
        "  function (a) { return typeof a + ':' + a; }).join('|')); }"
        "</script></body></html>"));
    ASSERT_TRUE(waitUntil([&] { return map->pageLoaded(); }));
    QWebEnginePage* page = map->view()->page();

    EXPECT_TRUE(map->CallPageScript(QStringLiteral("javascript:set_focus(37.566535, 126.977969);")));
    EXPECT_TRUE(map->CallPageScript(QStringLiteral("set_focus('a b')")));
    // Unknown names and texts without a call are skipped quietly.
    EXPECT_TRUE(map->CallPageScript(QStringLiteral("javascript:no_such_function(1, 2);")));
    EXPECT_TRUE(map->CallPageScript(QStringLiteral("javascript:set_focus")));
    // A name is only ever a name: it never runs as script.
    EXPECT_TRUE(map->CallPageScript(QStringLiteral("javascript:x\"]; broken = true; //(1)")));
    EXPECT_TRUE(map->CallPageScript(QStringLiteral("javascript:]; broken = true; [(1)")));

    EXPECT_EQ(evaluate(page, "calls.join(' / ')").toString(),
              QStringLiteral("string:37.566535|string:126.977969 / string:a|string:b"));
    EXPECT_FALSE(evaluate(page, "broken").toBool());
}

}  // namespace
}  // namespace moksel
