// A run killed outright in the middle of programming (no signal handler can
// help) against an interface that quorrel-sim serves over the network, so
// the device outlives every client: the next runs on it find the journal. A
// normal run names the run that left the device in its loader and the
// recovery command, and records it; a recovery given no serial number writes
// the device's own number back.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/durable_file.h"
#include "platform/install_paths.h"
#include "support/child_process.h"
#include "support/image_bytes.h"
#include "support/json_line.h"
#include "wizard/test_support.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// An application of some seventeen blocks: at 9600 baud its programming
// takes about five seconds of wire time, so a kill a few seconds in lands
// in the middle of it.
wizard::testing::Segments LongApplication() {
  std::vector<std::uint8_t> code(4000);
  for (std::size_t i = 0; i < code.size(); ++i) code[i] = static_cast<std::uint8_t>(i * 7 + 3);
  std::vector<std::uint8_t> vectors(32, 0xC0);
  vectors[30] = 0x00;  // reset vector C000, low byte first
  vectors[31] = 0xC0;
  return {{0xC000, code}, {0xFFE0, vectors}};
}

class KilledRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "quorrel-killed-XXXXXX").string();
    work_ = ::mkdtemp(pattern.data());
    fs::create_directories(work_ / "base/Lang");
    fs::create_directories(work_ / "base/Image/Apex");
    fs::create_directories(work_ / "lock");
    fs::copy_file(fs::path(QUORREL_SOURCE_DIR) / "data/Lang/1033.txt", work_ / "base/Lang/1033.txt");
    image_ = (work_ / "base/Image/Apex/QRA0900.mbl").string();
    wizard::testing::WriteImageFile(image_, LongApplication());
    ::setenv("QUORREL_LOCK_DIR", (work_ / "lock").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("QUORREL_LOCK_DIR");
    fs::remove_all(work_);
  }

  // quorrel-upgrade in the base folder, its standard error kept in a file.
  std::unique_ptr<nettest::ChildProcess> Upgrade(std::vector<std::string> args) {
    std::vector<std::string> argv = {"/bin/sh", "-c", "cd \"$1\" && shift && exec \"$@\" 2>\"$0\"",
                                     (work_ / "err.txt").string(), (work_ / "base").string(), QUORREL_UPGRADE_PATH,
                                     "--port", port_, "--image", image_, "--lang", "1033"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string error;
    auto child = nettest::ChildProcess::Start(argv, &error);
    EXPECT_TRUE(child) << error;
    return child;
  }
  bool WaitForANote(int timeoutMs) const {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
      if (!platform::ListFiles(journal_, ".note").empty()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  static int Finish(nettest::ChildProcess& child) {
    while (child.ReadLine(1'000)) {
    }
    return child.Wait(120'000).value_or(-1);
  }

  fs::path work_;
  std::string image_;
  std::string port_;
  const std::string journal_ = platform::UserStateFolder();
};

TEST_F(KilledRun, ThenARecoveryWithNoSerialNumberLeavesTheDeviceWithItsOwnNumber) {
  std::string error;
  auto server = nettest::ChildProcess::Start(
      {QUORREL_SIM_PATH, "--sim", "model=Apex,serial=QRA3141592,paced=1", "--dump-memory",
       (work_ / "memory.bin").string(), "--dump-serial", (work_ / "serial.txt").string()},
      &error);
  ASSERT_TRUE(server) << error;
  const auto listening = server->ReadLine(10'000);
  ASSERT_TRUE(listening) << server->Transcript();
  port_ = "rfc2217://127.0.0.1:" + *listening;

  auto killed = Upgrade({});
  ASSERT_TRUE(killed);
  ASSERT_TRUE(WaitForANote(60'000)) << killed->Transcript();
  // The link opens, the reset and the erase take two seconds or so; then the blocks go.
  std::this_thread::sleep_for(std::chrono::milliseconds(4'000));
  killed->Signal(SIGKILL);
  ASSERT_EQ(killed->Wait(10'000), 128 + SIGKILL);

  // The firmware is gone: a normal run names the run that left it so.
  auto normal = Upgrade({"--report", (work_ / "report.jsonl").string()});
  ASSERT_TRUE(normal);
  EXPECT_EQ(Finish(*normal), 3) << ReadFile(work_ / "err.txt");
  const std::string said = ReadFile(work_ / "err.txt");
  EXPECT_NE(said.find("QRA3141592"), std::string::npos) << said;
  EXPECT_NE(said.find("quorrel-upgrade --recovery --port " + port_ + " --image " + image_), std::string::npos) << said;
  std::ifstream report(work_ / "report.jsonl");
  std::string line;
  ASSERT_TRUE(std::getline(report, line));
  const auto record = testing_support::ParseJsonLine(line);
  ASSERT_TRUE(record) << line;
  EXPECT_EQ(std::get<std::string>(record->at("outcome")), "interrupted");
  EXPECT_EQ(std::get<std::string>(record->at("serial_read")), "QRA3141592");

  auto recovery = Upgrade({"--recovery"});
  ASSERT_TRUE(recovery);
  EXPECT_EQ(Finish(*recovery), 0) << recovery->Transcript() << ReadFile(work_ / "err.txt");
  EXPECT_NE(recovery->Transcript().find("QRA3141592 comes from the journal"), std::string::npos)
      << recovery->Transcript();
  EXPECT_TRUE(platform::ListFiles(journal_, ".note").empty());

  server->Signal(SIGTERM);
  ASSERT_TRUE(server->Wait(10'000).has_value());
  EXPECT_EQ(ReadFile(work_ / "serial.txt").substr(0, 10), "QRA3141592");
  const std::string memory = ReadFile(work_ / "memory.bin");
  ASSERT_EQ(memory.size(), 65536u);
  for (const auto& [address, value] : testsupport::ReadImageBytes(image_)) {
    ASSERT_EQ(static_cast<std::uint8_t>(memory[address]), value) << "at " << address;
  }
}

}  // namespace
