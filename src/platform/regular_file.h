#pragma once
// Reading a whole file that must be a plain file. A directory, a named pipe
// or a device is refused without waiting on it: the open never blocks, and
// the kind is taken from the open file itself, so nothing can swap it between
// the check and the read.

#include <cstddef>
#include <string>

#include "platform/result.h"

namespace platform {

// Reads the file at `path` whole, in one pass, if it is a regular file of at
// most `maxBytes` bytes: its bytes, or NotFound, PermissionDenied, Other (it
// did not open), NotRegularFile, TooLarge or ReadFailed. A read that fails
// part-way keeps the bytes read before the failure in `value`.
Result<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes);

// Whether `path` may be created or overwritten as a plain file: it does not
// exist yet, or it is a regular file. A directory, a pipe or a device is not.
bool IsAbsentOrRegularFile(const std::string& path);

}  // namespace platform
