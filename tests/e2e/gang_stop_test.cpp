// A gang run stopped by a signal in the middle of programming: every device
// ends as a single run would (those in their loader after a whole block,
// named for recovery), and every device's record is written whole before
// the program ends.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "support/child_process.h"
#include "support/json_line.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";

TEST(GangStop, ASignalInTheMiddleLeavesEveryRecordWhole) {
  const fs::path report = fs::temp_directory_path() / ("quorrel-gang-stop-" + std::to_string(::getpid()) + ".jsonl");
  fs::remove(report);
  const std::vector<std::string> ports = {"sim:model=Apex,serial=QRA6000001,paced=1",
                                          "sim:model=Apex,serial=QRA6000002,paced=1",
                                          "sim:model=Apex,serial=QRA6000003,paced=1"};
  std::vector<std::string> argv = {QUORREL_UPGRADE_PATH, "--image", "Image/Apex/QRA0203.mbl", "--lang", "1033",
                                   "--report", report.string()};
  for (const auto& port : ports) argv.insert(argv.end(), {"--port", port});
  const fs::path previous = fs::current_path();
  fs::current_path(kData);  // the front end finds Lang/ and Image/ here
  std::string error;
  auto gang = nettest::ChildProcess::Start(argv, &error);
  fs::current_path(previous);
  ASSERT_TRUE(gang) << error;

  // Once a device is programming, the stop comes.
  bool programming = false;
  while (auto line = gang->ReadLine(60'000)) {
    if (line->find("Boot-loader connection ready.") != std::string::npos) {
      programming = true;
      break;
    }
  }
  ASSERT_TRUE(programming) << gang->Transcript();
  gang->Signal(SIGTERM);
  // Blocks of 240 bytes at 9600 baud end within a second; pauses of a few more.
  EXPECT_EQ(gang->Wait(30'000), 36) << gang->Transcript();

  std::ifstream in(report);
  std::set<std::string> seen;
  for (std::string line; std::getline(in, line);) {
    const auto record = testing_support::ParseJsonLine(line);
    ASSERT_TRUE(record) << line;
    const std::string outcome = std::get<std::string>(record->at("outcome"));
    EXPECT_TRUE(outcome == "stopped-needs-recovery" || outcome == "stopped-untouched") << line;
    seen.insert(std::get<std::string>(record->at("port")));
  }
  EXPECT_EQ(seen, std::set<std::string>(ports.begin(), ports.end()));
  fs::remove(report);
}

}  // namespace
