// The map pane when the program's folder has no Maps.HTML: a short note instead of the map,
// and positions change nothing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QFileInfo>
#include <QWebEngineView>

#include "display_test_support.h"
#include "displays/map/ostrel_popup_map.h"
#include "platform/window_messages.h"
#include "map_test_support.h"

namespace moksel {
namespace {

TEST(MapPaneWithoutPage, SaysThePageIsMissing) {
    ASSERT_FALSE(QFileInfo::exists(OstrelPopupMap::mapPagePath()));
    ParentWindow parent;
    auto* map = placePane<OstrelPopupMap>(parent, {661, 428});
    map->send(UM_MAP_LOAD, 0, 0);
    ASSERT_TRUE(waitUntil([&] { return map->pageLoaded(); }));
    QWebEnginePage* page = map->view()->page();
    EXPECT_TRUE(evaluate(page, "document.body.innerText").toString().contains(
        QStringLiteral("지도 페이지를 찾을 수 없습니다")));
    double latitude = 37.5, longitude = 127.0;
    map->send(UM_MAP_POSITION, reinterpret_cast<WParam>(&latitude), reinterpret_cast<LParam>(&longitude));
    EXPECT_TRUE(evaluate(page, "typeof set_focus").toString() == QStringLiteral("undefined"));
}

// Run by the administrator without the page view's sandbox turned off, a page view would end
// the program when the map is shown: the pane says why it has no map instead.
TEST(MapPaneAsAdministrator, SaysWhyItHasNoMapInsteadOfEndingTheProgram) {
    if (::geteuid() != 0) GTEST_SKIP() << "only the administrator's run can show it";
    const QByteArray sandbox = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
    qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    ParentWindow parent;
    auto* map = placePane<OstrelPopupMap>(parent, {661, 428});
    map->send(UM_MAP_LOAD, 0, 0);
    EXPECT_EQ(map->view(), nullptr);
    EXPECT_TRUE(map->unavailableNote().contains(QStringLiteral("지도를 표시할 수 없습니다")));
    double latitude = 37.5, longitude = 127.0;
    map->send(UM_MAP_POSITION, reinterpret_cast<WParam>(&latitude), reinterpret_cast<LParam>(&longitude));
    EXPECT_EQ(map->view(), nullptr);
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", sandbox);
}

}  // namespace
}  // namespace moksel
