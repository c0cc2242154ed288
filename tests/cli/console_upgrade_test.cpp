// Whole runs of the terminal front end against the simulated interface, on a
// virtual clock: the status list on standard output, messages on standard
// error, and the exit status of each way a run ends.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "cli/console_session.h"
#include "cli/exit_codes.h"
#include "i18n/language_table.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "sim/sim_ports.h"
#include "support/image_bytes.h"
#include "support/stream_text.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";

std::string FirstImage(const std::string& folder, const std::string& prefix) {
  for (const auto& entry : fs::directory_iterator(kData / folder))
    if (entry.path().filename().string().starts_with(prefix)) return (fs::path(folder) / entry.path().filename()).string();
  return {};
}



std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

class ConsoleUpgrade : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDir_ = fs::current_path();
    fs::current_path(kData);
    english_.Load(kData.string() + "/", 1033);
  }
  void TearDown() override {
    fs::current_path(previousDir_);
  }

  int Run(Options options, bool terminal = false, const wizard::StopRequest* stop = nullptr) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    options.languageId = 1033;
    const int code = RunConsoleUpgrade(options, ConsoleStreams{out, err, terminal}, stop);
    out_ = testing_support::StreamText(out);
    err_ = testing_support::StreamText(err);
    std::fclose(out);
    std::fclose(err);
    return code;
  }

  std::string Text(i18n::Entry entry) const { return english_.GetText(entry); }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  sim::ScopedSimInterfaces sims_;
  i18n::LanguageTable english_{65001};
  fs::path previousDir_;
  std::string out_, err_;
};

TEST_F(ConsoleUpgrade, UpgradesAnApexAndKeepsItsSerialNumber) {
  const std::string port = "sim:model=Apex,serial=QRA7000001";
  const std::string image = FirstImage("Image/Apex", "QRA");
  ASSERT_FALSE(image.empty());
  Options options;
  options.ports = {port};
  options.image = image;
  EXPECT_EQ(Run(options), kExitSuccess) << err_;

  const std::vector<std::string> expected = {
      Text(i18n::UpgradeList1), "",  port + Text(i18n::UpgradeList2), "", Text(i18n::UpgradeList3), "",
      Text(i18n::UpgradeList4), "",  Text(i18n::UpgradeList7), "", Text(i18n::UpgradeList9), "QRA7000001", "",
      Text(i18n::UpgradeList10), "", Text(i18n::UpgradeList15), "", Text(i18n::UpgradeList16), "",
      port + Text(i18n::UpgradeList17), "", Text(i18n::UpgradeList18)};
  EXPECT_EQ(Lines(out_), expected);
  EXPECT_NE(err_.find("Interface kind: Quorrel Apex"), std::string::npos) << err_;
  EXPECT_NE(err_.find("Serial number: QRA7000001"), std::string::npos) << err_;
  EXPECT_NE(err_.find("Quorrel Upgrade Wizard: " + Text(i18n::prjProDlg4)), std::string::npos) << err_;

  auto device = sim::FindSimInterface(port);
  ASSERT_TRUE(device);
  EXPECT_EQ(device->SerialNumber(), "QRA7000001");
  for (const auto& [address, value] : testsupport::ReadImageBytes((kData / image).string()))
    ASSERT_EQ(device->ReadMemory(address, 1).at(0), value) << "at " << address;
}

TEST_F(ConsoleUpgrade, ListsTheModelsImagesWithoutImageOption) {
  Options options;
  options.ports = {"sim:model=Tern"};
  EXPECT_EQ(Run(options), kExitNoImage);
  EXPECT_NE(err_.find(std::string("Image") + platform::kFolderSeparator + "Tern" + platform::kFolderSeparator),
            std::string::npos)
      << err_;
  EXPECT_NE(err_.find("QRT"), std::string::npos) << err_;
  EXPECT_NE(err_.find("--image"), std::string::npos) << err_;
  EXPECT_TRUE(out_.empty()) << out_;
}

