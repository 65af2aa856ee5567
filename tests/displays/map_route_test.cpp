// The drive's route on the map page, from generated recordings: one route point per fix of
// every recording of the drive, lines coloured by speed that never bridge frames without a fix,
// the current recording drawn wide, and a click on the route naming the recording and the time
// in it. With MOKSEL_MAP_SHOT set, the pane's picture is saved there (for a look by eye).
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>
#include <filesystem>
#include <map>
#include <set>

#include "display_test_support.h"
#include "displays/map/drive_track.h"
#include "displays/map/ostrel_popup_map.h"
#include "mainwindow/messages.h"
#include "map_test_support.h"
#include "recording_generator.h"

namespace moksel {
namespace {

struct GeneratedDrive {
    QTemporaryDir folder;
    std::vector<std::string> paths;
    std::vector<std::vector<gen::TrackPoint>> tracks;
};

// Four 20-second recordings of one drive at 10 frames a second: full fixes, fixes with a silent
// start and a void stretch, full fixes into the highway, and one without any sentence.
void generateDrive(GeneratedDrive& drive) {
    const gen::GpsMode modes[] = {gen::GpsMode::AllFix, gen::GpsMode::Mixed, gen::GpsMode::AllFix,
                                  gen::GpsMode::NoData};
    for (int i = 0; i < 4; ++i) {
        gen::GenOptions options;
        options.outputDir = drive.folder.path().toStdString();
        options.start = gen::addSeconds(gen::DateTime{2026, 12, 8, 19, 0, 0}, 20 * i);
        options.frames = 200;
        options.fps = 10;
        options.width = 64;
        options.height = 36;
        options.sound = false;
        options.rear = gen::RearKind::Missing;
        options.gps = modes[i];
        options.driveOffsetS = 20.0 * i;
        gen::GenResult result;
        std::string error;
        ASSERT_TRUE(gen::generatePair(options, result, error)) << error;
        drive.paths.push_back(result.frontPath);
        drive.tracks.push_back(result.track);
    }
}

QVariantList list(QWebEnginePage* page, const QString& expression) {
    return evaluate(page, expression).toList();
}

TEST(MapRoute, DrawsOnePointPerFixColouredBySpeedWithGapsAndAClickPicksRecordingAndTime) {
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    GeneratedDrive drive;
    ASSERT_NO_FATAL_FAILURE(generateDrive(drive));

    ParentWindow parent;
    auto* map = placePane<OstrelPopupMap>(parent, {661, 428});
    std::vector<std::pair<std::string, std::int64_t>> picks, durations;
    map->setRoutePickHandler([&](const std::string& path, std::int64_t ms) { picks.emplace_back(path, ms); });
    map->setDurationHandler([&](const std::string& path, std::int64_t ms) { durations.emplace_back(path, ms); });
    map->send(UM_MAP_LOAD, 0, 0);
    ASSERT_TRUE(waitUntil([&] { return map->pageLoaded(); }));
    QWebEnginePage* page = map->view()->page();

    map->showDrive(drive.paths, 1);
    ASSERT_TRUE(waitUntil([&] { return evaluate(page, "routeState.points.length").toInt() > 0; }, 30000));
    EXPECT_EQ(durations.size(), 4u);
    for (const auto& [path, ms] : durations) EXPECT_NEAR(ms, 20000, 200) << path;

    // One point per fix, in order, with the recording and time of its frame.
    const QVariantList points = list(page, "routeState.points.map(function (p) {"
                                           " return [p.recording, p.ms, p.lat, p.lon, p.kmh, p.colour]; })");
    std::vector<std::pair<int, int>> expected;  // (recording, frame) of every fix
    for (int r = 0; r < 4; ++r) {
        for (size_t f = 0; f < drive.tracks[r].size(); ++f) {
            if (drive.tracks[r][f].fix) expected.emplace_back(r, static_cast<int>(f));
        }
    }
    ASSERT_EQ(points.size(), static_cast<qsizetype>(expected.size()));
    std::map<QString, std::set<int>> speedsByColour;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QVariantList p = points[i].toList();
        const auto [r, f] = expected[i];
        const gen::TrackPoint& truth = drive.tracks[r][f];
        ASSERT_EQ(p[0].toInt(), r);
        ASSERT_EQ(p[1].toLongLong(), truth.timeMs);
        ASSERT_NEAR(p[2].toDouble(), truth.latitudeDeg, 1e-5);
        ASSERT_NEAR(p[3].toDouble(), truth.longitudeDeg, 1e-5);
        ASSERT_NEAR(p[4].toInt(), truth.speedKmh, 1.0);  // whole km/h, cut
        speedsByColour[p[5].toString()].insert(p[4].toInt());
    }
    // Colours by speed: several colours, and each colour a band of speeds apart from the others.
    ASSERT_GE(speedsByColour.size(), 3u);
    std::vector<std::pair<int, int>> bands;
    for (const auto& [colour, speeds] : speedsByColour) bands.emplace_back(*speeds.begin(), *speeds.rbegin());
    std::sort(bands.begin(), bands.end());
    for (size_t i = 1; i < bands.size(); ++i) EXPECT_LT(bands[i - 1].second, bands[i].first);

