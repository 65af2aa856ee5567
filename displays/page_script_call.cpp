#include "displays/page_script_call.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QRegularExpression>
#include <cmath>

namespace moksel {

PageScriptCall parsePageScriptCall(const QString& text) {
    static const QString kPrefix = QStringLiteral("javascript:");
    QString rest = text;
    const qsizetype prefixAt = rest.indexOf(kPrefix);
    if (prefixAt >= 0) rest = rest.mid(prefixAt + kPrefix.size());

    PageScriptCall call;
    const qsizetype open = rest.indexOf(QLatin1Char('('));
    if (open < 0) return call;  // no function name: the page lookup finds nothing
    call.function = rest.left(open).trimmed();
    static const QRegularExpression kSeparators(QStringLiteral("[ ,'\"\\t();]"));
    call.arguments = rest.mid(open + 1).split(kSeparators, Qt::SkipEmptyParts);
    return call;
}

QString pageScriptSource(const PageScriptCall& call) {
    // Name and arguments travel as JSON string literals, so no text of theirs is read as script.
    QJsonArray arguments;
    for (const QString& argument : call.arguments) arguments.append(argument);
    const QString name = QString::fromUtf8(
        QJsonDocument(QJsonArray{call.function}).toJson(QJsonDocument::Compact));
    const QString list = QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact));
    return QStringLiteral(
               "(function () {"
               " var name = %1[0];"
               " if (!Object.prototype.hasOwnProperty.call(window, name)) return false;"
               " var f = window[name];"
               " if (typeof f !== 'function') return false;"
               " f.apply(window, %2);"
               " return true;"
               "})();")
        .arg(name, list);
}

std::optional<QString> mapFocusCallText(double latitude, double longitude) {
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) return std::nullopt;
    if (std::fabs(latitude) > 90.0 || std::fabs(longitude) > 180.0) return std::nullopt;
    if (latitude == 0.0 && longitude == 0.0) return std::nullopt;  // no position fix
    return QString::asprintf("javascript:set_focus(%f, %f);", latitude, longitude);
}

}  // namespace moksel
