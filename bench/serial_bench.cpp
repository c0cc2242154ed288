// Figures of the serial port on a pseudo-terminal, on the real clock:
//  - how long Close takes while the watcher waits for input;
//  - processor time the watcher spends while nothing arrives (it must block,
//    not poll);
//  - how fast received bytes reach the ring, and that none are lost;
//  - how fast Write hands bytes over one at a time.

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/pty_pair.h"
#include "serial/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::PtyPair;

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

bool CloseLatency(const PtyPair& pty) {
  std::vector<double> samples;
  serial::SerialPort port;
  for (int i = 0; i < 200; ++i) {
    if (!port.Open(pty.slavePath(), 115200)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));  // let the watcher block
    const auto start = Clock::now();
    port.Close();
    samples.push_back(Micros(Clock::now() - start));
  }
  std::sort(samples.begin(), samples.end());
  std::printf("close while waiting: median %.0f us, 99th %.0f us, max %.0f us (200 closes)\n",
              samples[100], samples[198], samples.back());
  return true;
}

bool IdleCpu(const PtyPair& pty) {
  serial::SerialPort port;
  if (!port.Open(pty.slavePath(), 115200)) return false;
  const double before = ProcessCpuSeconds();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const double used = ProcessCpuSeconds() - before;
  port.Close();
  std::printf("idle watcher: %.2f ms of processor time per second\n", used * 1000.0);
  return true;
}

bool ReceiveThroughput(PtyPair& pty) {
  serial::SerialPort port;
  if (!port.Open(pty.slavePath(), 115200)) return false;
  constexpr std::size_t kTotal = 1 << 20;
  std::string block(256, '\0');
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i);
  std::atomic<bool> sent{false};
  const auto start = Clock::now();
  std::thread sender([&] {
    for (std::size_t done = 0; done < kTotal; done += block.size()) pty.Send(block);
    sent = true;
  });
  std::size_t received = 0;
  std::size_t misplaced = 0;
  const auto deadline = Clock::now() + std::chrono::seconds(60);
  while (received < kTotal && Clock::now() < deadline) {
    if (!port.HasReceived()) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    while (port.HasReceived()) {
      if (port.ReadReceivedByte() != static_cast<std::uint8_t>(received % 256)) ++misplaced;
      ++received;
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  sender.join();
  port.Close();
  std::printf("receive: %zu of %zu bytes in %.2f s (%.1f MB/s), %zu out of order\n", received, kTotal,
              seconds, static_cast<double>(received) / seconds / 1e6, misplaced);
  return received == kTotal && misplaced == 0;
}

bool WriteRate(PtyPair& pty) {
  serial::SerialPort port;
  if (!port.Open(pty.slavePath(), 115200)) return false;
  constexpr std::size_t kTotal = 64 * 1024;
  std::string bytes(kTotal, 'w');
  std::size_t got = 0;
  std::thread reader([&] { got = pty.Receive(kTotal).size(); });
  const auto start = Clock::now();
  port.Write(bytes);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  reader.join();
  port.Close();
  std::printf("write: %zu bytes handed over one at a time in %.3f s (%.0f bytes/ms), %zu arrived\n", kTotal,
              seconds, static_cast<double>(kTotal) / seconds / 1000.0, got);
  return true;
}

}  // namespace

int main() {
  PtyPair pty;
  if (!pty.ok()) {
    std::fprintf(stderr, "serial bench: no pseudo-terminal\n");
    return 1;
  }
  const bool ok = CloseLatency(pty) && IdleCpu(pty) && ReceiveThroughput(pty) && WriteRate(pty);
  return ok ? 0 : 1;
}
