// The sample SD card: a folder laid out like the camera's card, with normal, event and motion
// recordings and their rear partners in the folders NORMAL, EVENT and MOTION of its root.
//
// Thread contract: one call at a time per folder.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "recording_generator.h"

namespace moksel::gen {

// The recordings of the sample card, each with its output folder under `root`.
std::vector<GenOptions> sampleDrivePlan(const std::string& root);

// Writes the plan, printing one line per pair to `log`.
bool writeSampleDrive(const std::string& root, std::ostream& log, std::string& error);

}  // namespace moksel::gen