    // Every line holds consecutive fixes of one recording in one colour: no line bridges a frame
    // without a fix, none reaches 0 / 0, and the current recording's lines are the wide ones.
    const QVariantList lines = list(page, "routeState.lines.map(function (l) { return [l.recording, l.colour,"
                                          " l.points.map(function (p) { return p.ms; }), l.current]; })");
    int gapsCrossed = 0;
    std::set<int> recordingsDrawn;
    for (const QVariant& value : lines) {
        const QVariantList line = value.toList();
        const int r = line[0].toInt();
        recordingsDrawn.insert(r);
        EXPECT_EQ(line[3].toBool(), r == 1);
        const QVariantList times = line[2].toList();
        for (qsizetype k = 1; k < times.size(); ++k) {
            const int from = static_cast<int>(times[k - 1].toLongLong() / 100);
            const int to = static_cast<int>(times[k].toLongLong() / 100);
            EXPECT_EQ(to, from + 1) << "recording " << r;
            gapsCrossed += to != from + 1;
        }
    }
    EXPECT_EQ(gapsCrossed, 0);
    EXPECT_EQ(recordingsDrawn, (std::set<int>{0, 1, 2}));  // the last has no fix at all
    EXPECT_EQ(evaluate(page, "getComputedStyle(document.getElementById('legend')).display").toString(),
              QStringLiteral("block"));

    // A click on the route, right on the point at 15.0 s of recording 2.
    const int target = 150;
    const QVariantList spot = list(page, QStringLiteral("(function () { var p = routeState.points.filter(function (q) {"
                                                        " return q.recording === 2 && q.ms === %1; })[0];"
                                                        " var c = map.latLngToContainerPoint([p.lat, p.lon]);"
                                                        " return [c.x, c.y]; })()")
                                                 .arg(target * 100));
    ASSERT_EQ(spot.size(), 2);
    const QPoint at(qRound(spot[0].toDouble()), qRound(spot[1].toDouble()));
    ASSERT_TRUE(QRect(0, 0, 344, 260).contains(at));
    // The points drawn within a pixel of the spot: the click may name any of them.
    const QVariantList near = list(page, QStringLiteral("routeState.points.filter(function (q) {"
                                                        " var c = map.latLngToContainerPoint([q.lat, q.lon]);"
                                                        " return Math.abs(c.x - %1) <= 1.5 && Math.abs(c.y - %2) <= 1.5; })"
                                                        ".map(function (q) { return [q.recording, q.ms]; })")
                                                 .arg(at.x())
                                                 .arg(at.y()));
    std::set<std::pair<int, qint64>> acceptable;
    for (const QVariant& v : near) acceptable.insert({v.toList()[0].toInt(), v.toList()[1].toLongLong()});
    QWidget* input = map->view()->focusProxy();
    ASSERT_NE(input, nullptr);
    QTest::mouseClick(input, Qt::LeftButton, {}, at);
    ASSERT_TRUE(waitUntil([&] { return !picks.empty(); }, 10000));
    const auto [path, ms] = picks.front();
    int recording = -1;
    for (int r = 0; r < 4; ++r) recording = drive.paths[r] == path ? r : recording;
    EXPECT_TRUE(acceptable.count({recording, ms})) << path << " at " << ms;
    EXPECT_EQ(recording, 2);
    EXPECT_NEAR(static_cast<double>(ms), target * 100.0, 2000.0);

