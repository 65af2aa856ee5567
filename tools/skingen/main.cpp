// moksel-skingen: draws every skin bitmap of the viewer from resources/skin_table.cpp.
//
//   moksel-skingen OUTDIR              OUTDIR/<n>.png, OUTDIR/<n>@2x.png, OUTDIR/icon-<size>.png
//   moksel-skingen --sheet FILE.png    every bitmap with its number and size, for review
//   moksel-skingen --preview FILE.png  the main window as it looks at start, from the bitmaps
//   moksel-skingen --list FILE.md      number, size and role of every bitmap
#include "skin_kit.h"
#include "skin_render.h"

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

namespace {

// Refuses to draw with a missing Korean or Latin font: the labels would come out as boxes.
bool fontsPresent() {
    const QFont korean = skin::fontFor(QStringLiteral("한국어"), 14, false);
    const QFont latin = skin::fontFor(QStringLiteral("MOKSEL"), 14, false);
    bool ok = true;
    if (QFontInfo(korean).family() != QLatin1String("NanumGothic") ||
        !QFontMetrics(korean).inFontUcs4(0xD55C) || !QFontMetrics(korean).inFontUcs4(0xAE00)) {
        std::fprintf(stderr, "moksel-skingen: the NanumGothic font with Hangul is missing\n");
        ok = false;
    }
    if (QFontInfo(latin).family() != QLatin1String("Liberation Sans")) {
        std::fprintf(stderr, "moksel-skingen: the Liberation Sans font is missing\n");
        ok = false;
    }
    return ok;
}

bool save(const QImage& image, const QString& path) {
    if (image.save(path, "PNG")) return true;
    std::fprintf(stderr, "moksel-skingen: cannot write %s\n", qPrintable(path));
    return false;
}

int writeAll(const QString& outDir) {
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "moksel-skingen: cannot create %s\n", qPrintable(outDir));
        return 1;
    }
    const QDir dir(outDir);
    for (const skin::SkinEntry& e : skin::skinTable()) {
        if (!save(skin::render(e, 1), dir.filePath(QStringLiteral("%1.png").arg(e.number))) ||
            !save(skin::render(e, 2), dir.filePath(QStringLiteral("%1@2x.png").arg(e.number))))
            return 1;
    }
    for (int size : skin::iconSizes())
        if (!save(skin::renderIcon(size), dir.filePath(QStringLiteral("icon-%1.png").arg(size))))
            return 1;
    return 0;
}

// The bitmap list for designers: number, size and role of every entry, as a Markdown table.
int writeList(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        std::fprintf(stderr, "moksel-skingen: cannot write %s\n", qPrintable(path));
        return 1;
    }
    QTextStream out(&file);
    out << "# MOKSEL VIEWER skin bitmaps\n\n| Number | Size | Role |\n|---|---|---|\n";
    for (const skin::SkinEntry& e : skin::skinTable())
        out << "| " << e.number << " | " << e.width << " x " << e.height << " | "
            << QString::fromUtf8(e.role) << (e.key ? " (colour keyed)" : "") << " |\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (!fontsPresent()) return 1;
    if (args.size() == 2 && args[0] == QLatin1String("--sheet"))
        return save(skin::contactSheet(), args[1]) ? 0 : 1;
    if (args.size() == 2 && args[0] == QLatin1String("--list")) return writeList(args[1]);
    if (args.size() == 2 && args[0] == QLatin1String("--preview"))
        return save(skin::mainWindowPreview(), args[1]) ? 0 : 1;
    if (args.size() == 1 && !args[0].startsWith(QLatin1String("--"))) return writeAll(args[0]);
    std::fprintf(stderr,
                 "usage: moksel-skingen OUTDIR | --sheet FILE.png | --preview FILE.png | --list FILE.md\n");
    return 2;
}
