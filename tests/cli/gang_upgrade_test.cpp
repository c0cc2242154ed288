// Gang runs of the terminal front end: many simulated interfaces at once on a
// virtual clock, one failing in the middle, one of another model, and the run
// records read back line by line.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/captured_run.h"
#include "cli/console_session.h"
#include "cli/exit_codes.h"
#include "platform/clock.h"
#include "sim/sim_ports.h"
#include "support/image_bytes.h"
#include "support/json_line.h"
#include "support/stream_text.h"
#include "support/test_os.h"

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing_support::JsonObject;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";

class GangUpgrade : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDir_ = fs::current_path();
    fs::current_path(kData);
    report_ = fs::temp_directory_path() / ("quorrel-gang-" + std::to_string(testsupport::ProcessId()) + ".jsonl");
    fs::remove(report_);
  }
  void TearDown() override {
    fs::current_path(previousDir_);
    fs::remove(report_);
  }

  int Run(const std::vector<std::string>& ports, bool terminal = false, std::size_t columns = 0) {
    Options options;
    options.ports = ports;
    options.image = image_;
    options.languageId = 1033;
    options.reportFile = report_.string();
    const testing::CapturedRun run = testing::RunCaptured(options, terminal, nullptr, columns);
    out_ = run.out;
    err_ = run.err;
    return run.code;
  }

  // The records by port; every line must be one whole record.
  std::map<std::string, JsonObject> Records() {
    std::map<std::string, JsonObject> records;
    std::ifstream in(report_);
    for (std::string line; std::getline(in, line);) {
      auto record = testing_support::ParseJsonLine(line);
      EXPECT_TRUE(record) << line;
      if (record) records[std::get<std::string>(record->at("port"))] = *record;
    }
    return records;
  }

  void ExpectProgrammed(const std::string& port) {
    auto device = sim::FindSimInterface(port);
    ASSERT_TRUE(device);
    for (const auto& [address, value] : testsupport::ReadImageBytes((kData / image_).string()))
      ASSERT_EQ(device->ReadMemory(address, 1).at(0), value) << port << " at " << address;
  }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  sim::ScopedSimInterfaces sims_;
  fs::path previousDir_, report_;
  std::string image_ = "Image/Apex/QRA0203.mbl";
  std::string out_, err_;
};

TEST_F(GangUpgrade, AFailingDeviceInTheMiddleNeitherStopsTheOthersNorHidesInTheRecord) {
  const std::string first = "sim:model=Apex,serial=QRA5000001";
  const std::string failing = "sim:model=Apex,serial=QRA5000002,fault=erase-fail@5";
  const std::string other = "sim:model=Tern,serial=QRT5000003";
  const std::string last = "sim:model=Apex,serial=QRA5000004";
  ASSERT_EQ(Run({first, failing, other, last}), kExitSomeFailed) << err_;

  ExpectProgrammed(first);
  ExpectProgrammed(last);
  EXPECT_EQ(sim::FindSimInterface(last)->SerialNumber(), "QRA5000004");
  // The Tern was asked for its model only: the Apex image never reached it.
  EXPECT_FALSE(sim::FindSimInterface(other)->InLoader());
  EXPECT_EQ(sim::FindSimInterface(other)->SerialNumber(), "QRT5000003");

  auto records = Records();
  ASSERT_EQ(records.size(), 4u);
  const auto& ok = records.at(first);
  EXPECT_EQ(std::get<std::string>(ok.at("outcome")), "succeeded");
  EXPECT_EQ(std::get<std::string>(ok.at("serial_read")), "QRA5000001");
  EXPECT_EQ(std::get<std::string>(ok.at("serial_written")), "QRA5000001");
  EXPECT_EQ(std::get<std::string>(ok.at("model")), "Quorrel Apex");
  EXPECT_EQ(std::get<double>(ok.at("bytes_programmed")), static_cast<double>(testsupport::ReadImageBytes((kData / image_).string()).size()));
  EXPECT_EQ(std::get<std::string>(ok.at("image_sha256")).size(), 64u);
  const auto& failed = records.at(failing);
  EXPECT_EQ(std::get<std::string>(failed.at("outcome")), "erase-failed");
  EXPECT_EQ(std::get<double>(failed.at("exit_status")), kExitEraseFailed);
  EXPECT_EQ(failed.at("serial_written"), testing_support::JsonValue(nullptr));
  EXPECT_EQ(std::get<double>(records.at(other).at("exit_status")), kExitImageForOtherModel);

  // The summary names every device with its own outcome, in the given order.
  const std::size_t table = out_.rfind("\nPort ");
  ASSERT_NE(table, std::string::npos) << out_;
  EXPECT_LT(out_.find(first, table), out_.find(failing, table));
  EXPECT_NE(out_.find("erase-failed", table), std::string::npos);
  EXPECT_NE(out_.find("2 of 4 interfaces upgraded"), std::string::npos);
  // Elsewhere than a terminal every line carries its port.
  EXPECT_NE(out_.find("[" + last + "] " ), std::string::npos);
}

TEST_F(GangUpgrade, APortGivenTwiceIsRefusedBeforeAnyPortOpens) {
  const std::string port = "sim:model=Apex,serial=QRA5000011";
  EXPECT_EQ(Run({port, "sim:model=Apex,serial=QRA5000012", port}), kExitUsage);
  EXPECT_NE(err_.find("given twice"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(report_));
}

// Live lines wrapped on a narrow terminal would redraw over each other: below
// about 60 columns each line is written once, with its port, as elsewhere.
TEST_F(GangUpgrade, ANarrowTerminalGetsLinesWithTheirPortInsteadOfLiveRows) {
  const std::vector<std::string> ports = {"sim:model=Apex,serial=QRA5000021", "sim:model=Apex,serial=QRA5000022"};
  ASSERT_EQ(Run(ports, /*terminal=*/true, /*columns=*/50), kExitSuccess) << err_;
  EXPECT_NE(out_.find("[" + ports[1] + "] "), std::string::npos) << out_;
  EXPECT_EQ(err_.find("\033["), std::string::npos) << err_;

  ASSERT_EQ(Run(ports, /*terminal=*/true, /*columns=*/80), kExitSuccess) << err_;
  EXPECT_EQ(out_.find("[" + ports[1] + "] "), std::string::npos) << out_;
  EXPECT_NE(err_.find("\033[2A"), std::string::npos) << "the rows are redrawn in place";
}

}  // namespace
}  // namespace cli
