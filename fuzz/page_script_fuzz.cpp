// Fuzz target: the map page's call texts through the call parser and the page script built
// from it, and positions through the focus call text and back.

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "displays/page_script_call.h"
#include "fuzz/fuzz_driver.h"

std::vector<std::string> mokselFuzzSeeds() {
    return {"javascript:set_focus(37.566535, 126.977969);", "set_route('[1,2]', \"a b\")",
            "javascript:javascript:f(\t1;2)", "no call at all", std::string("\0\x80\xff(x)", 6)};
}

std::vector<std::string> mokselFuzzDictionary() {
    return {"javascript:", "(", ")", ";", "'", "\"", ",", "\\u0000", "\xe2\x80\xa8", "</script>"};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const moksel::PageScriptCall call = moksel::parsePageScriptCall(text);
    static const QString separators = QStringLiteral(" ,'\"\t();");
    for (const QString& argument : call.arguments) {
        if (argument.isEmpty()) std::abort();
        for (QChar c : argument)
            if (separators.contains(c)) std::abort();
    }
    // The script carries name and arguments as JSON literals: the argument list in it reads
    // back as the same strings.
    const QString source = moksel::pageScriptSource(call);
    const QString list = QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(call.arguments)).toJson(QJsonDocument::Compact));
    if (!source.contains(list)) std::abort();
    const QJsonDocument back = QJsonDocument::fromJson(list.toUtf8());
    if (!back.isArray() || back.array().size() != call.arguments.size()) std::abort();
    for (qsizetype i = 0; i < call.arguments.size(); ++i)
        if (back.array().at(i).toString() != call.arguments.at(i)) std::abort();

    // Sixteen bytes as a position: a focus text, when one is made, parses back to it.
    if (size >= 16) {
        double latitude = 0, longitude = 0;
        std::memcpy(&latitude, data, 8);
        std::memcpy(&longitude, data + 8, 8);
        if (const auto focus = moksel::mapFocusCallText(latitude, longitude)) {
            const moksel::PageScriptCall parsed = moksel::parsePageScriptCall(*focus);
            if (parsed.function != QStringLiteral("set_focus") || parsed.arguments.size() != 2 ||
                std::fabs(parsed.arguments[0].toDouble() - latitude) > 1e-6 ||
                std::fabs(parsed.arguments[1].toDouble() - longitude) > 1e-6)
                std::abort();
        }
    }
    return 0;
}
