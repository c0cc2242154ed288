#include "serial/fake_line.h"

#include <algorithm>
#include <chrono>
#include <map>

#include "platform/port_schemes.h"

namespace testing_support {
namespace {

class FakeDevice final : public platform::SerialDevice {
 public:
  explicit FakeDevice(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {}
  ~FakeDevice() override { line_->Detach(); }
  bool Apply(const platform::LineSettings& s) override { return line_->Apply(s); }
  std::size_t InputWaiting() override { return line_->InputWaiting(); }
  std::size_t OutputWaiting() override { return 0; }
  std::size_t Read(std::uint8_t* b, std::size_t max) override { return line_->Read(b, max); }
  std::size_t Write(const std::uint8_t* b, std::size_t n) override { return line_->Write(b, n); }
  void Purge(platform::PurgeSide side) override { line_->Purge(side); }
  std::size_t WaitForInput(std::size_t n, int ms) override { return line_->WaitForInput(n, ms); }
  bool WaitForDrain(int) override { return true; }
  void CancelWait() override { line_->CancelWait(); }

 private:
  std::shared_ptr<FakeLine> line_;
};

std::mutex g_linesMutex;
std::map<std::string, std::shared_ptr<FakeLine>> g_lines;

platform::OpenResult OpenFake(const std::string& name) {
  std::shared_ptr<FakeLine> line;
  {
    std::lock_guard<std::mutex> guard(g_linesMutex);
    auto found = g_lines.find(name);
    if (found != g_lines.end()) line = found->second;
  }
  if (!line) return platform::OpenResult{nullptr, platform::Error::NotFound, name};
  return line->Open();
}

// A guard against a test that would otherwise hang: far longer than any
// settling takes, and reported as a failure rather than waited out.
constexpr auto kSettleGuard = std::chrono::seconds(10);

}  // namespace

std::shared_ptr<FakeLine> FakeLine::Create() {
  auto line = std::make_shared<FakeLine>();
  platform::CurrentClock()->AddObserver(line);
  return line;
}

void FakeLine::Respond(const std::string& command, const std::string& reply, std::uint32_t delayMs) {
  std::lock_guard<std::mutex> guard(mutex_);
  responses_.push_back(Response{command, reply, delayMs});
}

void FakeLine::Deliver(const std::string& bytes, std::uint32_t delayMs) {
  std::lock_guard<std::mutex> guard(mutex_);
  pending_.push_back(Pending{platform::CurrentClock()->Now() + delayMs * 1000LL, bytes});
  ReleaseDueLocked();
}

void FakeLine::ArriveAfterDrain(const std::string& bytes) {
  std::lock_guard<std::mutex> guard(mutex_);
  arriveAfterDrain_ = bytes;
}

std::string FakeLine::Written() {
  std::lock_guard<std::mutex> guard(mutex_);
  return written_;
}
std::vector<platform::LineSettings> FakeLine::Applied() {
  std::lock_guard<std::mutex> guard(mutex_);
  return applied_;
}
int FakeLine::Purges() {
  std::lock_guard<std::mutex> guard(mutex_);
  return purges_;
}
int FakeLine::Opens() {
  std::lock_guard<std::mutex> guard(mutex_);
  return opens_;
}
std::size_t FakeLine::Waiting() {
  std::lock_guard<std::mutex> guard(mutex_);
  return input_.size();
}
bool FakeLine::SettleGaveUp() {
  std::lock_guard<std::mutex> guard(mutex_);
  return settleGaveUp_;
}
void FakeLine::SetHeld(bool held) {
  std::lock_guard<std::mutex> guard(mutex_);
  held_ = held;
}
void FakeLine::SetRefuseApply(bool refuse) {
  std::lock_guard<std::mutex> guard(mutex_);
  refuseApply_ = refuse;
}
void FakeLine::SetRefuseEveryOtherWrite(bool refuse) {
  std::lock_guard<std::mutex> guard(mutex_);
  refuseEveryOtherWrite_ = refuse;
}

platform::OpenResult FakeLine::Open() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (held_ || attached_) return platform::OpenResult{nullptr, platform::Error::Busy, "held"};
  attached_ = true;
  cancel_ = false;
  inFlight_ = false;
  ++opens_;
  return platform::OpenResult{std::make_unique<FakeDevice>(shared_from_this()), platform::Error::None, ""};
}

void FakeLine::Detach() {
  std::lock_guard<std::mutex> guard(mutex_);
  attached_ = false;
  inFlight_ = false;
  changed_.notify_all();
}

bool FakeLine::Apply(const platform::LineSettings& settings) {
  std::lock_guard<std::mutex> guard(mutex_);
  applied_.push_back(settings);
  return !refuseApply_;
}

std::size_t FakeLine::InputWaiting() {
  std::lock_guard<std::mutex> guard(mutex_);
  const std::size_t waiting = input_.size();
  if (waiting == 0 && inFlight_ && !arriveAfterDrain_.empty()) {
    input_ = std::move(arriveAfterDrain_);  // lands right after this answer
    arriveAfterDrain_.clear();
    changed_.notify_all();
  }
  return waiting;
}

std::size_t FakeLine::Read(std::uint8_t* buffer, std::size_t max) {
  std::lock_guard<std::mutex> guard(mutex_);
  const std::size_t count = std::min(max, input_.size());
  std::copy_n(input_.begin(), count, buffer);
  input_.erase(0, count);
  if (count > 0) inFlight_ = true;
  return count;
}

std::size_t FakeLine::Write(const std::uint8_t* bytes, std::size_t count) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (refuseEveryOtherWrite_ && (writeCalls_++ % 2) == 1) return 0;
  written_.append(reinterpret_cast<const char*>(bytes), count);
  MatchCommandsLocked();
  return count;
}

