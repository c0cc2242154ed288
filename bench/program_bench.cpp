// Programs an image into the simulated interface with wire pacing on, on the
// real clock, and reports the wall time of the file run against its bound:
// every byte sent and received at 11 bits (start, 8 data, parity, stop) at
// 9600 baud, plus the device's own erase and programming time. Also reports
// the process's CPU time, which should stay a small share of the wall time
// because the link waits in the device's readiness wait instead of spinning.
//
// Usage: quorrel_bench_program [IMAGE.mbl]   (default: the first demo image
// of data/Image/Apex).

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bootloader/boot_loader.h"
#include "support/image_bytes.h"
#include "bench_support.h"
#include "platform/clock.h"
#include "sim/sim_ports.h"

namespace {

bench::LineMeter meter;

constexpr const char* kSimName = "sim:model=Apex,paced=1";
constexpr const char* kPort = "benchcount:apex";



double Seconds() { return static_cast<double>(platform::CurrentClock()->Now()) / 1e6; }


bool Step(const char* what, int result) {
  if (result == bootloader::kOk) return true;
  std::fprintf(stderr, "%s failed with result %d\n", what, result);
  return false;
}

// The device's memory against the file's bytes.
bool DeviceHoldsImage(const std::string& image) {
  const auto device = sim::FindSimInterface(kSimName);
  for (const auto& [address, value] : testsupport::ReadImageBytes(image)) {
    if (device->ReadMemory(address, 1).at(0) != value) {
      std::fprintf(stderr, "device differs from the image at %04X\n", address);
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string image = argc > 1 ? argv[1] : bench::DefaultImage();
  if (image.empty()) {
    std::fprintf(stderr, "no image: pass one, or generate the demo images into data/Image/Apex\n");
    return 2;
  }
  bench::RegisterMeteredSimPort("benchcount:", kSimName, meter);
  const auto device = sim::FindSimInterface(kSimName);

  bootloader::BootLoader boot(nullptr);
  if (!Step("Open", boot.Open(kPort, 300, 4))) return 1;
  boot.Reset(true);
  for (int i = 0; i < 20; ++i) {
    if (!Step("Mass erase", boot.Command(bootloader::kCmdMassErase, bootloader::kMassEraseAddress,
                                         bootloader::kMassEraseLength, nullptr, boot.replyData.data()))) {
      return 1;
    }
  }
  if (!Step("Password", boot.SendPassword())) return 1;

  const std::uint64_t sent0 = meter.sent;
  const std::uint64_t received0 = meter.received;
  const double wire0 = meter.wireSeconds;
  const platform::Micros busy0 = device->FlashBusyTime();
  const double cpu0 = bench::CpuSeconds();
  const double wall0 = Seconds();
  const int result = boot.ProgramFile(image, bootloader::kActionProgram);
  const double wall = Seconds() - wall0;
  const double cpu = bench::CpuSeconds() - cpu0;
  const std::uint64_t sent = meter.sent - sent0;
  const std::uint64_t received = meter.received - received0;
  const double wire = meter.wireSeconds - wire0;
  const double flash = static_cast<double>(device->FlashBusyTime() - busy0) / 1e6;
  boot.Finish();
  if (!Step("ProgramFile", result)) return 1;
  const bool whole = DeviceHoldsImage(image);

  const double bound = wire + flash;
  std::printf("image           %s (%d characters)\n", image.c_str(), boot.bytesRead());
  std::printf("bytes           %llu sent, %llu received\n", static_cast<unsigned long long>(sent),
              static_cast<unsigned long long>(received));
  std::printf("bound           %.3f s (wire %.3f s + flash %.3f s)\n", bound, wire, flash);
  std::printf("wall            %.3f s (%+.2f%% of the bound; aim: within 2%%)\n", wall, (wall / bound - 1) * 100);
  std::printf("cpu             %.3f s (%.2f%% of wall; aim: under 5%%)\n", cpu, cpu / wall * 100);
  std::printf("device content  %s\n", whole ? "equals the image" : "DIFFERS from the image");
  return whole ? 0 : 1;
}
