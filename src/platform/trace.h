#pragma once
// A trace of everything that crosses the serial line, for support: every byte
// both ways with time stamps, line settings with DTR and RTS, purges.

#include <functional>
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

// Picks the sink for a port by its name as opened (without the device
// prefix); null: that port is not traced.
using TraceSinkChooser = std::function<std::shared_ptr<TraceSink>(const std::string& portName)>;

// Traces every device opened while it lives: to one sink for every port, or
// through a chooser (one trace per port of a gang run). Restores what was
// installed before when it goes.
class ScopedTraceSinks {
 public:
  explicit ScopedTraceSinks(std::shared_ptr<TraceSink> everyPort);
  explicit ScopedTraceSinks(TraceSinkChooser chooser);
  ~ScopedTraceSinks();
  ScopedTraceSinks(const ScopedTraceSinks&) = delete;
  ScopedTraceSinks& operator=(const ScopedTraceSinks&) = delete;

 private:
  TraceSinkChooser previous_;
};

// The sink a device opened now under `portName` is traced to; null: none.
std::shared_ptr<TraceSink> TraceSinkFor(const std::string& portName);

// A sink that appends lines to a file (thread-safe), or why the file cannot be
// opened for writing.
Result<std::shared_ptr<TraceSink>> MakeFileTraceSink(const std::string& path);

// Wraps `device` so that everything done with it is also written to `sink`.
std::unique_ptr<SerialDevice> MakeTracingDevice(std::unique_ptr<SerialDevice> device,
                                                const std::string& name,
                                                std::shared_ptr<TraceSink> sink);

}  // namespace platform
