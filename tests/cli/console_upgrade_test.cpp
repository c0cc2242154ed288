// Whole runs of the terminal front end against the simulated interface, on a
// virtual clock: the status list on standard output, messages on standard
// error, and the exit status of each way a run ends.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "app/command_line.h"
#include "cli/captured_run.h"
#include "cli/console_session.h"
#include "cli/exit_codes.h"
#include "i18n/language_table.h"
#include "i18n/notices.h"
#include "platform/codepage.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "sim/sim_ports.h"
#include "support/image_bytes.h"
#include "support/json_line.h"
#include "support/stream_text.h"
#include "support/test_os.h"

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
    if (!report_.empty()) fs::remove(report_);
  }

  int Run(Options options, bool terminal = false, const wizard::StopRequest* stop = nullptr,
          std::FILE* out = std::tmpfile()) {
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

  // A run record file of the test's own, gone afterwards.
  fs::path ReportPath() {
    report_ = fs::temp_directory_path() / ("quorrel-cli-report-" + std::to_string(testsupport::ProcessId()) + ".jsonl");
    fs::remove(report_);
    return report_;
  }
  std::vector<testing_support::JsonObject> Records() {
    testing_support::JsonLines read = testing_support::ReadJsonLines(report_.string());
    EXPECT_TRUE(read.refused.empty()) << read.refused.front();
    return read.records;
  }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  sim::ScopedSimInterfaces sims_;
  i18n::LanguageTable english_{65001};
  fs::path previousDir_, report_;
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

// The label and the image list the terminal adds to the window's texts speak
// the run's language; a message of its own carries its name.
TEST_F(ConsoleUpgrade, TheTerminalsOwnTextsSpeakTheRunsLanguage) {
  i18n::LanguageTable german(platform::SystemCodePage());
  german.Load(kData.string() + "/", 1031);
  Options options;
  options.ports = {"sim:model=Tern,serial=QRT7000002"};
  options.languageId = 1031;
  const testing::CapturedRun run = testing::RunCaptured(options);
  EXPECT_EQ(run.code, kExitNoImage);
  EXPECT_NE(run.err.find(i18n::FillIn(german.GetText(i18n::InterfaceKindLabel), {{"interface", "Quorrel Tern"}})),
            std::string::npos)
      << run.err;
  const std::string header = german.GetText(i18n::ImagesInFolder);
  EXPECT_NE(run.err.find("quorrel-upgrade: " + header.substr(0, header.find('{'))), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(german.GetText(i18n::ChooseImageOption)), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Interface kind:"), std::string::npos) << run.err;
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
  const fs::path folder = fs::temp_directory_path() / ("quorrel-cli-files-" + std::to_string(testsupport::ProcessId()));
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
  for (const std::string& trace : {testsupport::NullDevice(), fs::temp_directory_path().string()}) {
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

// A status list that cannot be written (a full disk, a reader gone) is noted
// once on standard error; the device is upgraded and its record written as if
// nothing had happened.
TEST_F(ConsoleUpgrade, AStatusListThatCannotBeWrittenNeverStopsTheRun) {
  std::string reason;
  std::FILE* full = testsupport::UnwritableStream(reason);
  ASSERT_NE(full, nullptr);
  Options options;
  options.ports = {"sim:model=Apex,serial=QRA7000007"};
  options.image = FirstImage("Image/Apex", "QRA");
  options.reportFile = ReportPath().string();
  EXPECT_EQ(Run(options, false, nullptr, full), kExitSuccess) << err_;
  EXPECT_EQ(sim::FindSimInterface(options.ports.front())->SerialNumber(), "QRA7000007");
  const std::string note = "standard output cannot be written (" + (reason.empty() ? "" : reason + ")");
  ASSERT_NE(err_.find(note), std::string::npos) << err_;
  EXPECT_EQ(err_.find(note), err_.rfind(note)) << "noted once";
  EXPECT_NE(err_.find("Quorrel Upgrade Wizard: " + Text(i18n::prjProDlg4)), std::string::npos) << err_;
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(std::get<std::string>(records[0].at("outcome")), "succeeded");
  // The version --version prints.
  EXPECT_EQ(std::get<std::string>(records[0].at("version")), app::ProgramVersion());
}

// Like the trace, the record file is checked before any port opens.
TEST_F(ConsoleUpgrade, ARecordFileThatCannotBeWrittenIsRefusedBeforeThePortOpens) {
  const std::string missingFolder = (fs::temp_directory_path() / "quorrel-no-such-folder" / "r.jsonl").string();
  for (const std::string& report : {missingFolder, fs::temp_directory_path().string(), testsupport::NullDevice()}) {
    Options options;
    options.ports = {"sim:model=Apex,serial=QRA7000008"};
    options.image = FirstImage("Image/Apex", "QRA");
    options.reportFile = report;
    EXPECT_EQ(Run(options), kExitUsage) << report;
    EXPECT_NE(err_.find("cannot write the run records to " + report + ": "), std::string::npos) << err_;
    EXPECT_TRUE(sim::FindSimInterface(options.ports.front())->ReceivedBytes().empty()) << report;
  }
}

// The device's status says what the device needs: a record that cannot be
// written (its lock held elsewhere past the wait) shows in the status only
// when the device itself needs nothing.
TEST_F(ConsoleUpgrade, ADeviceStatusOutranksAMissingRecord) {
  const fs::path report = ReportPath();
  std::ofstream(report).flush();
  const testsupport::ForeignFileLock holder(report.string());
  ASSERT_TRUE(holder.Held());
  Options options;
  options.image = FirstImage("Image/Apex", "QRA");
  options.reportFile = report.string();
  options.ports = {"sim:model=Apex,serial=QRA7000009"};
  EXPECT_EQ(Run(options), kExitNotWritten) << err_;
  EXPECT_EQ(sim::FindSimInterface(options.ports.front())->SerialNumber(), "QRA7000009");
  EXPECT_NE(err_.find("another process holds the lock on the run records"), std::string::npos) << err_;
  EXPECT_NE(err_.find("the run record for " + options.ports.front() + " was not written"), std::string::npos) << err_;

  options.ports = {"sim:model=Apex,serial=QRA7000010,fault=erase-fail@5"};
  EXPECT_EQ(Run(options), kExitEraseFailed) << err_;
  EXPECT_NE(err_.find("was not written"), std::string::npos) << err_;
  EXPECT_TRUE(Records().empty());
}

TEST_F(ConsoleUpgrade, TheRecordOfAPortThatNeverOpenedNamesTheImage) {
  Options options;
  options.ports = {"/nonexistent/ttyQ9"};
  options.image = FirstImage("Image/Apex", "QRA");
  options.reportFile = ReportPath().string();
  EXPECT_EQ(Run(options), kExitPortNotOpened) << err_;
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(std::get<std::string>(records[0].at("outcome")), "port-not-opened");
  // The image by its whole path, however the system writes one.
  EXPECT_TRUE(fs::equivalent(std::get<std::string>(records[0].at("image")), kData / *options.image))
      << std::get<std::string>(records[0].at("image"));
}

}  // namespace
}  // namespace cli
