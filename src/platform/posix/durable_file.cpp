#include "platform/durable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/posix/file_descriptor.h"

namespace platform {
namespace {

// Temporaries that a process could not create exclusively (another of the
// same name in the way) are tried under this many names before giving up.
constexpr int kTemporaryNameTries = 16;

Error KindOf(int error) {
  if (error == ENOENT || error == ENOTDIR) return Error::NotFound;
  if (error == EACCES || error == EPERM || error == EROFS) return Error::PermissionDenied;
  return Error::Other;
}

Result<bool> Failure(const std::string& what, int error) {
  return Result<bool>::Failure(KindOf(error), what + ": " + std::strerror(error));
}

Result<bool> Success() { return Result<bool>{true, Error::None, {}}; }

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// Every missing folder on the way is made private to the user, as a state
// folder should be.
Result<bool> MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1)) {
    const std::string prefix = folder.substr(0, slash);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return Failure("cannot make " + prefix, errno);
  }
  return Success();
}

// A name that came or went is durable only once its folder is synced.
Result<bool> SyncFolder(const std::string& folder) {
  const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.valid()) return Failure("cannot open " + folder, errno);
  if (::fsync(dir.get()) != 0) return Failure("cannot sync " + folder, errno);
  return Success();
}

// A temporary name of this process, created exclusively: a file or a link
// planted under it is never written through.
FileDescriptor CreateTemporary(const std::string& folder, const std::string& name, std::string& path) {
  static std::atomic<unsigned> counter{0};
  for (int tries = 0; tries < kTemporaryNameTries; ++tries) {
    path = folder + "." + name + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.valid() || errno != EEXIST) return file;
  }
  return FileDescriptor();
}

}  // namespace

Result<bool> WriteFileDurably(const std::string& folder, const std::string& name, const std::string& contents) {
  if (folder.empty() || folder.back() != '/') return Result<bool>::Failure(Error::NotFound, "no folder to write in");
  if (!IsPlainName(name)) return Result<bool>::Failure(Error::UnknownName, name + " is not a file name");
  if (Result<bool> made = MakeFolders(folder); !made.ok()) return made;
  std::string temporary;
  {
    const FileDescriptor file = CreateTemporary(folder, name, temporary);
    if (!file.valid()) return Failure("cannot create a file in " + folder, errno);
    if (!WriteAll(file.get(), contents) || ::fsync(file.get()) != 0) {
      const int error = errno;
      ::unlink(temporary.c_str());
      return Failure("cannot write " + temporary, error);
    }
  }
  if (::rename(temporary.c_str(), (folder + name).c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    return Failure("cannot rename " + temporary + " to " + name, error);
  }
  return SyncFolder(folder);
}

Result<bool> RemoveFileDurably(const std::string& folder, const std::string& name) {
  if (!IsPlainName(name)) return Result<bool>::Failure(Error::UnknownName, name + " is not a file name");
  if (::unlink((folder + name).c_str()) != 0) {
    if (errno == ENOENT) return Success();
    return Failure("cannot remove " + folder + name, errno);
  }
  return SyncFolder(folder);
}

}  // namespace platform
