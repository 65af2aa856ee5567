// The map page's call texts: how a text is read into a function name and string arguments, and
// which positions make a call at all.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "displays/page_script_call.h"

namespace moksel {
namespace {

TEST(PageScriptCall, ReadsNameAndStringArguments) {
    struct Case {
        const char* text;
        const char* function;
        QStringList arguments;
    };
    for (const Case& c : {
             Case{"javascript:set_focus(37.566535, 126.977969);", "set_focus", {"37.566535", "126.977969"}},
             Case{"name(1, 2)", "name", {"1", "2"}},  // the prefix is not needed
             Case{"name('a b')", "name", {"a", "b"}},  // quotes do not group
             Case{"  x javascript:  fn\t( \"p\",'q' ;\t r)) ", "fn", {"p", "q", "r"}},
             Case{"javascript:a(javascript:b(1))", "a", {"javascript:b", "1"}},  // first prefix only
             Case{"fn()", "fn", {}},
             Case{"javascript:set_focus", "", {}},  // no "(": no name, nothing to call
             Case{"", "", {}},
         }) {
        const PageScriptCall call = parsePageScriptCall(QString::fromUtf8(c.text));
        EXPECT_EQ(call.function, QString::fromUtf8(c.function)) << c.text;
        EXPECT_EQ(call.arguments, c.arguments) << c.text;
    }
}

TEST(PageScriptCall, EveryPlaceWithAPositionFixMovesTheMap) {
    auto arguments = [](double lat, double lon) {
        const std::optional<QString> text = mapFocusCallText(lat, lon);
        return text ? parsePageScriptCall(*text).arguments : QStringList{QStringLiteral("none")};
    };
    EXPECT_EQ(mapFocusCallText(37.566535, 126.977969),
              QStringLiteral("javascript:set_focus(37.566535, 126.977969);"));
    // Southern and western hemispheres are places like any other.
    EXPECT_EQ(arguments(-33.8688, 151.2093), QStringList({"-33.868800", "151.209300"}));
    EXPECT_EQ(arguments(40.7128, -74.006), QStringList({"40.712800", "-74.006000"}));
    EXPECT_EQ(arguments(-22.9068, -43.1729), QStringList({"-22.906800", "-43.172900"}));
    EXPECT_EQ(arguments(0.5, 0.0), QStringList({"0.500000", "0.000000"}));
    EXPECT_EQ(arguments(51.4779, -0.0015), QStringList({"51.477900", "-0.001500"}));
    // The record of a frame without a position fix, and values that are no place on earth.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (auto [lat, lon] : {std::pair{0.0, 0.0}, std::pair{nan, 10.0}, std::pair{10.0, inf},
                            std::pair{90.5, 10.0}, std::pair{10.0, -180.5}}) {
        EXPECT_FALSE(mapFocusCallText(lat, lon).has_value()) << lat << ", " << lon;
    }
}

}  // namespace
}  // namespace moksel
