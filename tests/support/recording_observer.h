#pragma once
// A device observer that keeps everything it hears, for tests: the traffic
// of the devices it is given to, their failed opens and their line troubles,
// from whichever thread reports them.

#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/device_observer.h"
#include "platform/serial_device.h"
#include "platform/trace.h"

namespace testing_support {

class MemoryTraceSink final : public platform::TraceSink {
 public:
  void WriteLine(std::string_view line) override {
    std::lock_guard<std::mutex> guard(mutex_);
    lines_.emplace_back(line);
  }
  std::vector<std::string> Lines() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return lines_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

class RecordingObserver final : public platform::DeviceObserver {
 public:
  struct Trouble {
    std::string device;
    platform::LineTrouble trouble;
    std::string detail;
  };

  // `traced`: the devices are traced to Sink().
  explicit RecordingObserver(bool traced = false) : traced_(traced) {}

  std::shared_ptr<platform::TraceSink> Trace() const override {
    return traced_ ? sink_ : nullptr;
  }
  void OpenFailed(const std::string& name, const platform::OpenResult& result) override {
    std::lock_guard<std::mutex> guard(mutex_);
    failures_.emplace_back(name, result.error);
  }
  void LineInTrouble(const std::string& device, platform::LineTrouble trouble, const std::string& detail) override {
    std::lock_guard<std::mutex> guard(mutex_);
    troubles_.push_back({device, trouble, detail});
  }

  const MemoryTraceSink& Sink() const { return *sink_; }
  std::vector<std::pair<std::string, platform::Error>> Failures() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return failures_;
  }
  std::vector<Trouble> Troubles() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return troubles_;
  }

 private:
  const bool traced_;
  const std::shared_ptr<MemoryTraceSink> sink_ = std::make_shared<MemoryTraceSink>();
  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, platform::Error>> failures_;
  std::vector<Trouble> troubles_;
};

}  // namespace testing_support
