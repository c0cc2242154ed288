#include "platform/standard_streams.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

// What SIGPIPE did before the tolerance was installed.
struct sigaction previousPipeAction;

}  // namespace

bool OpenClosedStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is `fd` itself, as the ones below are open.
    const int opened = ::open("/dev/null", O_RDWR | O_NOCTTY);
    if (opened < 0) return false;
    if (opened != fd) {
      const bool moved = ::dup2(opened, fd) == fd;
      ::close(opened);
      if (!moved) return false;
    }
  }
  return true;
}

ScopedBrokenPipeTolerance::ScopedBrokenPipeTolerance() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGPIPE, &ignore, &previousPipeAction);
}

ScopedBrokenPipeTolerance::~ScopedBrokenPipeTolerance() { ::sigaction(SIGPIPE, &previousPipeAction, nullptr); }

}  // namespace platform
