#include "displays/map/drive_track.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMetaObject>
#include <sys/stat.h>

#include "recording/telemetry.h"

namespace moksel {

DriveTrackLoader::DriveTrackLoader(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);  // one file at a time: the card is the bottleneck
}

DriveTrackLoader::~DriveTrackLoader() {
    ++generation_;
    pool_.clear();
    pool_.waitForDone();
}

std::shared_ptr<const RecordingFixes> DriveTrackLoader::fixesOf(const std::string& path) {
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    const std::int64_t size = exists ? static_cast<std::int64_t>(info.st_size) : -1;
    const std::int64_t modified = exists ? static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                                               info.st_mtim.tv_nsec
                                         : 0;
    {
        std::lock_guard lock(cacheMutex_);
        const auto at = cache_.find(path);
        if (at != cache_.end() && at->second.size == size && at->second.modified == modified) {
            return at->second.fixes;
        }
    }
    std::shared_ptr<const RecordingFixes> fixes;
    if (exists) {
        thread_local TelemetryBox box;  // its working arrays are reused by the worker's reads
        fixes = std::make_shared<const RecordingFixes>(readRecordingFixes(path, box));
        ++filesRead_;
    } else {
        auto missing = std::make_shared<RecordingFixes>();
        missing->error = "the file is missing";
        fixes = std::move(missing);
    }
    std::lock_guard lock(cacheMutex_);
    cache_[path] = Cached{size, modified, fixes};
    return fixes;
}

void DriveTrackLoader::request(std::vector<std::string> paths, int current, Answer answer) {
    const std::uint64_t generation = ++generation_;
    pool_.clear();  // a request not yet started is no longer wanted
    pool_.start([this, generation, current, paths = std::move(paths), answer = std::move(answer)] {
        std::vector<DriveTrackPart> parts;
        for (const std::string& path : paths) {
            if (generation_.load() != generation) return;  // a later request took over
            parts.push_back({path, fixesOf(path)});
        }
        QString route = routeJson(parts, current);  // a long drive makes megabytes of text
        QMetaObject::invokeMethod(
            this,
            [this, generation, parts = std::move(parts), route = std::move(route), answer] {
                if (generation_.load() == generation) answer(parts, route);
            },
            Qt::QueuedConnection);
    });
}

QString routeJson(const std::vector<DriveTrackPart>& parts, int current) {
    QString text;
    text.reserve(64 + static_cast<qsizetype>(parts.size()) * 1800 * 36);
    text += QStringLiteral("{\"current\":%1,\"recordings\":[").arg(current);
    for (size_t i = 0; i < parts.size(); ++i) {
        const DriveTrackPart& part = parts[i];
        const std::string name = part.path.substr(part.path.find_last_of('/') + 1);
        if (i > 0) text += QLatin1Char(',');
        const QString quoted =
            QString::fromUtf8(QJsonDocument(QJsonArray{QString::fromStdString(name)}).toJson(QJsonDocument::Compact));
        text += QStringLiteral("{\"name\":%1,\"telemetry\":%2,\"points\":[")
                    .arg(quoted.mid(1, quoted.size() - 2),
                         part.fixes && part.fixes->hasTelemetry ? QStringLiteral("true") : QStringLiteral("false"));
        bool first = true, gap = false;
        if (part.fixes) {
            for (const RouteFix& point : part.fixes->points) {
                if (!point.fix) {
                    gap = true;
                    continue;
                }
                if (!first) text += QLatin1Char(',');
                if (gap) text += QStringLiteral("null,");
                gap = false;
                first = false;
                text += QString::asprintf("[%.6f,%.6f,%d,%lld]", point.latitude, point.longitude,
                                          point.speedKmh, static_cast<long long>(point.timeMs));
            }
        }
        text += QStringLiteral("]}");
    }
    text += QStringLiteral("]}");
    return text;
}

}  // namespace moksel
