// A paced whole upgrade by the Windows program under Wine against the same
// upgrade by the Linux program, on this machine: each upgrades a paced
// simulated Quorrel Apex on a pseudo-terminal (the Windows one through a COM
// port Wine maps to it), with the line shim preloaded into both so the
// simulated interface sees their line changes. Reports each one's wall time
// and its processor time as a share of the wall; the Windows program's
// includes the wine server's work during its run.
//
// Usage: quorrel_bench_wine_upgrade [WINDOWS_BUILD_DIR]   (default:
// build/windows of the source tree; it must hold wine-run and the
// programs, and `cmake --build --preset windows` makes them).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/pty_sim_bridge.h"
#include "support/wine_line_events.h"
#include "support/child_process.h"
#include "support/test_os.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kSimOptions = "model=Apex,serial=QRA3141592,paced=1";
constexpr int kComNumber = 31;
constexpr int kRunMs = 600'000;

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Processor seconds a process has used so far, from /proc; 0 when it is gone.
double ProcessCpuSeconds(long pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string skip;
  for (int i = 0; i < 11; ++i) fields >> skip;  // state .. cmajflt
  double user = 0;
  double system = 0;
  fields >> user >> system;
  return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The wine server of `prefix`: the process named so whose environment
// carries that prefix.
std::optional<long> WineServer(const std::string& prefix) {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream comm(entry.path() / "comm");
    std::string command;
    std::getline(comm, command);
    if (command.rfind("wineserver", 0) != 0) continue;
    std::ifstream environ(entry.path() / "environ", std::ios::binary);
    const std::string variables((std::istreambuf_iterator<char>(environ)), {});
    if (variables.find("WINEPREFIX=" + prefix + '\0') != std::string::npos) return std::stol(name);
  }
  return std::nullopt;
}

struct Figures {
  int status = -1;
  double wallSeconds = 0;
  double cpuSeconds = 0;
  double serverCpuSeconds = 0;  // the wine server's, part of cpuSeconds
  bool flashed = false;
};

// One paced upgrade on a fresh bridge: `argv` runs the program with `port`
// standing for the port name; environment entries come first.
Figures Upgrade(const std::vector<std::string>& environment, const std::vector<std::string>& program,
                const std::string& portFor, const std::string& scratch, const std::string& prefix) {
  e2etest::PtySimBridge bridge(kSimOptions);
  e2etest::WineLineEvents events(bridge, scratch + "/line-events");
  Figures figures;
  if (!bridge.ok() || !events.ok()) return figures;
  std::string port = bridge.PortName();
  if (!portFor.empty()) {
    const fs::path link = fs::path(prefix) / "dosdevices" / ("com" + std::to_string(kComNumber));
    fs::remove(link);
    fs::create_symlink(bridge.PortName(), link);
    port = portFor;
  }
  std::vector<std::string> argv{"/usr/bin/env", "LD_PRELOAD=" QUORREL_WINE_LINE_SHIM,
                                "QUORREL_SHIM_TTY=" + bridge.PortName(), "QUORREL_SHIM_EVENTS=" + events.SocketPath()};
  argv.insert(argv.end(), environment.begin(), environment.end());
  argv.insert(argv.end(), {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\" 2>&1",
                           (fs::path(QUORREL_SOURCE_DIR) / "data").string()});
  argv.insert(argv.end(), program.begin(), program.end());
  argv.insert(argv.end(), {"--port", port, "--image", "Image/Apex/QRA0203.mbl", "--lang", "1033"});

  const std::optional<long> server = prefix.empty() ? std::nullopt : WineServer(prefix);
  const double serverBefore = server ? ProcessCpuSeconds(*server) : 0;
  const double cpuBefore = ChildrenCpuSeconds();
  const double start = WallSeconds();
  std::string error;
  auto child = nettest::ChildProcess::Start(argv, &error);
  if (!child) {
    std::fprintf(stderr, "cannot start: %s\n", error.c_str());
    return figures;
  }
  figures.status = child->Wait(kRunMs).value_or(-1);
  figures.wallSeconds = WallSeconds() - start;
  while (child->ReadLine(100)) {
  }
  figures.serverCpuSeconds = server ? ProcessCpuSeconds(*server) - serverBefore : 0;
  figures.cpuSeconds = ChildrenCpuSeconds() - cpuBefore + figures.serverCpuSeconds;
  figures.flashed = bridge.Device().SerialNumber() == "QRA3141592" && figures.status == 0;
  if (figures.status != 0) std::fprintf(stderr, "%s\n", child->Transcript().c_str());
  return figures;
}

void Report(const char* which, const Figures& figures) {
  std::printf("  %-8s status %d, wall %6.2f s, processor %5.2f s (%.2f %% of the wall)", which, figures.status,
              figures.wallSeconds, figures.cpuSeconds, 100.0 * figures.cpuSeconds / figures.wallSeconds);
  if (figures.serverCpuSeconds > 0) std::printf(", of which the wine server %.2f s", figures.serverCpuSeconds);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path windows = argc > 1 ? fs::path(argv[1]) : fs::path(QUORREL_SOURCE_DIR) / "build/windows";
  const std::string run = (windows / "wine-run").string();
  const std::string exe = (windows / "src/cli/quorrel-upgrade.exe").string();
  const std::string prefix = (windows / "wine-prefix").string();
  if (!fs::exists(run) || !fs::exists(exe)) {
    std::fprintf(stderr, "no Windows build in %s: cmake --build --preset windows\n", windows.c_str());
    return 2;
  }
  const std::string scratch = testsupport::MakeScratchFolder("quorrel-bench-wine");
  // A first program brings the Wine session up; it is no part of the figures.
  std::system(("'" + run + "' '" + exe + "' --help >/dev/null 2>&1").c_str());

  std::printf("paced whole upgrade of a simulated Quorrel Apex on a pseudo-terminal:\n");
  // The Linux program's lock files go to the scratch folder, not /run/lock.
  const Figures onLinux = Upgrade({"QUORREL_LOCK_DIR=" + scratch}, {QUORREL_UPGRADE_PATH}, "", scratch, "");
  Report("Linux", onLinux);
  const Figures onWindows = Upgrade({}, {run, exe}, "COM" + std::to_string(kComNumber), scratch, prefix);
  Report("Windows", onWindows);
  fs::remove(fs::path(prefix) / "dosdevices" / ("com" + std::to_string(kComNumber)));
  fs::remove_all(scratch);
  if (!onLinux.flashed || !onWindows.flashed) {
    std::printf("an upgrade did not succeed: no figures\n");
    return 1;
  }
  std::printf("  Windows wall / Linux wall: %.3f (goal: at most 1.02); Windows processor share %.2f %% "
              "(goal: at most 1 %%)\n",
              onWindows.wallSeconds / onLinux.wallSeconds, 100.0 * onWindows.cpuSeconds / onWindows.wallSeconds);
  return 0;
}
