// A gang run of paced simulated Quorrel Apex interfaces in one process, on
// the real clock, through the terminal front end's gang session: one device
// alone first, then N at once. Reports the gang's wall time against the one
// device's (the goal: within 1.05 times), the CPU time per device and the
// process's peak memory.
//
// Usage: quorrel_bench_gang [DEVICES]   (default 64)

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "cli/console_session.h"
#include "cli/exit_codes.h"
#include "platform/clock.h"
#include "sim/sim_ports.h"
#include "support/scoped_state_folder.h"

namespace {

namespace fs = std::filesystem;

// The gang's devices, each a simulated interface of its own.
std::vector<std::string> Ports(int count, int first) {
  std::vector<std::string> ports;
  for (int i = 0; i < count; ++i) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "QRA%07d", first + i);
    ports.push_back(std::string("sim:model=Apex,paced=1,serial=") + serial);
  }
  return ports;
}

struct Measure {
  double wall = 0;
  double cpu = 0;
  int code = -1;
};

Measure Run(const std::vector<std::string>& ports, const std::string& image) {
  cli::Options options;
  options.ports = ports;
  options.image = image;
  options.languageId = 1033;
  std::FILE* out = std::fopen("/dev/null", "w");
  const double cpuStart = bench::CpuSeconds();
  const platform::Micros start = platform::CurrentClock()->Now();
  Measure measure;
  measure.code = cli::RunConsoleUpgrade(options, cli::ConsoleStreams{out, out, false});
  measure.wall = static_cast<double>(platform::CurrentClock()->Now() - start) / 1e6;
  measure.cpu = bench::CpuSeconds() - cpuStart;
  std::fclose(out);
  return measure;
}

}  // namespace

int main(int argc, char** argv) {
  const int devices = argc > 1 ? std::atoi(argv[1]) : 64;
  if (devices < 1) {
    std::fprintf(stderr, "usage: quorrel_bench_gang [DEVICES]\n");
    return 2;
  }
  fs::current_path(fs::path(QUORREL_SOURCE_DIR) / "data");
  // The upgrades' journal goes to a folder of the benchmark's own.
  const testing_support::ScopedStateFolder stateFolder;
  const std::string image = bench::DefaultImage();
  sim::RegisterSimPorts();

  const Measure alone = Run(Ports(1, 1), image);
  const Measure gang = Run(Ports(devices, 1000), image);
  if (alone.code != cli::kExitSuccess || gang.code != cli::kExitSuccess) {
    std::fprintf(stderr, "gang bench: a run failed (alone %d, gang %d)\n", alone.code, gang.code);
    return 1;
  }
  std::printf("image                %s\n", image.c_str());
  std::printf("one device alone     %.2f s wall, %.3f s CPU\n", alone.wall, alone.cpu);
  std::printf("%3d devices at once  %.2f s wall (%.3f times one alone; goal 1.05)\n", devices, gang.wall,
              gang.wall / alone.wall);
  std::printf("CPU per device       %.3f s (%.2f %% of its wall time)\n", gang.cpu / devices,
              100.0 * gang.cpu / devices / gang.wall);
  std::printf("peak memory          %.1f MiB (%.0f KiB per device)\n", bench::PeakKilobytes() / 1024.0,
              static_cast<double>(bench::PeakKilobytes()) / devices);
  return 0;
}
