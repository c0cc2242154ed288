// What a gang run reads and shows: its port list file, the per-device lines
// (live on a terminal, prefixed elsewhere) and the closing summary.

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/gang_board.h"
#include "cli/port_list_file.h"
#include "i18n/language_table.h"
#include "platform/codepage.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// A FILE* whose contents the test reads back.
class Captured {
 public:
  Captured() : file_(open_memstream(&data_, &size_)) {}
  ~Captured() {
    std::fclose(file_);
    std::free(data_);
  }
  std::FILE* file() { return file_; }
  std::string Text() {
    std::fflush(file_);
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

TEST(PortListFileTest, NamesOneALineWithBlanksTrailingCommentsAndCrLfDropped) {
  const fs::path path = fs::temp_directory_path() / ("quorrel-ports-" + std::to_string(::getpid()));
  std::ofstream(path, std::ios::binary) << "# line 3, hub A\r\n  /dev/ttyUSB0 \r\n\r\n"
                                           "rfc2217://10.0.0.5:4001  # bench 2\n"
                                           "COM#7\t# a '#' inside a name stays\nsim:model=Tern";
  const PortListResult read = ReadPortListFile(path.string());
  fs::remove(path);
  ASSERT_TRUE(read.error.empty()) << read.error;
  EXPECT_EQ(read.ports,
            (std::vector<std::string>{"/dev/ttyUSB0", "rfc2217://10.0.0.5:4001", "COM#7", "sim:model=Tern"}));

  EXPECT_NE(ReadPortListFile(fs::temp_directory_path().string()).error.find("not a regular file"), std::string::npos);
  EXPECT_FALSE(ReadPortListFile("/no/such/list").error.empty());
}

TEST(PortListFileTest, APortGivenTwiceIsRefused) {
  std::vector<std::string> ports{"COM3"};
  EXPECT_EQ(AddPorts(ports, {"COM4", "COM5"}), "");
  EXPECT_EQ(AddPorts(ports, {"COM6", "COM3"}), "the port COM3 is given twice");
}

// One device upgraded under two names would be erased by two loaders at once.
TEST(PortListFileTest, TwoNamesOfOneDeviceAreOnePortGivenTwice) {
  std::vector<std::string> ports{"COM1"};
  EXPECT_EQ(AddPorts(ports, {"COM2", "\\\\.\\COM1"}), "the ports COM1 and \\\\.\\COM1 are one port given twice");
  const fs::path device = fs::temp_directory_path() / ("quorrel-device-" + std::to_string(::getpid()));
  const fs::path link = fs::temp_directory_path() / ("quorrel-by-id-" + std::to_string(::getpid()));
  std::ofstream(device).close();
  fs::create_symlink(device, link);
  ports = {device.string()};
  const std::string linked = AddPorts(ports, {link.string()});
  fs::remove(link);
  fs::remove(device);
  EXPECT_NE(linked.find("are one port given twice"), std::string::npos) << linked;
  ports = {"rfc2217://127.0.0.1:4001"};
  EXPECT_EQ(AddPorts(ports, {"rfc2217://127.0.0.1:4002"}), "");
  EXPECT_NE(AddPorts(ports, {"rfc2217://localhost:4001"}).find("one port given twice"), std::string::npos);
}

TEST(GangBoardTest, ElsewhereEveryLineCarriesItsPort) {
  Captured out, err;
  GangBoard board(out.file(), err.file(), /*liveLines=*/false, 80, {"COM3", "/dev/ttyUSB0"});
  board.Model(1, "Quorrel Tern");
  board.Status(0, "Preparing the upgrade...");
  board.Status(1, "Programming finished.");
  board.Message(0, "Quorrel Upgrade Wizard: The upgrade is complete.");
  board.Finish();
  EXPECT_EQ(out.Text(), "[COM3] Preparing the upgrade...\n[/dev/ttyUSB0] Programming finished.\n");
  EXPECT_EQ(err.Text(),
            "[/dev/ttyUSB0] Interface kind: Quorrel Tern\n[COM3] Quorrel Upgrade Wizard: The upgrade is complete.\n");
}

// The labels the board adds come from the run's language file.
TEST(GangBoardTest, LabelsSpeakTheRunsLanguage) {
  i18n::LanguageTable german(platform::kCodePageUtf8);
  german.Load(std::string(QUORREL_SOURCE_DIR) + "/data/", 1031);
  Captured out, err;
  GangBoard board(out.file(), err.file(), /*liveLines=*/false, 80, {"COM3"}, &german);
  board.Model(0, "Quorrel Tern");
  board.Serial(0, "QRT1234567");
  EXPECT_EQ(err.Text(), "[COM3] Interface-Modell: Quorrel Tern\n[COM3] Seriennummer: QRT1234567\n");
}

TEST(GangBoardTest, OnATerminalOneLinePerDeviceIsRedrawnInPlace) {
  Captured out, err;
  GangBoard board(out.file(), err.file(), /*liveLines=*/true, 100, {"COM3", "COM4"});
  board.Model(0, "Quorrel Apex");
  board.Serial(0, "QRA1234567");
  board.ProgressRange(0, 0, 200);
  board.Progress(0, 100);
  board.Status(1, "The interface did not answer.");
  board.Finish();
  const std::string text = out.Text();
  EXPECT_TRUE(err.Text().empty());
  const std::size_t last = text.rfind("\033[2A");
  ASSERT_NE(last, std::string::npos) << "the rows are redrawn over themselves";
  const std::string lastDraw = text.substr(last);
  EXPECT_NE(lastDraw.find("COM3     Quorrel Apex            QRA1234567   [#####.....] 50% "), std::string::npos);
  EXPECT_NE(lastDraw.find("COM4"), std::string::npos);
  EXPECT_NE(lastDraw.find("The interface did not answer."), std::string::npos);
}

TEST(GangBoardTest, RowsFitTheTerminalAndTheSummaryCountsFailures) {
  GangRow row{"COM3", "Quorrel Tern II Memory", "QRT1234567", std::string(200, 'x'), 0, 0, 0};
  EXPECT_EQ(FormatGangRow(row, 60).size(), 60u);

  const std::string summary = FormatGangSummary({{"COM3", "QRA1234567", "succeeded", 0, 46.51},
                                                 {"rfc2217://lab:4001", "", "no-reply", 3, 2.5}});
  EXPECT_NE(summary.find("Port                Serial       Outcome    Time\n"), std::string::npos);
  EXPECT_NE(summary.find("COM3                QRA1234567   succeeded  46.5 s\n"), std::string::npos);
  EXPECT_NE(summary.find("rfc2217://lab:4001  -            no-reply   2.5 s\n"), std::string::npos);
  EXPECT_NE(summary.find("1 of 2 interfaces upgraded"), std::string::npos);
}

}  // namespace
}  // namespace cli
