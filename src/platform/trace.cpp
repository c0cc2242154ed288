#include "platform/trace.h"

#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <utility>

#include "platform/clock.h"

namespace platform {
namespace {

class FileTraceSink final : public TraceSink {
 public:
  explicit FileTraceSink(std::ofstream file) : file_(std::move(file)) {}
  void WriteLine(std::string_view line) override {
    std::lock_guard<std::mutex> guard(mutex_);
    file_ << line << '\n';
    file_.flush();  // a trace is wanted most when the program did not end well
    if (!file_) failed_ = true;
  }
  bool Failed() const override { return failed_.load(); }

 private:
  std::atomic<bool> failed_{false};
  std::mutex mutex_;
  std::ofstream file_;
};

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) text.push_back(' ');
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return text;
}

char ParityLetter(Parity parity) {
  switch (parity) {
    case Parity::None: return 'N';
    case Parity::Odd: return 'O';
    case Parity::Even: return 'E';
    case Parity::Mark: return 'M';
    case Parity::Space: return 'S';
  }
  return '?';
}

const char* StopBitsText(StopBits stopBits) {
  switch (stopBits) {
    case StopBits::One: return "1";
    case StopBits::OneAndHalf: return "1.5";
    case StopBits::Two: return "2";
  }
  return "?";
}

const char* PurgeText(PurgeSide side) {
  switch (side) {
    case PurgeSide::Input: return "input";
    case PurgeSide::Output: return "output";
    case PurgeSide::Both: return "input and output";
  }
  return "?";
}

// Passes every call through to the traced device and writes what it did.
class TracingDevice final : public SerialDevice {
 public:
  TracingDevice(std::unique_ptr<SerialDevice> inner, std::string name, std::shared_ptr<TraceSink> sink)
      : inner_(std::move(inner)), name_(std::move(name)), sink_(std::move(sink)) {
    Log("open " + name_);
  }
  ~TracingDevice() override { Log("close " + name_); }

  bool Apply(const LineSettings& s) override {
    const bool accepted = inner_->Apply(s);
    char text[96];
    std::snprintf(text, sizeof text, "apply %" PRIu32 " %u%c%s DTR=%d RTS=%d%s", s.baudRate,
                  static_cast<unsigned>(s.dataBits), ParityLetter(s.parity), StopBitsText(s.stopBits),
                  s.dtr ? 1 : 0, s.rts ? 1 : 0, accepted ? "" : " refused");
    Log(text);
    return accepted;
  }
  std::size_t InputWaiting() override { return inner_->InputWaiting(); }
  std::size_t OutputWaiting() override { return inner_->OutputWaiting(); }
  std::size_t Read(std::uint8_t* buffer, std::size_t max) override {
    const std::size_t got = inner_->Read(buffer, max);
    if (got > 0) Log("RX " + Hex(buffer, got));
    return got;
  }
  std::size_t Write(const std::uint8_t* bytes, std::size_t count) override {
    const std::size_t put = inner_->Write(bytes, count);
    if (put > 0) Log("TX " + Hex(bytes, put));
    if (put < count) Log("TX refused " + Hex(bytes + put, count - put));
    return put;
  }
  void Purge(PurgeSide side) override {
    inner_->Purge(side);
    Log(std::string("purge ") + PurgeText(side));
  }
  std::size_t WaitForInput(std::size_t count, int timeoutMs) override {
    return inner_->WaitForInput(count, timeoutMs);
  }
  bool WaitForDrain(int timeoutMs) override { return inner_->WaitForDrain(timeoutMs); }
  void CancelWait() override { inner_->CancelWait(); }

 private:
  void Log(const std::string& what) {
    const Micros now = CurrentClock()->Now();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%" PRId64 ".%06" PRId64 " ", now / 1'000'000, now % 1'000'000);
    sink_->WriteLine(stamp + what);
  }

  std::unique_ptr<SerialDevice> inner_;
  std::string name_;
  std::shared_ptr<TraceSink> sink_;
};

}  // namespace

Result<std::shared_ptr<TraceSink>> MakeFileTraceSink(const std::string& path) {
  errno = 0;
  std::ofstream file(path, std::ios::out | std::ios::app);
  if (!file) {
    const Error kind = errno == EACCES ? Error::PermissionDenied : errno == ENOENT ? Error::NotFound : Error::Other;
    return Result<std::shared_ptr<TraceSink>>::Failure(
        kind, path + ": " + (errno != 0 ? std::strerror(errno) : "cannot be opened"));
  }
  return {std::make_shared<FileTraceSink>(std::move(file)), Error::None, {}};
}

std::unique_ptr<SerialDevice> MakeTracingDevice(std::unique_ptr<SerialDevice> device,
                                                const std::string& name,
                                                std::shared_ptr<TraceSink> sink) {
  if (!device || !sink) return device;
  return std::make_unique<TracingDevice>(std::move(device), name, std::move(sink));
}

}  // namespace platform
