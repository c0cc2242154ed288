#pragma once
// What the benchmarks share: the process's processor time and peak memory,
// the demo image they program by default, and a meter on the simulated line.

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "platform/port_schemes.h"
#include "platform/serial_device.h"
#include "sim/sim_ports.h"

namespace bench {

inline double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The first Apex demo image by name, or empty when there is none.
inline std::string DefaultImage() {
  const std::filesystem::path folder = std::filesystem::path(QUORREL_SOURCE_DIR) / "data/Image/Apex";
  std::vector<std::string> images;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".mbl") images.push_back(entry.path().string());
  }
  std::sort(images.begin(), images.end());
  return images.empty() ? std::string() : images.front();
}

// What crossed the host's end of the line: bytes each way, and their wire
// time at the baud rate and frame length in force when each crossed.
struct LineMeter {
  std::atomic<std::uint64_t> sent{0};
  std::atomic<std::uint64_t> received{0};
  std::atomic<double> wireSeconds{0.0};

  void Add(std::size_t bytes, const platform::LineSettings& line, std::atomic<std::uint64_t>& way) {
    way += bytes;
    const double bits = 1.0 + line.dataBits + (line.parity == platform::Parity::None ? 0.0 : 1.0) +
                        (line.stopBits == platform::StopBits::Two ? 2.0 : 1.0);
    const double add = static_cast<double>(bytes) * bits / static_cast<double>(line.baudRate);
    double expected = wireSeconds.load();
    while (!wireSeconds.compare_exchange_weak(expected, expected + add)) {
    }
  }
};

class MeteredDevice final : public platform::SerialDevice {
 public:
  MeteredDevice(std::unique_ptr<platform::SerialDevice> inner, LineMeter& meter)
      : inner_(std::move(inner)), meter_(meter) {}
  bool Apply(const platform::LineSettings& settings) override {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      line_ = settings;
    }
    return inner_->Apply(settings);
  }
  std::size_t InputWaiting() override { return inner_->InputWaiting(); }
  std::size_t OutputWaiting() override { return inner_->OutputWaiting(); }
  std::size_t Read(std::uint8_t* buffer, std::size_t max) override {
    return Count(inner_->Read(buffer, max), meter_.received);
  }
  std::size_t Write(const std::uint8_t* bytes, std::size_t count) override {
    return Count(inner_->Write(bytes, count), meter_.sent);
  }
  void Purge(platform::PurgeSide side) override { inner_->Purge(side); }
  std::size_t WaitForInput(std::size_t count, int timeoutMs) override { return inner_->WaitForInput(count, timeoutMs); }
  bool WaitForDrain(int timeoutMs) override { return inner_->WaitForDrain(timeoutMs); }
  void CancelWait() override { inner_->CancelWait(); }

 private:
  std::size_t Count(std::size_t bytes, std::atomic<std::uint64_t>& way) {
    std::lock_guard<std::mutex> guard(mutex_);
    meter_.Add(bytes, line_, way);
    return bytes;
  }
  std::unique_ptr<platform::SerialDevice> inner_;
  LineMeter& meter_;
  std::mutex mutex_;
  platform::LineSettings line_;
};

// Port names beginning with `scheme` reach the simulated interface `simName`
// through a meter.
inline void RegisterMeteredSimPort(const std::string& scheme, const std::string& simName, LineMeter& meter) {
  sim::RegisterSimPorts();
  platform::RegisterPortScheme(scheme, [simName, &meter](const std::string&) {
    platform::OpenResult opened = sim::OpenSimPort(simName);
    if (opened.device) opened.device = std::make_unique<MeteredDevice>(std::move(opened.device), meter);
    return opened;
  });
}

}  // namespace bench