void FakeLine::Purge(platform::PurgeSide side) {
  std::lock_guard<std::mutex> guard(mutex_);
  ++purges_;
  if (side != platform::PurgeSide::Output) input_.clear();
}

std::size_t FakeLine::WaitForInput(std::size_t count, int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  inFlight_ = false;  // the watcher is back: what it took is in the ring
  changed_.notify_all();
  const platform::Micros until =
      timeoutMs < 0 ? platform::kNever : platform::CurrentClock()->Now() + timeoutMs * 1000LL;
  platform::CurrentClock()->WaitUntil(
      lock, changed_, until, [&] { return cancel_ || input_.size() >= count; }, false);
  cancel_ = false;
  return input_.size();
}

void FakeLine::CancelWait() {
  std::lock_guard<std::mutex> guard(mutex_);
  cancel_ = true;
  changed_.notify_all();
}

void FakeLine::TimeAdvanced() {
  std::lock_guard<std::mutex> guard(mutex_);
  ReleaseDueLocked();
}

void FakeLine::Settle() {
  std::unique_lock<std::mutex> lock(mutex_);
  const bool settled = changed_.wait_for(lock, kSettleGuard, [&] {
    return !attached_ || (input_.empty() && !inFlight_);
  });
  if (!settled) settleGaveUp_ = true;
}

void FakeLine::ReleaseDueLocked() {
  const platform::Micros now = platform::CurrentClock()->Now();
  std::stable_sort(pending_.begin(), pending_.end(),
                   [](const Pending& a, const Pending& b) { return a.due < b.due; });
  while (!pending_.empty() && pending_.front().due <= now) {
    input_ += pending_.front().bytes;
    pending_.erase(pending_.begin());
  }
  changed_.notify_all();
}

void FakeLine::MatchCommandsLocked() {
  for (const Response& response : responses_) {
    const std::string_view recent = std::string_view(written_).substr(matchedUpTo_);
    if (recent.ends_with(response.command)) {
      matchedUpTo_ = written_.size();
      pending_.push_back(Pending{platform::CurrentClock()->Now() + response.delayMs * 1000LL, response.reply});
      ReleaseDueLocked();
      return;
    }
  }
}

void AttachFakeLine(const std::string& id, std::shared_ptr<FakeLine> line) {
  static std::once_flag registered;
  std::call_once(registered, [] { platform::RegisterPortScheme("fake", OpenFake); });
  std::lock_guard<std::mutex> guard(g_linesMutex);
  g_lines["fake:" + id] = std::move(line);
}

}  // namespace testing_support
