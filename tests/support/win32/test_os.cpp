#include <process.h>

#include <cstdlib>

#include "support/test_os.h"

namespace testsupport {

// The C library's own copy of the environment is what std::getenv reads.
void SetEnv(const std::string& name, const std::string& value) { _putenv_s(name.c_str(), value.c_str()); }
void UnsetEnv(const std::string& name) { _putenv_s(name.c_str(), ""); }
long ProcessId() { return static_cast<long>(_getpid()); }

std::vector<std::string> NonRegularFiles(const std::string& folder) {
  return {"NUL", folder + "\\nul.txt", folder + "\\COM1", "\\\\.\\pipe\\quorrel-none"};
}

}  // namespace testsupport