    // The same drive with another recording playing changes only the emphasis.
    map->showDrive(drive.paths, 2);
    ASSERT_TRUE(waitUntil([&] {
        return evaluate(page, "routeState.lines.filter(function (l) { return l.current; })"
                              ".every(function (l) { return l.recording === 2; })").toBool() &&
               evaluate(page, "routeState.lines.some(function (l) { return l.current; })").toBool();
    }));

    if (const QByteArray shot = qgetenv("MOKSEL_MAP_SHOT"); !shot.isEmpty()) {
        const QVariantList p = list(page, "(function () { var p = routeState.points.filter(function (q) {"
                                          " return q.recording === 2 && q.ms === 15000; })[0]; return [p.lat, p.lon]; })()");
        double latitude = p[0].toDouble(), longitude = p[1].toDouble();
        map->send(UM_MAP_POSITION, reinterpret_cast<WParam>(&latitude), reinterpret_cast<LParam>(&longitude));
        QTest::qWait(800);
        map->grab().save(QString::fromLocal8Bit(shot));
    }
}

TEST(MapRoute, TheTrackIsReadOncePerFileUntilTheFileChanges) {
    GeneratedDrive drive;
    ASSERT_NO_FATAL_FAILURE(generateDrive(drive));
    DriveTrackLoader loader;
    QString last;
    auto ask = [&](int current) {
        last.clear();
        loader.request(drive.paths, current, [&](const std::vector<DriveTrackPart>&, const QString& route) { last = route; });
        return waitUntil([&] { return !last.isEmpty(); }, 30000);
    };
    ASSERT_TRUE(ask(0));
    EXPECT_EQ(loader.filesRead(), 4);
    EXPECT_TRUE(last.startsWith(QStringLiteral("{\"current\":0,")));
    ASSERT_TRUE(ask(3));
    EXPECT_EQ(loader.filesRead(), 4) << "all four from the cache";
    EXPECT_TRUE(last.startsWith(QStringLiteral("{\"current\":3,")));
    // A recording rewritten (here: cut short, no longer a readable file) is read again.
    std::filesystem::resize_file(drive.paths[1], 100);
    ASSERT_TRUE(ask(1));
    EXPECT_EQ(loader.filesRead(), 5);
    EXPECT_TRUE(last.contains(QStringLiteral("\"telemetry\":false")));
    // A request overtaken by a later one never answers.
    int answers = 0;
    loader.request(drive.paths, 0, [&](const std::vector<DriveTrackPart>&, const QString&) { answers += 10; });
    loader.request(drive.paths, 2, [&](const std::vector<DriveTrackPart>&, const QString&) { answers += 1; });
    ASSERT_TRUE(waitUntil([&] { return answers > 0; }, 30000));
    QTest::qWait(100);
    EXPECT_EQ(answers, 1);
}

TEST(MapRoute, RouteTextMarksGapsAndEmptyRecordings) {
    auto fixes = std::make_shared<RecordingFixes>();
    fixes->hasTelemetry = true;
    fixes->points = {{0, 0, 0, 0, false}, {100, 37.5, 127.25, 40, true}, {200, 0, 0, 0, false},
                     {300, 0, 0, 0, false}, {400, 37.5001, 127.2501, 42, true}, {500, 0, 0, 0, false}};
    auto none = std::make_shared<RecordingFixes>();
    const QString text = routeJson({{"/a/drf0_20261208_190000.mp4", fixes}, {"/a/drf0_20261208_190100.mp4", none}}, 0);
    EXPECT_EQ(text, QStringLiteral("{\"current\":0,\"recordings\":["
                                   "{\"name\":\"drf0_20261208_190000.mp4\",\"telemetry\":true,\"points\":"
                                   "[null,[37.500000,127.250000,40,100],null,[37.500100,127.250100,42,400]]},"
                                   "{\"name\":\"drf0_20261208_190100.mp4\",\"telemetry\":false,\"points\":[]}]}"));
}

}  // namespace
}  // namespace moksel
