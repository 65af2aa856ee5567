// The map page's script calls as text: "javascript:set_focus(37.566535, 126.977969);". The map
// pane builds such a text for every position it shows and hands it to its page view, which runs
// the named function of the page with the arguments as strings. Pure functions, no page view, so
// the rules can be checked without one.
//
// Thread contract: none (pure functions).
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace moksel {

struct PageScriptCall {
    QString function;      // empty when the text has no "("
    QStringList arguments;  // each a string, in the order written
};

// Reads a call text: an optional "javascript:" prefix (everything up to and including its first
// occurrence is dropped), the function name before the first "(" (blanks trimmed), and the
// arguments after it, split at blanks, commas, quotes, tabs, parentheses and semicolons, empty
// pieces dropped. Quotes do not group: name('a b') passes "a" and "b".
PageScriptCall parsePageScriptCall(const QString& text);

// The page script that looks the function up by name in the page and calls it with the
// arguments as strings; a name the page does not define as a function calls nothing.
QString pageScriptSource(const PageScriptCall& call);

// The call text that centres the map on a position, with six decimals each, latitude first;
// nothing for the 0 / 0 of a record without a position fix, or a position that is no place on
// earth (not a number, latitude beyond 90 or longitude beyond 180 degrees either way).
std::optional<QString> mapFocusCallText(double latitude, double longitude);

}  // namespace moksel
