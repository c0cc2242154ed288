// The upgrade journal from the terminal: a run that finds the note of a run
// that never ended says so, gives the recovery command and records the dead
// run once; recovery without --serial writes the journal's number; a journal
// that cannot be written has its own exit status; a gang keeps a note per
// device.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/console_session.h"
#include "cli/exit_codes.h"
#include "i18n/language_table.h"
#include "i18n/notices.h"
#include "platform/clock.h"
#include "platform/install_paths.h"
#include "sim/sim_interface.h"
#include "sim/sim_ports.h"
#include "support/json_line.h"
#include "support/scoped_state_folder.h"
#include "support/stream_text.h"
#include "support/test_os.h"
#include "wizard/journal.h"

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing_support::JsonObject;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";
constexpr const char* kImage = "Image/Apex/QRA0203.mbl";

class JournalConsole : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDir_ = fs::current_path();
    fs::current_path(kData);
    english_.Load(kData.string() + "/", 1033);
    report_ = fs::temp_directory_path() / ("quorrel-journal-" + std::to_string(testsupport::ProcessId()) + ".jsonl");
    fs::remove(report_);
  }
  void TearDown() override {
    fs::remove(report_);
    fs::current_path(previousDir_);
  }

  int Run(Options options) {
    options.languageId = 1033;
    options.image = kImage;
    options.reportFile = report_.string();
    return testing_support::CaptureStreams(
        [&](std::FILE* out, std::FILE* err) { return RunConsoleUpgrade(options, ConsoleStreams{out, err, false}); },
        out_, err_);
  }
  std::vector<JsonObject> Records() const {
    std::vector<JsonObject> records;
    std::ifstream in(report_);
    for (std::string line; std::getline(in, line);) {
      auto record = testing_support::ParseJsonLine(line);
      EXPECT_TRUE(record) << line;
      if (record) records.push_back(*record);
    }
    return records;
  }
  static std::string Word(const JsonObject& record, const std::string& key) {
    return std::get<std::string>(record.at(key));
  }
  static bool IsNull(const JsonObject& record, const std::string& key) {
    return std::holds_alternative<std::nullptr_t>(record.at(key));
  }
  std::string Text(i18n::Entry entry) const { return english_.GetText(entry); }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  sim::ScopedSimInterfaces sims_;
  i18n::LanguageTable english_{65001};
  wizard::Journal journal_{platform::UserStateFolder()};
  fs::path previousDir_, report_;
  std::string out_, err_;
};

TEST_F(JournalConsole, TheRunAfterOneThatDiedSaysSoRecordsItOnceAndRecoveryWritesItsNumber) {
  // A run was killed in the loader: the device is blank, its note running.
  const std::string port = "sim:model=Apex,blank=1";
  wizard::JournalNote note = wizard::DeviceOfPort(port);
  note.model = "Quorrel Apex";
  note.serialNumber = "QRA9990001";
  note.imagePath = (kData / kImage).string();
  note.imageSize = 72250;
  note.imageSha256 = std::string(64, 'c');
  note.time = "2026-12-01T08:00:00.000Z";
  ASSERT_TRUE(journal_.Write(wizard::NoteFileName(note), note).ok());

  Options options;
  options.ports = {port};
  EXPECT_EQ(Run(options), kExitNoIdentifyReply);
  const std::string command = "quorrel-upgrade --recovery --port " + port + " --image " + note.imagePath;
  EXPECT_NE(err_.find(i18n::FillIn(Text(i18n::LastRunInLoaderTerminal), {{"port", port},
                                                                        {"time", note.time},
                                                                        {"serial", "QRA9990001"},
                                                                        {"command", command}})),
            std::string::npos)
      << err_;
  std::vector<JsonObject> records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(Word(records[0], "outcome"), "interrupted");
  EXPECT_EQ(Word(records[0], "start"), note.time);
  EXPECT_TRUE(IsNull(records[0], "end"));
  EXPECT_TRUE(IsNull(records[0], "exit_status"));
  EXPECT_TRUE(IsNull(records[0], "duration_s"));
  EXPECT_EQ(Word(records[0], "serial_read"), "QRA9990001");
  EXPECT_EQ(Word(records[0], "image_sha256"), note.imageSha256);
  EXPECT_EQ(Word(records[1], "outcome"), "no-reply");

  options.recovery = true;
  EXPECT_EQ(Run(options), kExitSuccess) << err_;
  EXPECT_NE(out_.find(i18n::FillIn(Text(i18n::JournalSerialUsed),
                                   {{"serial", "QRA9990001"}, {"port", port}, {"time", note.time}})),
            std::string::npos)
      << out_;
  EXPECT_EQ(sim::FindSimInterface(port)->SerialNumber(), "QRA9990001");
  records = Records();
  ASSERT_EQ(records.size(), 3u) << "the dead run is recorded once";
  EXPECT_EQ(Word(records[2], "outcome"), "succeeded");
  EXPECT_EQ(Word(records[2], "serial_written"), "QRA9990001");
  EXPECT_TRUE(journal_.NotesFor(note).empty());
}

TEST_F(JournalConsole, AJournalThatCannotBeWrittenHasItsOwnStatusAndTheDeviceKeepsItsFirmware) {
  const fs::path blocker = report_.string() + ".blocker";
  std::ofstream(blocker) << "x";
  testsupport::SetEnv(testing_support::ScopedStateFolder::kVariable, blocker.string());
  Options options;
  options.ports = {"sim:model=Apex,serial=QRA7000002"};
  EXPECT_EQ(Run(options), kExitJournalNotWritten);
  fs::remove(blocker);
  EXPECT_TRUE(sim::FindSimInterface(options.ports[0])->LoaderCommands().empty());
  const std::vector<JsonObject> records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(Word(records[0], "outcome"), "journal-not-written");
  EXPECT_EQ(std::get<double>(records[0].at("exit_status")), 22);
}

TEST_F(JournalConsole, AGangKeepsANoteForEachDeviceLeftInItsLoader) {
  Options options;
  options.ports = {"sim:model=Apex,serial=QRA7000011,fault=write-fail@2", "sim:model=Apex,serial=QRA7000012",
                   "sim:model=Apex,serial=QRA7000013,fault=erase-fail@1"};
  EXPECT_EQ(Run(options), kExitSomeFailed);
  std::vector<std::string> numbers;
  for (const std::string& port : options.ports) {
    for (const wizard::FoundNote& found : journal_.NotesFor(wizard::DeviceOfPort(port))) {
      EXPECT_EQ(found.note.port, port);
      numbers.push_back(found.note.serialNumber);
    }
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"QRA7000011", "QRA7000013"}));
}

}  // namespace
}  // namespace cli
