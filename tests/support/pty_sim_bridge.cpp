#include "support/pty_sim_bridge.h"

#include <poll.h>
#include <unistd.h>

#include <array>

#include "sim/sim_options.h"

namespace e2etest {

PtySimBridge::PtySimBridge(const std::string& simOptions) {
  const auto options = sim::ParseSimOptions(simOptions, nullptr);
  if (!options) return;
  sim_ = std::make_shared<sim::SimInterface>(*options);
  cable_ = sim_->Open().device;
  thread_ = std::thread([this] { Run(); });
}

PtySimBridge::~PtySimBridge() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

platform::TtyCalls PtySimBridge::Calls(decltype(platform::TtyCalls::write) write) {
  platform::TtyCalls calls;
  calls.write = std::move(write);
  calls.applied = [this](const platform::LineSettings& settings) { ApplyLine(settings); };
  return calls;
}

void PtySimBridge::ApplyLine(const platform::LineSettings& settings) {
  std::lock_guard<std::mutex> guard(mutex_);
  CarryLocked();
  if (cable_) cable_->Apply(settings);
}

void PtySimBridge::PullOut() {
  std::lock_guard<std::mutex> guard(mutex_);
  pulledOut_ = true;
  pty_.HangUp();
}

void PtySimBridge::Run() {
  while (!stop_) {
    int master = -1;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      CarryLocked();
      if (!pulledOut_) master = pty_.masterFd();
    }
    // A master closed meanwhile only ends this poll early.
    pollfd fd{master, POLLIN, 0};
    ::poll(&fd, 1, 1);
  }
}

// What the program wrote goes to the device; what the device sent goes to
// the program, as far as the pseudo-terminal takes it now.
void PtySimBridge::CarryLocked() {
  if (pulledOut_ || !cable_) return;
  std::array<std::uint8_t, 512> buffer{};
  for (ssize_t n; (n = ::read(pty_.masterFd(), buffer.data(), buffer.size())) > 0;) {
    cable_->Write(buffer.data(), static_cast<std::size_t>(n));
  }
  for (std::size_t n; (n = cable_->Read(buffer.data(), buffer.size())) > 0;) {
    toProgram_.append(reinterpret_cast<const char*>(buffer.data()), n);
  }
  while (!toProgram_.empty()) {
    const ssize_t put = ::write(pty_.masterFd(), toProgram_.data(), toProgram_.size());
    if (put <= 0) break;
    toProgram_.erase(0, static_cast<std::size_t>(put));
  }
}

}  // namespace e2etest
