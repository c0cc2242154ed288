#pragma once
// How a call of the platform layer ends, in one form for every call that can
// fail: its value, or the kind of failure with the system's own words for it.
// Callers test the kind; the words are for the user. (The serial device's
// byte operations keep their counts: a short count is their failure.)

#include <cstdint>
#include <string>
#include <utility>

namespace platform {

enum class Error : std::uint8_t {
  None,
  EmptyName,
  UnknownName,       // no backend takes this name; a name or address that does not parse
  NotFound,          // no such device or file
  Busy,              // held by another program, another open or another instance
  PermissionDenied,  // see the dialout group
  NotASerialPort,
  ConnectionFailed,  // network ports
  NotRegularFile,    // a folder, a pipe or a device where a plain file belongs
  TooLarge,
  ReadFailed,        // opened, but its contents could not be read
  LockFolderUnusable,  // the lock folder is missing, no folder, or cannot be written
  LockNotTaken,        // a port's lock names no live process but cannot be removed
  Other,
};

// Ignoring one loses a failure without a word: a caller that means to
// ignore it says so.
template <typename T>
struct [[nodiscard]] Result {
  T value{};
  Error error = Error::None;
  std::string detail;  // what the system said, for the user; empty on success

  bool ok() const { return error == Error::None; }
  static Result Failure(Error error, std::string detail) { return Result{T{}, error, std::move(detail)}; }
};

}  // namespace platform
