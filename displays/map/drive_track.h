// The track of a drive for the map page: the positions of all its recordings, read from their
// telemetry boxes on a worker thread and kept per file, and the text the page's set_route
// function takes.
//
// Thread contract: DriveTrackLoader is made, asked and destroyed on the UI thread; its answers
// come on the UI thread. The reading runs on one worker thread of its own; the per-file cache
// is shared under a lock. routeJson is a pure function.
#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "recording/recording_fixes.h"

namespace moksel {

struct DriveTrackPart {
    std::string path;
    std::shared_ptr<const RecordingFixes> fixes;  // never null in an answer
};

class DriveTrackLoader : public QObject {
    Q_OBJECT
public:
    explicit DriveTrackLoader(QObject* parent = nullptr);
    // Abandons a request still being read and waits for the worker to leave the file it reads.
    ~DriveTrackLoader() override;

    using Answer = std::function<void(const std::vector<DriveTrackPart>& parts, const QString& route)>;
    // Reads the recordings of a drive (paths in drive order) on the worker and makes the page's
    // route text there (routeJson with `current`); `answer` runs on the UI thread with one part
    // per path, in the same order, and the text, unless a later request came before it finished
    // (then it never runs). Files read before are taken from the cache while their size and
    // modification time stay the same.
    void request(std::vector<std::string> paths, int current, Answer answer);

    // Files read from disk so far (not from the cache); for tests.
    int filesRead() const { return filesRead_.load(); }

private:
    std::shared_ptr<const RecordingFixes> fixesOf(const std::string& path);

    struct Cached {
        std::int64_t size = -1;
        std::int64_t modified = 0;
        std::shared_ptr<const RecordingFixes> fixes;
    };
    QThreadPool pool_;
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<int> filesRead_{0};
    std::mutex cacheMutex_;
    std::map<std::string, Cached> cache_;
};

// The page's route text: {"current":c,"recordings":[{"name":..,"telemetry":true|false,
// "points":[[lat,lon,kmh,ms],..]},..]}, one point per fix in time order, and a null in the
// points wherever one or more frames without a fix lie between fixes (or before the first).
// `current` is the index of the recording being played, -1 for none.
QString routeJson(const std::vector<DriveTrackPart>& parts, int current);

}  // namespace moksel
