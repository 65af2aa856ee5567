// Copying a recording file into the folder the user chose, for the save command.
//
// The bytes go first to a hidden scratch file beside the destination, are flushed to the
// device, and only then take the destination's name. A copy that fails (the source is gone,
// the card was pulled, the disk is full, the folder cannot be written) therefore leaves no
// half-written file behind and keeps a file that was at the destination before untouched.
//
// Thread contract: a plain function; it blocks the caller until the copy has ended.
#pragma once

#include <filesystem>
#include <system_error>

namespace moksel {

// Copies `source` to `destination`, replacing a file that is there. False, with the reason in
// `error`, when the copy could not be made; `destination` is then as it was.
bool copyRecordingFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                       std::error_code& error);

}  // namespace moksel
