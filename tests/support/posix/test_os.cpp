#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

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

}  // namespace testsupport
