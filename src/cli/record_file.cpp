#include "cli/record_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_descriptor.h"

namespace cli {
namespace {

AppendResult Failure(const std::string& what) { return {false, what + ": " + std::strerror(errno)}; }

// Closing the file also drops the lock.
using OpenFile = platform::FileDescriptor;

// True when the file is empty or its last byte is a line feed.
bool EndsWithLineFeed(int fd, off_t size) {
  if (size == 0) return true;
  char last = 0;
  return ::pread(fd, &last, 1, size - 1) == 1 && last == '\n';
}

// A new file's name is durable only once its folder is synced too.
void SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  OpenFile dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace

AppendResult AppendRecordLine(const std::string& path, const std::string& line) {
  // Opening a device or a pipe could block or change a line's state: only a
  // regular file (or a new one) is opened.
  struct stat info {};
  const bool existed = ::stat(path.c_str(), &info) == 0;
  if (existed && !S_ISREG(info.st_mode)) return {false, path + " is not a regular file"};
  OpenFile file(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644));
  if (file.get() < 0) return Failure("cannot open " + path);
  while (::flock(file.get(), LOCK_EX) != 0) {
    if (errno != EINTR) return Failure("cannot lock " + path);
  }
  if (::fstat(file.get(), &info) != 0) return Failure("cannot examine " + path);
  if (!S_ISREG(info.st_mode)) return {false, path + " is not a regular file"};
  const std::string text = EndsWithLineFeed(file.get(), info.st_size) ? line : "\n" + line;
  if (!platform::WriteAll(file.get(), text)) return Failure("cannot write to " + path);
  if (::fsync(file.get()) != 0) return Failure("cannot sync " + path);
  if (!existed) SyncFolderOf(path);
  return {true, {}};
}

}  // namespace cli
