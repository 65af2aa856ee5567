#include "mainwindow/recording_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace fs = std::filesystem;

namespace moksel {
namespace {

// Writes the file's cached bytes to its device, so a card pulled after the save keeps them.
bool flushToDevice(const fs::path& path, std::error_code& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        error = std::error_code(errno, std::generic_category());
        if (fd >= 0) ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

}  // namespace

bool copyRecordingFile(const fs::path& source, const fs::path& destination, std::error_code& error) {
    error.clear();
    if (!fs::is_regular_file(source, error)) {
        if (!error) {
            error = std::make_error_code(fs::exists(source) ? std::errc::invalid_argument
                                                            : std::errc::no_such_file_or_directory);
        }
        return false;
    }
    fs::path scratch = destination;
    std::string scratchName(1, '.');
    scratchName.append(destination.filename().string()).append(".saving");
    scratch.replace_filename(scratchName);
    if (fs::copy_file(source, scratch, fs::copy_options::overwrite_existing, error) &&
        flushToDevice(scratch, error)) {
        fs::rename(scratch, destination, error);
        if (!error) return true;
    }
    std::error_code ignored;
    fs::remove(scratch, ignored);
    return false;
}

}  // namespace moksel
