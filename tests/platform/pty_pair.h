#pragma once
// A pseudo-terminal pair for tests of the tty data path: the test plays the
// interface on the master side; the program opens the slave path. Waits are
// bounded polls for a condition, never fixed sleeps.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace testing_support {

class PtyPair {
 public:
  PtyPair() {
    // Never handed to a program a test starts: it would keep the line up
    // after the test hangs it up.
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    const char* name = ::ptsname(master_);
    if (name != nullptr) slavePath_ = name;
  }
  ~PtyPair() {
    if (master_ >= 0) ::close(master_);
  }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return master_ >= 0 && !slavePath_.empty(); }
  int masterFd() const { return master_; }
  // The cable goes: the program's end hangs up (reads and writes fail).
  void HangUp() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  const std::string& slavePath() const { return slavePath_; }

  // The interface sends.
  bool Send(const std::string& bytes) {
    std::size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + kGuard;
    while (done < bytes.size() && std::chrono::steady_clock::now() < deadline) {
      const ssize_t put = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (put > 0) done += static_cast<std::size_t>(put);
      else WaitReady(POLLOUT);
    }
    return done == bytes.size();
  }

  // What the program sent, once `count` bytes have come (or the guard passed).
  std::string Receive(std::size_t count) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + kGuard;
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      char buffer[256];
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
      else WaitReady(POLLIN);
    }
    return got;
  }

  // What the program sent so far, without waiting.
  std::string Pending() {
    std::string got;
    char buffer[256];
    for (ssize_t n; (n = ::read(master_, buffer, sizeof buffer)) > 0;) got.append(buffer, static_cast<std::size_t>(n));
    return got;
  }

  // Polls `condition` until it holds or the guard passes.
  static bool Eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kGuard;
    while (!condition()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

 private:
  static constexpr std::chrono::seconds kGuard{10};
  void WaitReady(short events) {
    pollfd fd{master_, events, 0};
    ::poll(&fd, 1, 10);
  }

  int master_ = -1;
  std::string slavePath_;
};

}  // namespace testing_support