TEST_F(ConsoleUpgrade, EachDetectionEndingHasItsOwnStatus) {
  Options options;
  options.image = FirstImage("Image/Apex", "QRA");
  options.ports = {"sim:fault=no-reply"};
  EXPECT_EQ(Run(options), kExitNoIdentifyReply);
  EXPECT_NE(err_.find("Quorrel Upgrade Wizard: " + Text(i18n::prjProDlg5)), std::string::npos) << err_;
  options.ports = {"sim:name=Quorrel apex"};
  EXPECT_EQ(Run(options), kExitUnknownModel);
  EXPECT_NE(err_.find("Interface kind: Unknown"), std::string::npos) << err_;
  EXPECT_NE(err_.find("the interface answered \"Quorrel apex\""), std::string::npos) << err_;
  options.ports = {"/nonexistent/ttyQ9"};
  EXPECT_EQ(Run(options), kExitPortNotOpened);
  EXPECT_NE(err_.find("cannot open /nonexistent/ttyQ9"), std::string::npos) << err_;
}

TEST_F(ConsoleUpgrade, EachUpgradeEndingHasItsOwnStatus) {
  const std::string image = FirstImage("Image/Apex", "QRA");
  struct Case {
    std::string port;
    int code;
  };
  const Case cases[] = {
      {"sim:model=Apex,fault=no-reply@2", kExitIdentifyTimeout},
      {"sim:model=Apex,fault=no-reply@3", kExitSerialTimeout},
      {"sim:model=Apex,fault=erase-fail@5", kExitEraseFailed},
      {"sim:model=Apex,fault=password-nak", kExitProgramFailed},
      {"sim:model=Apex,fault=write-fail@3", kExitProgramFailed},
      {"sim:model=Apex,loader=0110,fault=jump-fail@1", kExitLoaderRestartFailed},
      {"sim:model=Apex,fault=no-sync", kExitEraseFailed},
  };
  for (const Case& c : cases) {
    Options options;
    options.ports = {c.port};
    options.image = image;
    EXPECT_EQ(Run(options), c.code) << c.port << "\n" << err_;
    // Where the device is left in its loader, the advice names the options,
    // not the window's system menu, and the number to recover with.
    if (c.code == kExitEraseFailed || c.code == kExitProgramFailed) {
      EXPECT_NE(err_.find("run again with --recovery --serial QRA1234567"), std::string::npos) << c.port << err_;
      EXPECT_EQ(err_.find("Alt+Space"), std::string::npos) << c.port << err_;
    }
  }
}

TEST_F(ConsoleUpgrade, RecoveryWritesTheGivenSerialNumber) {
  const std::string port = "sim:model=Apex,serial=QRA0000000,blank=1";
  Options options;
  options.ports = {port};
  options.image = FirstImage("Image/Apex", "QRA");
  options.recovery = true;
  options.serial = "QRA5550123";
  EXPECT_EQ(Run(options), kExitSuccess) << err_;
  EXPECT_EQ(sim::FindSimInterface(port)->SerialNumber(), "QRA5550123");
  // The options answered the recovery question; it is not printed.
  EXPECT_EQ(err_.find(Text(i18n::prjProDlg7)), std::string::npos) << err_;
}

TEST_F(ConsoleUpgrade, MissingImageIsRefusedBeforeThePortOpens) {
  Options options;
  options.ports = {"sim:model=Apex"};
  options.image = "Image/Apex/none.mbl";
  EXPECT_EQ(Run(options), kExitImageMissing);
  EXPECT_NE(err_.find("cannot read the image"), std::string::npos);
  auto device = sim::FindSimInterface(options.ports.front());
  ASSERT_TRUE(device);
  EXPECT_TRUE(device->ReceivedBytes().empty());
}

