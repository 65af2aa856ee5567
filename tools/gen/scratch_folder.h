// A folder of this process's own under the system's temporary folder, for recordings made on
// the fly (tests, benchmarks). It is removed with everything in it when the object is destroyed;
// keep one as a function-local static to have it removed at exit.
#pragma once

#include <filesystem>
#include <string>

namespace moksel::gen {

class ScratchFolder {
public:
    // Creates "<temp>/<prefix><process id>".
    explicit ScratchFolder(const std::string& prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace moksel::gen
