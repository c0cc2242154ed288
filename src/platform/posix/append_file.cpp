#include "platform/append_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/file_descriptor.h"

namespace platform {

struct AppendFile::Handle {
  FileDescriptor file;
  std::string path;
  bool created = false;
};

namespace {

template <typename T>
Result<T> Failed(Error kind, int error) {
  return Result<T>::Failure(kind, std::strerror(error));
}

Error OpenError(int error) {
  if (error == ENOENT || error == ENOTDIR) return Error::NotFound;
  if (error == EACCES || error == EPERM || error == EROFS) return Error::PermissionDenied;
  if (error == EISDIR) return Error::NotRegularFile;
  return Error::Other;
}

// A new file's name is durable only once its folder is synced too.
void SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}

}  // namespace

AppendFile::AppendFile(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}

AppendFile::~AppendFile() = default;

Result<std::unique_ptr<AppendFile>> AppendFile::Open(const std::string& path) {
  using Opened = std::unique_ptr<AppendFile>;
  // Opening a device or a pipe could block or change a line's state: only a
  // regular file (or a new one) is opened, and the open file is checked again.
  struct stat info {};
  const bool existed = ::stat(path.c_str(), &info) == 0;
  if (existed && !S_ISREG(info.st_mode)) return Result<Opened>::Failure(Error::NotRegularFile, "not a regular file");
  FileDescriptor file(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644));
  if (!file.valid()) return Failed<Opened>(OpenError(errno), errno);
  if (::fstat(file.get(), &info) != 0) return Failed<Opened>(Error::Other, errno);
  if (!S_ISREG(info.st_mode)) return Result<Opened>::Failure(Error::NotRegularFile, "not a regular file");
  auto handle = std::make_unique<Handle>(Handle{std::move(file), path, !existed});
  return {Opened(new AppendFile(std::move(handle))), Error::None, {}};
}

LockResult AppendFile::TryLock() {
  for (;;) {
    if (::flock(handle_->file.get(), LOCK_EX | LOCK_NB) == 0) return {LockResult::Outcome::Locked, {}};
    if (errno == EWOULDBLOCK) return {LockResult::Outcome::Held, {}};
    if (errno != EINTR) return {LockResult::Outcome::Failed, std::strerror(errno)};
  }
}

std::optional<char> AppendFile::LastByte() {
  struct stat info {};
  if (::fstat(handle_->file.get(), &info) != 0 || info.st_size == 0) return std::nullopt;
  char last = 0;
  if (::pread(handle_->file.get(), &last, 1, info.st_size - 1) != 1) return std::nullopt;
  return last;
}

Result<bool> AppendFile::Append(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(handle_->file.get(), bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failed<bool>(Error::Other, errno);
    if (n == 0) return Result<bool>::Failure(Error::Other, "nothing was written");
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {true, Error::None, {}};
}

Result<bool> AppendFile::Sync() {
  if (::fsync(handle_->file.get()) != 0) return Failed<bool>(Error::Other, errno);
  if (handle_->created) SyncFolderOf(handle_->path);
  handle_->created = false;
  return {true, Error::None, {}};
}

}  // namespace platform