// Files are checked before any port opens: a damaged image, an empty one, a
// folder or a damaged loader patch each end with a status of their own.
TEST_F(ConsoleUpgrade, DamagedFilesAreRefusedBeforeThePortOpens) {
  const fs::path folder = fs::temp_directory_path() / ("quorrel-cli-files-" + std::to_string(::getpid()));
  fs::create_directories(folder / "Image");
  fs::copy(kData / "Lang", folder / "Lang", fs::copy_options::recursive);
  std::ofstream(folder / "Image/damaged.mbl", std::ios::binary) << "@C000\r\n00 01 02\r\n03 1G 05\r\nq\r\n";
  std::ofstream(folder / "Image/empty.mbl", std::ios::binary) << "q\r\n";
  std::ofstream(folder / "Image/good.mbl", std::ios::binary) << "@C000\r\n00 01 02\r\nq\r\n";
  fs::current_path(folder);
  struct Case {
    std::string image;
    int code;
    std::string says;
  };
  const Case cases[] = {
      {"Image/damaged.mbl", kExitImageDamaged, "Image/damaged.mbl, line 3: the value 1G is not two hexadecimal digits"},
      {"Image/empty.mbl", kExitImageDamaged, "the file holds no data to program"},
      {"Image", kExitImageDamaged, "this is not a regular file"},
  };
  for (const Case& c : cases) {
    Options options;
    options.ports = {"sim:model=Apex,serial=QRA7000003"};
    options.image = c.image;
    EXPECT_EQ(Run(options), c.code) << c.image << "\n" << err_;
    EXPECT_NE(err_.find(c.says), std::string::npos) << err_;
  }
  std::ofstream(folder / "PATCH.TXT", std::ios::binary) << "@0220\r\n00 01 0";
  Options options;
  options.ports = {"sim:model=Apex,serial=QRA7000003"};
  options.image = "Image/good.mbl";
  EXPECT_EQ(Run(options), kExitPatchDamaged) << err_;
  EXPECT_NE(err_.find("PATCH.TXT, line 2: the last line stops before its line end"), std::string::npos) << err_;
  // Not one byte reached the interface.
  EXPECT_TRUE(sim::FindSimInterface(options.ports.front())->ReceivedBytes().empty());
  fs::current_path(kData);
  fs::remove_all(folder);
}

// A trace that would block (a pipe) or cannot be a file (a folder, a device)
// is refused before anything starts.
TEST_F(ConsoleUpgrade, ATraceThatIsNoRegularFileIsRefused) {
  for (const std::string& trace : {std::string("/dev/null"), fs::temp_directory_path().string()}) {
    Options options;
    options.ports = {"sim:model=Apex,serial=QRA7000006"};
    options.image = FirstImage("Image/Apex", "QRA");
    options.traceFile = trace;
    EXPECT_EQ(Run(options), kExitUsage) << trace;
    EXPECT_NE(err_.find("cannot write the trace to " + trace + ": it is not a regular file"), std::string::npos)
        << err_;
    EXPECT_TRUE(sim::FindSimInterface(options.ports.front())->ReceivedBytes().empty());
  }
}

TEST_F(ConsoleUpgrade, AStopBeforeTheUpgradeLeavesTheDeviceUntouched) {
  wizard::StopRequest stop;
  stop.Request();
  Options options;
  options.ports = {"sim:model=Apex,serial=QRA7000004"};
  options.image = FirstImage("Image/Apex", "QRA");
  EXPECT_EQ(Run(options, false, &stop), kExitStoppedUntouched) << err_;
  auto device = sim::FindSimInterface(options.ports.front());
  ASSERT_TRUE(device);
  EXPECT_TRUE(device->LoaderCommands().empty());
  EXPECT_EQ(device->SerialNumber(), "QRA7000004");
}

// On a terminal the bar shows only while the image is programmed, counting
// its data bytes, not the characters of the file.
TEST_F(ConsoleUpgrade, TheProgressBarCountsProgrammedBytes) {
  Options options;
  // Bytes take their wire time (on the virtual clock), so the bar has a rate.
  options.ports = {"sim:model=Apex,serial=QRA7000005,paced=1"};
  options.image = FirstImage("Image/Apex", "QRA");
  ASSERT_EQ(Run(options, /*terminal=*/true), kExitSuccess) << err_;
  const std::size_t bytes = testsupport::ReadImageBytes((kData / *options.image).string()).size();
  const std::string full = "100%  " + std::to_string(bytes) + "/" + std::to_string(bytes) + " bytes";
  EXPECT_NE(err_.find(full), std::string::npos) << err_;
  // The first block already gives the rate and the time left.
  EXPECT_TRUE(std::regex_search(err_, std::regex("240/" + std::to_string(bytes) + " bytes  [1-9][0-9]* B/s  0:[0-9]+ left")))
      << err_.substr(0, 400);
  // The bar is gone before the write-back's messages and never shows the file's size.
  const std::string fileSize = std::to_string(fs::file_size(kData / *options.image));
  EXPECT_EQ(err_.find("/" + fileSize + " bytes"), std::string::npos) << err_;
}

}  // namespace
}  // namespace cli
