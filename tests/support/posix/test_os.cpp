#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "support/test_os.h"

namespace testsupport {

void SetEnv(const std::string& name, const std::string& value) { ::setenv(name.c_str(), value.c_str(), 1); }
void UnsetEnv(const std::string& name) { ::unsetenv(name.c_str()); }
long ProcessId() { return static_cast<long>(::getpid()); }

std::vector<std::string> NonRegularFiles(const std::string& folder) {
  const std::string fifo = folder + "/pipe";
  ::unlink(fifo.c_str());
  ::mkfifo(fifo.c_str(), 0600);
  return {fifo, "/dev/null"};
}

std::FILE* UnwritableStream(std::string& reason) {
  reason = std::strerror(ENOSPC);
  return std::fopen("/dev/full", "w");
}

std::string NullDevice() { return "/dev/null"; }

ForeignFileLock::ForeignFileLock(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return;
  handle_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(fd) + 1);  // never null for descriptor 0
  held_ = ::flock(fd, LOCK_EX) == 0;
}

ForeignFileLock::~ForeignFileLock() {
  if (handle_ != nullptr) ::close(static_cast<int>(reinterpret_cast<std::intptr_t>(handle_) - 1));
}

}  // namespace testsupport
