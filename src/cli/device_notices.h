#pragma once
// What the terminal says of one run's devices: why a port did not open and
// the troubles of its line go to that run's sink (the console of a single
// run, the device's own row of a gang run), and its traffic to its trace.

#include <atomic>
#include <memory>
#include <string>

#include "cli/console_sink.h"
#include "platform/device_observer.h"
#include "platform/trace.h"

namespace cli {

// Lives no longer than `sink`: the device run that makes it ends first.
class DeviceNotices final : public platform::DeviceObserver {
 public:
  // `trace` null: the run is not traced.
  DeviceNotices(ConsoleSink& sink, std::shared_ptr<platform::TraceSink> trace)
      : sink_(sink), trace_(std::move(trace)) {}

  std::shared_ptr<platform::TraceSink> Trace() const override { return trace_; }
  void OpenFailed(const std::string& name, const platform::OpenResult& result) override;
  void LineInTrouble(const std::string& device, platform::LineTrouble trouble, const std::string& detail) override;

 private:
  ConsoleSink& sink_;
  const std::shared_ptr<platform::TraceSink> trace_;
  // Once the device is gone, the settings it refuses after are not news.
  std::atomic<bool> lost_{false};
};

}  // namespace cli
