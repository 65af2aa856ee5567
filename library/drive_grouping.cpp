#include "library/drive_grouping.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "recording/recording_name.h"

namespace moksel {
namespace {

constexpr std::int64_t kToleranceMs = kDriveGapToleranceS * 1000LL;
constexpr std::int64_t kShortestIntervalMs = 10'000;
constexpr std::int64_t kLongestIntervalMs = 600'000;

// Days from 1970-01-01 to a civil date (proleptic Gregorian calendar).
std::int64_t daysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// Normal recordings (and names without a type) make up the chain of a drive; event and motion
// recordings are cut out of it by a shock or by movement while parked.
bool chainsDrive(std::string_view name) {
    const std::optional<RecordingKind> kind = recordingKindOf(name);
    return !kind || *kind == RecordingKind::Normal;
}

char cameraOf(std::string_view name) { return name.size() > 3 ? name[3] : '?'; }

struct Timed {
    int index;
    std::int64_t start;
    std::int64_t end;
    bool chain;
};

// Appends each recording to the open drive of `drives` when it starts within the tolerance of
// that drive's end, else opens a new drive. `items` are in order of start.
void chainInto(const std::vector<Timed>& items, std::vector<std::vector<Timed>>& drives) {
    std::int64_t driveEnd = 0;
    bool open = false;
    for (const Timed& item : items) {
        if (open && item.start <= driveEnd + kToleranceMs) {
            drives.back().push_back(item);
            driveEnd = std::max(driveEnd, item.end);
        } else {
            drives.push_back({item});
            driveEnd = item.end;
            open = true;
        }
    }
}

// The neighbour of `self` among `members` whose start (forward) or end (backward) lies nearest
// the matching edge of `self`: within the tolerance a chain recording wins over an event or
// motion one; otherwise the first member beyond the edge.
int neighbour(const Timed& self, const std::vector<Timed>& members, bool forward) {
    const std::int64_t edge = forward ? self.end : self.start;
    int best = -1;
    std::int64_t bestDistance = 0;
    bool bestChain = false;
    int beyond = -1;
    std::int64_t beyondDistance = 0;
    for (const Timed& other : members) {
        if (other.index == self.index) continue;
        const std::int64_t at = forward ? other.start : other.end;
        const std::int64_t distance = std::llabs(at - edge);
        if (distance <= kToleranceMs) {
            const bool better = best < 0 || (other.chain && !bestChain) ||
                                (other.chain == bestChain && distance < bestDistance);
            if (better) {
                best = other.index;
                bestDistance = distance;
                bestChain = other.chain;
            }
            continue;
        }
        const std::int64_t ahead = forward ? at - edge : edge - at;
        if (ahead > 0 && (beyond < 0 || ahead < beyondDistance)) {
            beyond = other.index;
            beyondDistance = ahead;
        }
    }
    return best >= 0 ? best : beyond;
}

}  // namespace

std::optional<std::int64_t> recordingStartSeconds(std::string_view fileName) {
    const std::optional<RecordingStart> start = recordingStartOf(fileName);
    if (!start) return std::nullopt;
    return daysFromCivil(start->year, start->month, start->day) * 86400 + start->hour * 3600 +
           start->minute * 60 + start->second;
}

std::int64_t nominalIntervalMs(const std::vector<std::int64_t>& normalStartsMs) {
    std::vector<std::int64_t> starts = normalStartsMs;
    std::sort(starts.begin(), starts.end());
    std::map<std::int64_t, int> counts;  // gap in whole seconds -> how often
    for (size_t i = 1; i < starts.size(); ++i) {
        const std::int64_t gap = starts[i] - starts[i - 1];
        if (gap >= kShortestIntervalMs && gap <= kLongestIntervalMs) ++counts[gap / 1000];
    }
    std::int64_t best = -1;
    int bestCount = 0;
    for (const auto& [gapS, count] : counts) {
        if (count > bestCount) {  // ties: the shorter gap, so drives are never joined too eagerly
            best = gapS;
            bestCount = count;
        }
    }
    return best > 0 ? best * 1000 : kDefaultNominalIntervalMs;
}

DriveGrouping groupDrives(const std::vector<DriveRecording>& recordings) {
    DriveGrouping result;
    result.places.resize(recordings.size());

    // Per camera: the recordings with a valid start.
    std::map<char, std::vector<int>> byCamera;
    std::vector<int> undated;
    for (size_t i = 0; i < recordings.size(); ++i) {
        const std::optional<std::int64_t> seconds = recordingStartSeconds(recordings[i].fileName);
        if (!seconds) {
            undated.push_back(static_cast<int>(i));
            continue;
        }
        result.places[i].startMs = *seconds * 1000;
        byCamera[cameraOf(recordings[i].fileName)].push_back(static_cast<int>(i));
    }

    std::vector<std::vector<Timed>> drives;
    for (auto& [camera, indexes] : byCamera) {
        std::vector<std::int64_t> chainStarts;
        for (int i : indexes) {
            if (chainsDrive(recordings[i].fileName)) chainStarts.push_back(result.places[i].startMs);
        }
        const std::int64_t nominal = nominalIntervalMs(chainStarts);

        std::vector<Timed> items;
        for (int i : indexes) {
            DrivePlace& place = result.places[i];
            const std::int64_t duration = recordings[i].durationMs >= 0 ? recordings[i].durationMs : nominal;
            place.endMs = place.startMs + duration;
            items.push_back({i, place.startMs, place.endMs, chainsDrive(recordings[i].fileName)});
        }
        // By start; on equal starts the normal recording first, so it leads its drive.
        std::sort(items.begin(), items.end(), [](const Timed& a, const Timed& b) {
            if (a.start != b.start) return a.start < b.start;
            if (a.chain != b.chain) return a.chain;
            return a.index < b.index;
        });
        chainInto(items, drives);
    }

    // Drives are numbered by their first start, then by camera, so the numbers are stable.
    std::stable_sort(drives.begin(), drives.end(), [](const auto& a, const auto& b) {
        return a.front().start < b.front().start;
    });
    for (const std::vector<Timed>& members : drives) {
        const int id = static_cast<int>(result.drives.size());
        std::vector<int>& list = result.drives.emplace_back();
        for (const Timed& t : members) {
            list.push_back(t.index);
            DrivePlace& place = result.places[t.index];
            place.drive = id;
            place.next = neighbour(t, members, true);
            place.previous = neighbour(t, members, false);
        }
    }
    for (int i : undated) {
        result.places[i].drive = static_cast<int>(result.drives.size());
        result.drives.push_back({i});
    }
    return result;
}

}  // namespace moksel
