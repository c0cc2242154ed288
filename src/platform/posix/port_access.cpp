// Whether this user may open a tty: its permission bits decide.

#include <unistd.h>

#include <cerrno>

#include "platform/port_discovery.h"

namespace platform {

bool MayOpenForReadWrite(const std::string& path) {
  if (::access(path.c_str(), R_OK | W_OK) == 0) return true;
  // A node gone since the list was read is no question of permission.
  return errno != EACCES && errno != EPERM && errno != EROFS;
}

}  // namespace platform
