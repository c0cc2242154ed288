// The Windows program, run under Wine, upgrading simulated interfaces on
// this machine: over a network serial port served by the Linux quorrel-sim,
// and through the Windows serial backend on a COM port that Wine maps to a
// pseudo-terminal bridged to the simulated interface (a preloaded shim keeps
// the modem lines and parity a pseudo-terminal drops, and refuses writes now
// and then). What the device holds afterwards is read from the device itself.
//
// The Windows build registers these with its own ctest and tells where its
// programs are: QUORREL_WINE_RUN (the build's Wine runner),
// QUORREL_WINE_UPGRADE (quorrel-upgrade.exe) and QUORREL_WINE_PREFIX.

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "support/pty_sim_bridge.h"
#include "support/wine_line_events.h"
#include "sim/sim_interface.h"
#include "support/child_process.h"
#include "support/image_bytes.h"
#include "support/test_os.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";
const std::string kImage = "Image\\Apex\\QRA0203.mbl";
// A whole upgrade at the simulated interface's own speed, with Wine's start.
constexpr int kRunMs = 180'000;
// The loader's write-block command: programming has begun.
constexpr std::uint8_t kLoaderWrite = 0x12;

std::string Setting(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// The image's bytes, each at its address of `flash`.
bool HoldsImage(const std::vector<std::uint8_t>& flash) {
  for (const auto& [address, value] : testsupport::ReadImageBytes((kData / "Image/Apex/QRA0203.mbl").string())) {
    if (address >= flash.size() || flash[address] != value) return false;
  }
  return true;
}

bool HoldsImage(const sim::SimInterface& device) { return HoldsImage(device.ReadMemory(0, 65536)); }

class WineUpgrade : public ::testing::Test {
 protected:
  void SetUp() override {
    run_ = Setting("QUORREL_WINE_RUN");
    upgrade_ = Setting("QUORREL_WINE_UPGRADE");
    prefix_ = Setting("QUORREL_WINE_PREFIX");
    ASSERT_FALSE(run_.empty() || upgrade_.empty() || prefix_.empty())
        << "run these from the Windows build's ctest, which names its programs";
    scratch_ = testsupport::MakeScratchFolder("quorrel-wine");
    ASSERT_FALSE(scratch_.empty());
  }
  void TearDown() override {
    for (const fs::path& link : links_) fs::remove(link);
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
  }

  // Maps COM`number` of the Wine prefix to `device` for this test.
  std::string MapComPort(int number, const std::string& device) {
    const fs::path link = fs::path(prefix_) / "dosdevices" / ("com" + std::to_string(number));
    fs::remove(link);
    fs::create_symlink(device, link);
    links_.push_back(link);
    return "COM" + std::to_string(number);
  }

  // quorrel-upgrade.exe under Wine in the data folder, standard error into
  // the transcript; `environment` goes before the runner ("NAME=value").
  std::unique_ptr<nettest::ChildProcess> StartUpgrade(const std::vector<std::string>& environment,
                                                      const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"/usr/bin/env"};
    argv.insert(argv.end(), environment.begin(), environment.end());
    argv.insert(argv.end(), {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\" 2>&1", kData.string(), run_, upgrade_});
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string error;
    auto child = nettest::ChildProcess::Start(argv, &error);
    EXPECT_TRUE(child) << error;
    return child;
  }

  // A simulated interface on a pseudo-terminal that Wine maps to COM`number`.
  struct ComLine {
    ComLine(const std::string& simOptions, const std::string& eventsPath)
        : bridge(simOptions), events(bridge, eventsPath) {}
    e2etest::PtySimBridge bridge;
    e2etest::WineLineEvents events;
    std::string com;
  };
  std::unique_ptr<ComLine> PlugIn(const std::string& simOptions, int number) {
    auto line = std::make_unique<ComLine>(simOptions, scratch_ + "/line-events-" + std::to_string(number));
    EXPECT_TRUE(line->bridge.ok() && line->events.ok());
    line->com = MapComPort(number, line->bridge.PortName());
    return line;
  }

  // quorrel-upgrade.exe upgrading the interface on `line`, with the shim
  // preloaded (refusing every `refuseEvery`th write, or none for 0).
  std::unique_ptr<nettest::ChildProcess> StartComUpgrade(const ComLine& line, int refuseEvery) {
    return StartUpgrade({"LD_PRELOAD=" QUORREL_WINE_LINE_SHIM, "QUORREL_SHIM_TTY=" + line.bridge.PortName(),
                         "QUORREL_SHIM_EVENTS=" + line.events.SocketPath(),
                         "QUORREL_SHIM_REFUSE_EVERY=" + std::to_string(refuseEvery),
                         "QUORREL_SHIM_REFUSALS=" + RefusalsFile()},
                        {"--port", line.com, "--image", kImage, "--lang", "1033"});
  }
  std::string RefusalsFile() const { return scratch_ + "/refusals"; }

  static void Drain(nettest::ChildProcess& child) {
    while (child.ReadLine(1'000)) {
    }
  }

  std::string run_, upgrade_, prefix_, scratch_;
  std::vector<fs::path> links_;
};

TEST_F(WineUpgrade, UpgradesQuorrelSimOverANetworkPort) {
  const fs::path memory = fs::path(scratch_) / "memory.bin";
  const fs::path serial = fs::path(scratch_) / "serial.txt";
  std::string error;
  auto server = nettest::ChildProcess::Start({QUORREL_SIM_PATH, "--sim", "model=Apex,serial=QRA3141592",
                                              "--dump-memory", memory.string(), "--dump-serial", serial.string()},
                                             &error);
  ASSERT_TRUE(server) << error;
  const auto port = server->ReadLine(10'000);
  ASSERT_TRUE(port) << server->Transcript();

  auto upgrade = StartUpgrade({}, {"--port", "rfc2217://127.0.0.1:" + *port, "--image", kImage, "--lang", "1033"});
  ASSERT_TRUE(upgrade);
  EXPECT_EQ(upgrade->Wait(kRunMs), cli::kExitSuccess);
  Drain(*upgrade);
  server->Signal(SIGTERM);
  ASSERT_TRUE(server->Wait(10'000).has_value());

  const std::string flash = ReadFile(memory);
  ASSERT_EQ(flash.size(), 65536u) << upgrade->Transcript();
  EXPECT_TRUE(HoldsImage(std::vector<std::uint8_t>(flash.begin(), flash.end()))) << upgrade->Transcript();
  EXPECT_EQ(ReadFile(serial).substr(0, 10), "QRA3141592");
}

// COM21 has five characters: it is opened as \\.\COM21. Writes refused now
// and then (every third one) lose no byte: every frame reaches the loader
// whole.
TEST_F(WineUpgrade, UpgradesThroughAComPortWithWritesRefusedNowAndThen) {
  const auto line = PlugIn("model=Apex,serial=QRA2718281", 21);
  auto upgrade = StartComUpgrade(*line, 3);
  ASSERT_TRUE(upgrade);
  EXPECT_EQ(upgrade->Wait(kRunMs), cli::kExitSuccess);
  Drain(*upgrade);
  sim::SimInterface& device = line->bridge.Device();
  EXPECT_TRUE(HoldsImage(device)) << upgrade->Transcript();
  EXPECT_EQ(device.SerialNumber(), "QRA2718281") << upgrade->Transcript();
  EXPECT_GT(line->events.Heard(), 10);  // the reset sequences' line changes reached the device
  EXPECT_GT(ReadFile(RefusalsFile()).size(), 20u);  // and the writes were refused now and then
  for (const sim::LoaderCommand& command : device.LoaderCommands()) EXPECT_NE(command.reply, 0xA0);
}

TEST_F(WineUpgrade, ASecondRunOnAHeldComPortIsRefusedAtOnce) {
  // A paced device keeps the first run busy for most of a minute.
  const auto line = PlugIn("model=Apex,serial=QRA1732050,paced=1", 22);
  auto first = StartComUpgrade(*line, 0);
  ASSERT_TRUE(first);
  // Held from its start; the second comes once the first is talking.
  for (int waited = 0; line->events.Heard() == 0 && waited < 60'000; waited += 50) first->Wait(50);
  ASSERT_GT(line->events.Heard(), 0) << first->Transcript();

  auto second = StartUpgrade({}, {"--port", line->com, "--image", kImage, "--lang", "1033"});
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Wait(30'000), cli::kExitPortHeld);
  Drain(*second);
  EXPECT_NE(second->Transcript().find("held by process"), std::string::npos) << second->Transcript();
  EXPECT_NE(second->Transcript().find("quorrel-upgrade.exe"), std::string::npos) << second->Transcript();
  EXPECT_FALSE(first->Wait(0).has_value()) << "the first run went on meanwhile";
}

// The adapter pulled out while the erase frames go out: the run ends as
// with a silent device, and says once which device went.
TEST_F(WineUpgrade, AnAdapterPulledOutDuringTheEraseEndsAsASilentDeviceAndSaysSo) {
  const auto line = PlugIn("model=Apex,serial=QRA1414213", 24);
  auto upgrade = StartComUpgrade(*line, 0);
  ASSERT_TRUE(upgrade);
  sim::SimInterface& device = line->bridge.Device();
  for (int waited = 0; device.LoaderCommands().size() < 2 && waited < kRunMs; waited += 5) upgrade->Wait(5);
  line->bridge.PullOut();
  EXPECT_EQ(upgrade->Wait(kRunMs), cli::kExitEraseFailed);
  Drain(*upgrade);
  const std::string& transcript = upgrade->Transcript();
  const std::string gone = "the device " + line->com + " disappeared";
  const std::size_t named = transcript.find(gone);
  EXPECT_NE(named, std::string::npos) << transcript;
  EXPECT_EQ(transcript.find(gone, named + 1), std::string::npos) << transcript;  // said once
  EXPECT_EQ(transcript.find("refused the line settings"), std::string::npos) << transcript;
  EXPECT_LT(device.LoaderCommands().size(), 20u);  // not every erase frame arrived
}

// Ctrl-C (which Wine makes of an interrupt) in the middle of programming:
// the block under way is finished and the run ends with what recovery needs.
TEST_F(WineUpgrade, CtrlCInTheLoaderEndsWithTheSerialNumberForRecovery) {
  const auto line = PlugIn("model=Apex,serial=QRA1414213,paced=1", 23);
  auto upgrade = StartComUpgrade(*line, 0);
  ASSERT_TRUE(upgrade);
  sim::SimInterface& device = line->bridge.Device();
  const auto programming = [&] {
    for (const sim::LoaderCommand& command : device.LoaderCommands()) {
      if (command.command == kLoaderWrite) return true;
    }
    return false;
  };
  for (int waited = 0; !programming() && waited < kRunMs; waited += 50) upgrade->Wait(50);
  ASSERT_TRUE(programming());
  upgrade->Signal(SIGINT);
  EXPECT_EQ(upgrade->Wait(60'000), cli::kExitStoppedInLoader);
  Drain(*upgrade);
  EXPECT_NE(upgrade->Transcript().find("--recovery --serial QRA1414213"), std::string::npos) << upgrade->Transcript();
  EXPECT_FALSE(HoldsImage(device));  // stopped before the end, as it says
}

}  // namespace
