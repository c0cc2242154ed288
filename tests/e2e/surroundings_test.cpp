// Whole runs whose surroundings fail them: a reader of the output that goes
// away, standard streams closed at the start, a record file that another
// process keeps locked. The device and its record come first every time.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/file_descriptor.h"
#include "support/child_process.h"
#include "support/json_line.h"

namespace {

namespace fs = std::filesystem;
using testing_support::JsonObject;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";
constexpr const char* kImage = "Image/Apex/QRA0203.mbl";
// The English status line once the loader's link is up: programming begins.
constexpr const char* kLoaderReady = "Boot-loader connection ready.";
constexpr int kRunMs = 120'000;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

std::string Field(const JsonObject& record, const std::string& name) {
  const auto* text = std::get_if<std::string>(&record.at(name));
  return text ? *text : std::string("(not a text)");
}

class Surroundings : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("quorrel-surroundings-" + std::to_string(::getpid()));
    fs::remove_all(work_);
    fs::create_directories(work_ / "locks");
    ::setenv("QUORREL_LOCK_DIR", (work_ / "locks").c_str(), 1);
    report_ = work_ / "records.jsonl";
  }
  void TearDown() override {
    server_.reset();
    ::unsetenv("QUORREL_LOCK_DIR");
    fs::remove_all(work_);
  }

  // quorrel-sim serving one interface; its port name for quorrel-upgrade.
  std::string ServeSim(const std::string& options) {
    std::string error;
    server_ = nettest::ChildProcess::Start({QUORREL_SIM_PATH, "--sim", options, "--dump-serial",
                                            (work_ / "serial.txt").string()},
                                           &error);
    if (!server_) return {};
    const auto port = server_->ReadLine(10'000);
    return port ? "rfc2217://127.0.0.1:" + *port : std::string();
  }
  // The serial number the server's device holds once it has ended.
  std::string ServedSerial() {
    server_->Signal(SIGTERM);
    server_->Wait(10'000);
    return ReadFile(work_ / "serial.txt").substr(0, 10);
  }

  // quorrel-upgrade on `port` with a record, started in the data tree through
  // the shell, which applies `redirections` first.
  std::unique_ptr<nettest::ChildProcess> StartUpgrade(const std::string& port, const std::string& redirections,
                                                      std::vector<std::string> more = {}) {
    std::vector<std::string> argv = {"/bin/sh", "-c", "exec \"$0\" \"$@\" " + redirections, QUORREL_UPGRADE_PATH,
                                     "--port", port, "--image", kImage, "--lang", "1033", "--report",
                                     report_.string()};
    argv.insert(argv.end(), more.begin(), more.end());
    const fs::path previous = fs::current_path();
    fs::current_path(kData);
    std::string error;
    auto child = nettest::ChildProcess::Start(argv, &error);
    fs::current_path(previous);
    EXPECT_TRUE(child) << error;
    return child;
  }

  static bool ReadUntil(nettest::ChildProcess& child, const std::string& text) {
    while (auto line = child.ReadLine(kRunMs)) {
      if (line->find(text) != std::string::npos) return true;
    }
    return false;
  }

  std::vector<JsonObject> Records() {
    testing_support::JsonLines read = testing_support::ReadJsonLines(report_.string());
    EXPECT_TRUE(read.refused.empty()) << read.refused.front();
    return read.records;
  }

  fs::path work_, report_;
  std::unique_ptr<nettest::ChildProcess> server_;
};

// `quorrel-upgrade ... | head`: the reader goes while the device is being
// programmed, and the run still writes the serial number back, its record,
// and lets go of the port's lock.
TEST_F(Surroundings, ARunPipedIntoAReaderThatClosesEarlyEndsWholeWithItsRecord) {
  const std::string port = ServeSim("model=Apex,serial=QRA3000001");
  ASSERT_FALSE(port.empty());
  auto run = StartUpgrade(port, "2>\"" + (work_ / "err.txt").string() + "\"");
  ASSERT_TRUE(run);
  ASSERT_TRUE(ReadUntil(*run, kLoaderReady)) << run->Transcript();
  run->CloseOutput();
  EXPECT_EQ(run->Wait(kRunMs), 0);

  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(Field(records[0], "outcome"), "succeeded");
  EXPECT_EQ(Field(records[0], "serial_written"), "QRA3000001");
  EXPECT_TRUE(fs::is_empty(work_ / "locks"));
  EXPECT_EQ(ServedSerial(), "QRA3000001");
  const std::string err = ReadFile(work_ / "err.txt");
  const std::string note = "standard output cannot be written (Broken pipe)";
  EXPECT_NE(err.find(note), std::string::npos) << err;
  EXPECT_EQ(err.find(note), err.rfind(note)) << err;
}

// `| tee log` on a terminal that hangs up: tee dies first, then SIGHUP comes.
// The run stops as any stop does (before the erase the device is restarted
// into its firmware; after it, at the end of a whole block), with its record.
TEST_F(Surroundings, AHangUpAfterTheReaderHasGoneEndsAsAStopWithItsRecord) {
  auto run = StartUpgrade("sim:model=Apex,serial=QRA3000002,paced=1", "2>/dev/null");
  ASSERT_TRUE(run);
  ASSERT_TRUE(ReadUntil(*run, kLoaderReady)) << run->Transcript();
  run->CloseOutput();
  run->Signal(SIGHUP);
  const std::optional<int> status = run->Wait(kRunMs);
  ASSERT_TRUE(status == 19 || status == 20) << status.value_or(-1);
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(Field(records[0], "outcome"), status == 19 ? "stopped-untouched" : "stopped-needs-recovery");
  EXPECT_EQ(Field(records[0], "serial_read"), "QRA3000002");
}

// Started with `>&- 2>&-`: the trace and the connection would take
// descriptors 1 and 2, and the status list and messages would go to them.
TEST_F(Surroundings, ARunStartedWithOutputAndErrorClosedSendsNothingStrayToTheDevice) {
  const std::string port = ServeSim("model=Apex,serial=QRA3000003");
  ASSERT_FALSE(port.empty());
  const fs::path trace = work_ / "wire.trace";
  auto run = StartUpgrade(port, ">&- 2>&-", {"--trace", trace.string()});
  ASSERT_TRUE(run);
  EXPECT_EQ(run->Wait(kRunMs), 0);

  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(Field(records[0], "outcome"), "succeeded");
  EXPECT_EQ(ServedSerial(), "QRA3000003");
  const std::string wire = ReadFile(trace);
  EXPECT_EQ(wire.find("Preparing the upgrade"), std::string::npos);
  EXPECT_EQ(wire.find("Quorrel Upgrade Wizard:"), std::string::npos);
  EXPECT_EQ(wire.find("Interface kind:"), std::string::npos);
}

class HeldRecords : public Surroundings {
 protected:
  // Another process (this test) holds the record file's lock.
  void HoldRecords() {
    std::ofstream(report_).flush();
    holder_ = std::make_unique<platform::FileDescriptor>(::open(report_.c_str(), O_RDWR));
    ASSERT_EQ(::flock(holder_->get(), LOCK_EX), 0);
  }
  std::unique_ptr<platform::FileDescriptor> holder_;
};

// The device is upgraded; the record waits a few seconds for the lock, then
// the run ends with the status of a record not written.
TEST_F(HeldRecords, AHeldLockIsWaitedForAFewSecondsThenTheRunEndsWithItsOwnStatus) {
  HoldRecords();
  auto run = StartUpgrade("sim:model=Apex,serial=QRA3000004", "2>&1");
  ASSERT_TRUE(run);
  EXPECT_EQ(run->Wait(kRunMs), 21);
  while (run->ReadLine(1'000)) {
  }
  EXPECT_NE(run->Transcript().find("Quorrel Upgrade Wizard: The upgrade is complete."), std::string::npos);
  EXPECT_NE(run->Transcript().find("the run record for sim:model=Apex,serial=QRA3000004 was not written"),
            std::string::npos)
      << run->Transcript();
}

// Ctrl-C while the record waits ends the wait at once.
TEST_F(HeldRecords, AStopSignalEndsTheWaitForTheLock) {
  HoldRecords();
  auto run = StartUpgrade("sim:fault=no-reply", "2>&1");
  ASSERT_TRUE(run);
  ASSERT_TRUE(ReadUntil(*run, "waiting for it at most")) << run->Transcript();
  run->Signal(SIGINT);
  EXPECT_EQ(run->Wait(kRunMs), 3);  // the device's own status: it did not answer
  while (run->ReadLine(1'000)) {
  }
  EXPECT_NE(run->Transcript().find("was not written: the wait for the lock on " + report_.string() + " was stopped"),
            std::string::npos)
      << run->Transcript();
}

}  // namespace
