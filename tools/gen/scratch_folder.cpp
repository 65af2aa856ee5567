#include "scratch_folder.h"

#include <unistd.h>

namespace moksel::gen {

ScratchFolder::ScratchFolder(const std::string& prefix)
    : path_(std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace moksel::gen
