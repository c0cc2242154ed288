#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/file_descriptor.h"

namespace platform {
namespace {


Result<std::string> Failed(Error kind, int error) {
  return Result<std::string>::Failure(kind, error != 0 ? std::strerror(error) : std::string());
}

Error OpenFailure(int error) {
  if (error == ENOENT) return Error::NotFound;
  if (error == EACCES || error == EPERM) return Error::PermissionDenied;
  return Error::Other;
}

}  // namespace

Result<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes) {
  // Non-blocking: opening a pipe with no writer or a tty would otherwise wait.
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.get() < 0) return Failed(OpenFailure(errno), errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return Failed(Error::ReadFailed, errno);
  if (!S_ISREG(info.st_mode)) return Failed(Error::NotRegularFile, 0);
  if (static_cast<std::size_t>(info.st_size) > maxBytes) return Failed(Error::TooLarge, 0);

  Result<std::string> result;
  char buffer[16384];
  for (;;) {
    const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      result.error = Error::ReadFailed;
      result.detail = std::strerror(errno);
      return result;
    }
    if (count == 0) return result;
    result.value.append(buffer, static_cast<std::size_t>(count));
    // A file that grows while it is read is not the file that was checked.
    if (result.value.size() > maxBytes) return Failed(Error::TooLarge, 0);
  }
}

bool IsAbsentOrRegularFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return errno == ENOENT;
  return S_ISREG(info.st_mode);
}

}  // namespace platform
