// Repairs recordings that a crash or a power cut left without their index (or with their media
// data cut short): the samples are recovered from the media data, with a healthy recording of
// the same camera as the reference for what the lost index held, and written to a new file.
// The original files are only read, never changed.
//
// A repaired front recording has no telemetry box (it lived in the lost index).
//
// Thread contract: the functions keep no shared state; run them on a worker thread. `progress`
// is called on the calling thread; `cancel` may be set from any thread.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "file_layout.h"

namespace moksel::repair {

enum class RepairOutcome {
    Repaired,          // a new file holds what was recovered
    NothingToRepair,   // the file plays as it is
    NothingRecovered,  // no whole sample was found
    Refused,           // the reference does not fit the recording
    Failed,            // unreadable input, no reference, or the new file could not be written
    Cancelled,
};

const char* repairOutcomeText(RepairOutcome outcome);

struct RepairJob {
    std::string input;
    std::string reference;  // empty: the nearest complete recording of the same camera
    std::string output;     // the new file
    std::function<void(double)> progress;  // 0..1, may be empty
    const std::atomic<bool>* cancel = nullptr;
};

struct RepairReport {
    RepairOutcome outcome = RepairOutcome::Failed;
    std::string message;  // for the user
    std::string input, output, reference;
    FileState state = FileState::NotRecording;  // of the input, before the repair
    bool referenceMissing = false;  // failed for want of a complete recording to learn from
    int videoSamples = 0, soundSamples = 0;
    double durationS = 0;       // of the recovered video
    uint64_t skippedBytes = 0;  // media bytes that were neither video nor sound
};

RepairReport repairFile(const RepairJob& job);

struct PairRepairJob {
    std::string front;      // the front camera's file; its rear file is found by the pairing rule
    std::string reference;  // a complete front recording; empty: the nearest one
    std::string outputFolder;  // empty: a REPAIRED folder beside the front file
    std::function<void(double)> progress;
    const std::atomic<bool>* cancel = nullptr;
};

struct PairRepairReport {
    RepairOutcome outcome = RepairOutcome::Failed;  // of the front file, which decides playback
    std::string message;
    std::string frontOutput;  // the file to play when outcome is Repaired
    RepairReport front;
    std::optional<RepairReport> rear;  // none when the recording has no rear file
};

// Repairs the front file and its rear file into one folder under the camera's names; a file of
// the pair that is not cut is copied unchanged so that the pair stays together. A pair that is
// not repaired leaves nothing behind: the files it wrote (and the folder, when it made it and
// it is empty) are removed.
PairRepairReport repairPair(const PairRepairJob& job);

// The folder a pair is repaired into by default: REPAIRED beside the file.
std::string defaultRepairFolder(const std::string& path);

// The nearest complete recording of the same camera (by the time in the names) in the same
// folder; empty when there is none.
std::string findReference(const std::string& path);

}  // namespace moksel::repair
