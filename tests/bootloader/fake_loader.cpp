#include "bootloader/fake_loader.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/port_schemes.h"

namespace bltest {
namespace {

class FakeDevice final : public platform::SerialDevice {
 public:
  explicit FakeDevice(std::shared_ptr<FakeLoader> loader) : loader_(std::move(loader)) {
    loader_->open = true;
  }
  ~FakeDevice() override { loader_->open = false; }

  bool Apply(const platform::LineSettings& settings) override {
    loader_->applies.push_back({settings, platform::CurrentClock()->Now()});
    return !loader_->refuseSettings;
  }
  std::size_t InputWaiting() override { return loader_->Ready(); }
  std::size_t OutputWaiting() override { return 0; }
  std::size_t Read(std::uint8_t* buffer, std::size_t max) override { return loader_->Take(buffer, max); }
  std::size_t Write(const std::uint8_t* bytes, std::size_t count) override {
    for (std::size_t i = 0; i < count; ++i) loader_->Receive(bytes[i]);
    return count;
  }
  void Purge(platform::PurgeSide side) override {
    loader_->purges.push_back({side, platform::CurrentClock()->Now()});
    if (side != platform::PurgeSide::Output) loader_->DropArrived();
  }
  std::size_t WaitForInput(std::size_t count, int timeoutMs) override {
    const std::shared_ptr<platform::Clock> clock = platform::CurrentClock();
    if (loader_->Ready() >= count) return loader_->Ready();
    const platform::Micros limit = clock->Now() + static_cast<platform::Micros>(timeoutMs) * 1000;
    clock->SleepUntil(std::min(limit, loader_->ArrivalOf(count)));
    return loader_->Ready();
  }
  bool WaitForDrain(int) override {
    ++loader_->drainWaits;
    return true;
  }
  void CancelWait() override {}

 private:
  std::shared_ptr<FakeLoader> loader_;
};

std::map<std::string, std::shared_ptr<FakeLoader>>& Loaders() {
  static std::map<std::string, std::shared_ptr<FakeLoader>> loaders;
  return loaders;
}

void RegisterScheme() {
  static std::once_flag once;
  std::call_once(once, [] {
    platform::RegisterPortScheme("fakeboot:", [](const std::string& name) {
      const auto found = Loaders().find(name);
      if (found == Loaders().end()) return platform::OpenResult{nullptr, platform::Error::NotFound, name};
      return platform::OpenResult{std::make_unique<FakeDevice>(found->second), platform::Error::None, ""};
    });
  });
}

}  // namespace

std::shared_ptr<FakeLoader> AttachFakeLoader(const std::string& portName) {
  RegisterScheme();
  auto loader = std::make_shared<FakeLoader>();
  Loaders()[portName] = loader;
  return loader;
}

std::uint16_t FakeLoader::LoaderChecksum(const std::vector<std::uint8_t>& bytes) {
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const std::uint16_t high = i + 1 < bytes.size() ? bytes[i + 1] : 0;
    sum ^= static_cast<std::uint16_t>(bytes[i] | (high << 8));
  }
  return static_cast<std::uint16_t>(~sum);
}

std::vector<std::uint8_t> FakeLoader::DataFrame(const std::vector<std::uint8_t>& data) {
  const auto length = static_cast<std::uint8_t>(data.size());
  std::vector<std::uint8_t> frame{0x80, 0x00, length, length};
  frame.insert(frame.end(), data.begin(), data.end());
  const std::uint16_t sum = LoaderChecksum(frame);
  frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(sum >> 8));
  return frame;
}

void FakeLoader::Queue(const std::vector<std::uint8_t>& bytes, platform::Micros delay) {
  const platform::Micros at = platform::CurrentClock()->Now() + delay;
  for (std::uint8_t byte : bytes) input_.emplace_back(at, byte);
}

std::size_t FakeLoader::Ready() const {
  const platform::Micros now = platform::CurrentClock()->Now();
  return static_cast<std::size_t>(std::count_if(input_.begin(), input_.end(),
                                                [now](const auto& entry) { return entry.first <= now; }));
}

std::size_t FakeLoader::Take(std::uint8_t* buffer, std::size_t max) {
  const std::size_t count = std::min(max, Ready());
  for (std::size_t i = 0; i < count; ++i) {
    buffer[i] = input_.front().second;
    input_.pop_front();
  }
  return count;
}

void FakeLoader::DropArrived() {
  const platform::Micros now = platform::CurrentClock()->Now();
  while (!input_.empty() && input_.front().first <= now) input_.pop_front();
}

platform::Micros FakeLoader::ArrivalOf(std::size_t count) const {
  if (count == 0) return 0;
  if (input_.size() < count) return platform::kNever;
  return input_[count - 1].first;
}

// Idle, an 80 is a sync byte; once synced, bytes build a frame.
void FakeLoader::Receive(std::uint8_t byte) {
  written.push_back(byte);
  if (!synced_) {
    ++syncBytes_;
    if (byte == 0x80 && syncAnswer) {
      Queue({*syncAnswer}, 0);
      synced_ = true;
    }
    return;
  }
  current_.push_back(byte);
  frameBytes_.push_back(byte);
  if (earlyReply && current_.size() == earlyReply->first) {
    Queue({earlyReply->second}, 0);
    earlyReply.reset();
    current_.clear();
    synced_ = false;
    return;
  }
  if (current_.size() >= 4 && current_.size() == std::size_t{current_[2]} + 6u) FrameComplete();
}

void FakeLoader::FrameComplete() {
  const std::vector<std::uint8_t> bytes = std::move(current_);
  current_.clear();
  synced_ = false;
  const std::size_t length = bytes[2];
  Frame frame;
  frame.command = bytes[1];
  if (length >= 4) {
    frame.address = static_cast<std::uint16_t>(bytes[4] | (bytes[5] << 8));
    frame.length = static_cast<std::uint16_t>(bytes[6] | (bytes[7] << 8));
    frame.data.assign(bytes.begin() + 8, bytes.begin() + 4 + static_cast<std::ptrdiff_t>(length));
  }
  const std::vector<std::uint8_t> covered(bytes.begin(), bytes.begin() + 4 + static_cast<std::ptrdiff_t>(length));
  const std::uint16_t sum = static_cast<std::uint16_t>(bytes[4 + length] | (bytes[5 + length] << 8));
  frame.checksumGood = bytes[0] == 0x80 && bytes[2] == bytes[3] && LoaderChecksum(covered) == sum;
  frames.push_back(frame);
  std::optional<std::vector<std::uint8_t>> reply;
  if (answer) reply = answer(frame);
  Queue(reply ? *reply : OwnAnswer(frame), replyDelay);
}

std::vector<std::uint8_t> FakeLoader::OwnAnswer(const Frame& frame) {
  if (!frame.checksumGood) return {0xA0};
  const std::size_t end = std::size_t{frame.address} + frame.length;
  if ((frame.command == 0x12 || frame.command == 0x14) && (end > memory.size() || frame.length > 250)) {
    return {0x70};
  }
  switch (frame.command) {
    case 0x12:
      std::copy(frame.data.begin(), frame.data.end(), memory.begin() + frame.address);
      return {0x90};
    case 0x14:
      return DataFrame(std::vector<std::uint8_t>(memory.begin() + frame.address,
                                                 memory.begin() + frame.address + frame.length));
    case 0x18:
      std::fill(memory.begin(), memory.end(), 0xFF);
      return {0x90};
    default:
      return {0x90};
  }
}

}  // namespace bltest
