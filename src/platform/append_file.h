#pragma once
// A plain file that runs in this process and in others append to, one whole
// piece at a time: a writer holds the file's exclusive lock while it writes,
// and syncs what it wrote before it lets go. A folder, a pipe or a device is
// refused without waiting on it: the open never blocks.
//
// The lock keeps other processes out. The threads of this process take turns
// before they ask for it, so that they never wait on each other as strangers.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace platform {

struct LockResult {
  enum class Outcome { Locked, Held, Stopped, Failed };
  Outcome outcome = Outcome::Failed;
  std::string detail;  // what the system said, when Failed
};

class AppendFile {
 public:
  // Opens `path` for appending, making a new file where there is none:
  // NotRegularFile for a folder, a pipe or a device; NotFound (a folder of
  // the path is missing), PermissionDenied or Other when it does not open.
  static Result<std::unique_ptr<AppendFile>> Open(const std::string& path);
  ~AppendFile();  // the lock goes with the file
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Takes the exclusive lock. While another process holds it, asks again
  // every little while on the program's clock, for at most `boundMs` (0: asks
  // once); `stopped`, when given, ends the wait early. Held: the bound passed.
  LockResult Lock(std::uint32_t boundMs, const std::function<bool()>& stopped = {});

  // The file's last byte; nullopt when it is empty or cannot be read.
  std::optional<char> LastByte();
  // Writes all of `bytes` at the file's end.
  Result<bool> Append(std::string_view bytes);
  // Puts the file on the disk, and its folder's entry too when Open made it.
  Result<bool> Sync();

 private:
  struct Handle;
  explicit AppendFile(std::unique_ptr<Handle> handle);
  // One request for the lock, without waiting.
  LockResult TryLock();

  std::unique_lock<std::mutex> turn_;  // this process's turn; let go after the file closes
  std::unique_ptr<Handle> handle_;
};

}  // namespace platform
