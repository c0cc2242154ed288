#pragma once
// A trace of everything that crosses the serial line, for support: every byte
// both ways with time stamps, line settings with DTR and RTS, purges.

#include <memory>
#include <string>
#include <string_view>

#include "platform/result.h"
#include "platform/serial_device.h"

namespace platform {

// Receives whole lines; may be called from several threads at once.
class TraceSink {
 public:
  virtual ~TraceSink() = default;
  virtual void WriteLine(std::string_view line) = 0;
  // Whether a line could not be written (a full disk, a closed pipe).
  virtual bool Failed() const { return false; }
};

// A sink that appends lines to a file (thread-safe), or why the file cannot be
// opened for writing.
Result<std::shared_ptr<TraceSink>> MakeFileTraceSink(const std::string& path);

// Wraps `device` so that everything done with it is also written to `sink`.
std::unique_ptr<SerialDevice> MakeTracingDevice(std::unique_ptr<SerialDevice> device,
                                                const std::string& name,
                                                std::shared_ptr<TraceSink> sink);

}  // namespace platform
