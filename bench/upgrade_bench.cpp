// A whole upgrade of a paced simulated Quorrel Apex through the dialog logic,
// on the real clock: File..., Upgrade, the worker's three phases and the
// closing timer. Reports the wall time against its bound (the fixed pauses
// the program sleeps, plus every byte's wire time at the line's baud rate,
// plus the device's own erase and programming time), the process's CPU time
// and its peak memory.
//
// Usage: quorrel_bench_upgrade [IMAGE.mbl]   (default: the first demo image
// of data/Image/Apex).

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/dialog_setup.h"
#include "i18n/language_table.h"
#include "bench_support.h"
#include "platform/clock.h"
#include "sim/sim_ports.h"
#include "support/recording_window.h"
#include "support/scoped_state_folder.h"
#include "wizard/upgrade_dialog.h"

namespace {

bench::LineMeter meter;

constexpr const char* kSimName = "sim:model=Apex,paced=1";
constexpr const char* kPort = "benchwire:apex";


// The real clock, adding up the pauses the program asks for.
class PauseCountingClock final : public platform::Clock {
 public:
  platform::Micros Now() override { return real_->Now(); }
  void SleepUntil(platform::Micros until) override {
    slept_ += std::max<platform::Micros>(0, until - real_->Now());
    real_->SleepUntil(until);
  }
  void IdlePause(std::uint32_t ms) override { real_->IdlePause(ms); }
  bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, platform::Micros until,
                 const std::function<bool()>& ready, bool foreground) override {
    return real_->WaitUntil(lock, cv, until, ready, foreground);
  }
  void AddObserver(std::weak_ptr<platform::TimeObserver> observer) override { real_->AddObserver(observer); }
  double SleptSeconds() const { return static_cast<double>(slept_.load()) / 1e6; }

 private:
  std::shared_ptr<platform::Clock> real_ = platform::MakeRealClock();
  std::atomic<platform::Micros> slept_{0};
};




}  // namespace

int main(int argc, char** argv) {
  const std::string image = argc > 1 ? argv[1] : bench::DefaultImage();
  if (image.empty()) {
    std::fprintf(stderr, "no image: pass one, or generate the demo images into data/Image/Apex\n");
    return 2;
  }
  // The upgrade's journal goes to a folder of the benchmark's own.
  const testing_support::ScopedStateFolder stateFolder;
  auto clock = std::make_shared<PauseCountingClock>();
  platform::ScopedClock installed(clock);
  bench::RegisterMeteredSimPort("benchwire:", kSimName, meter);
  const auto device = sim::FindSimInterface(kSimName);
  const std::string serialBefore = device->SerialNumber();

  i18n::LanguageTable table(65001);
  table.Load(QUORREL_SOURCE_DIR "/data/", 1033);
  const wizard::DialogContext context = app::MakeDialogContext(
      app::Layout{QUORREL_SOURCE_DIR "/data/", QUORREL_SOURCE_DIR "/data/PATCH.TXT"}, table, wizard::DialogOptions{});

  wizard::testing::RecordingWindow host;
  wizard::UpgradeDialog dialog(host, context);
  const double wallStart = static_cast<double>(clock->Now()) / 1e6;
  const double cpuStart = bench::CpuSeconds();
  host.Start(dialog);
  host.SelectPort(kPort);
  host.AnswerChooser(image);
  host.Click(1001);
  host.Click(1008);
  host.WaitForWorker();
  const bool succeeded = dialog.LastUpgrade() == wizard::UpgradeOutcome::Succeeded;
  if (succeeded) host.RunUntilEnded();
  const double wall = static_cast<double>(clock->Now()) / 1e6 - wallStart;
  const double cpu = bench::CpuSeconds() - cpuStart;

  const double flash = static_cast<double>(device->FlashBusyTime()) / 1e6;
  const double bound = clock->SleptSeconds() + meter.wireSeconds.load() + flash;
  std::printf("image                 %s (%lld bytes)\n", image.c_str(),
              static_cast<long long>(std::filesystem::file_size(image)));
  std::printf("upgrade               %s, serial number %s -> %s\n", succeeded ? "succeeded" : "FAILED",
              serialBefore.c_str(), device->SerialNumber().c_str());
  std::printf("wall time             %8.2f s\n", wall);
  std::printf("  fixed pauses        %8.2f s\n", clock->SleptSeconds());
  std::printf("  wire time           %8.2f s\n", meter.wireSeconds.load());
  std::printf("  flash busy          %8.2f s\n", flash);
  std::printf("  bound               %8.2f s (wall / bound %.3f)\n", bound, wall / bound);
  std::printf("CPU time              %8.2f s (%.1f %% of wall)\n", cpu, 100.0 * cpu / wall);
  std::printf("peak memory           %8ld KiB\n", bench::PeakKilobytes());
  return succeeded && device->SerialNumber() == serialBefore ? 0 : 1;
}
