#include "sim/server/state_dump.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace sim::server {
namespace {

// Written beside the target, then renamed over it: a reader never sees half a file.
bool WriteWhole(const std::string& path, const void* bytes, std::size_t size, std::string* error) {
  const std::string partial = path + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
      *error = "cannot write " + partial;
      std::remove(partial.c_str());
      return false;
    }
  }
  if (std::rename(partial.c_str(), path.c_str()) != 0) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    std::remove(partial.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool DumpDeviceState(const SimInterface& device, const std::string& memoryFile, const std::string& serialFile,
                     std::string* error) {
  bool ok = true;
  if (!memoryFile.empty()) {
    const std::vector<std::uint8_t> memory = device.ReadMemory(0, kMemorySize);
    ok = WriteWhole(memoryFile, memory.data(), memory.size(), error) && ok;
  }
  if (!serialFile.empty()) {
    const std::string text = device.SerialNumber() + "\n";
    ok = WriteWhole(serialFile, text.data(), text.size(), error) && ok;
  }
  return ok;
}

}  // namespace sim::server
