// Whole runs of the terminal front end against the simulated interface for
// what a run must say truly and never erase for: a stop at each step before
// the erase, and an image named for another model (single and gang runs,
// with and without --force).

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "cli/console_session.h"
#include "cli/exit_codes.h"
#include "i18n/language_table.h"
#include "i18n/notices.h"
#include "platform/clock.h"
#include "sim/sim_interface.h"
#include "sim/sim_options.h"
#include "sim/sim_ports.h"
#include "support/alarm_clock.h"
#include "support/image_bytes.h"
#include "support/json_line.h"
#include "support/stream_text.h"
#include "support/test_os.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";
constexpr const char* kApexImage = "Image/Apex/QRA0203.mbl";
constexpr const char* kTernImage = "Image/Tern/QRT0105.mbl";

class ConsoleRefusal : public ::testing::Test {
 protected:
  void SetUp() override {
    previousDir_ = fs::current_path();
    fs::current_path(kData);
    english_.Load(kData.string() + "/", 1033);
    scratch_ = fs::temp_directory_path() / ("quorrel-refusal-" + std::to_string(testsupport::ProcessId()));
    fs::create_directories(scratch_);
  }
  void TearDown() override {
    fs::current_path(previousDir_);
    fs::remove_all(scratch_);
  }

  Options Single(const std::string& port, const std::string& image) const {
    Options options;
    options.ports = {port};
    options.image = image;
    options.languageId = 1033;
    return options;
  }
  int Run(const Options& options, const wizard::StopRequest* stop = nullptr) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int code = RunConsoleUpgrade(options, ConsoleStreams{out, err, false}, stop);
    out_ = testing_support::StreamText(out);
    err_ = testing_support::StreamText(err);
    std::fclose(out);
    std::fclose(err);
    return code;
  }
  // A simulated interface behind `port` before the run, so that its memory
  // can be compared with what the run left.
  std::shared_ptr<sim::SimInterface> PlugIn(const std::string& port) {
    std::string error;
    const auto options = sim::ParseSimOptions(port.substr(port.find(':') + 1), &error);
    EXPECT_TRUE(options) << error;
    auto device = std::make_shared<sim::SimInterface>(*options);
    sim::AttachSimInterface(port, device);
    return device;
  }
  static std::vector<std::uint8_t> Memory(const sim::SimInterface& device) { return device.ReadMemory(0, 0x10000); }
  static ::testing::AssertionResult Holds(const sim::SimInterface& device, const std::string& image) {
    for (const auto& [address, value] : testsupport::ReadImageBytes((kData / image).string())) {
      if (device.ReadMemory(address, 1).at(0) != value) return ::testing::AssertionFailure() << "at " << address;
    }
    return ::testing::AssertionSuccess();
  }
  std::string Text(i18n::Entry entry) const { return english_.GetText(entry); }
  bool SaidStopped() const { return out_.find(Text(i18n::StoppedUntouched)) != std::string::npos; }

  std::shared_ptr<testing_support::AlarmClock> alarms_ =
      std::make_shared<testing_support::AlarmClock>(platform::MakeVirtualClock());
  platform::ScopedClock clock_{alarms_};
  sim::ScopedSimInterfaces sims_;
  i18n::LanguageTable english_{65001};
  fs::path previousDir_, scratch_;
  std::string out_, err_;
};

// ---- A stop says what is true --------------------------------------------------

TEST_F(ConsoleRefusal, AStopDuringDetectionSaysStoppedAndSendsNothing) {
  const std::string port = "sim:model=Apex,serial=QRA7100001";
  const auto device = PlugIn(port);
  wizard::StopRequest stop;
  alarms_->After(500, [&] { stop.Request(); });  // the firmware is still settling
  EXPECT_EQ(Run(Single(port, kApexImage), &stop), kExitStoppedUntouched) << err_;
  EXPECT_TRUE(SaidStopped()) << out_;
  EXPECT_TRUE(device->ApplicationCommands().empty());
}

TEST_F(ConsoleRefusal, AStopOnASilentPortIsAStopNotASilentDevice) {
  const std::string port = "sim:model=Apex,serial=QRA7100002,fault=no-reply";
  const auto device = PlugIn(port);
  wizard::StopRequest stop;
  alarms_->After(2'100, [&] { stop.Request(); });  // identify is out, its answer awaited
  EXPECT_EQ(Run(Single(port, kApexImage), &stop), kExitStoppedUntouched) << err_;
  EXPECT_TRUE(SaidStopped()) << out_;
  EXPECT_EQ(err_.find(Text(i18n::prjProDlg5)), std::string::npos) << err_;
  EXPECT_EQ(device->ApplicationCommands(), std::vector<std::string>{"10,3"});
}

// Switched to its loader but not yet erased, the device goes back to its
// firmware, which answers a next run.
TEST_F(ConsoleRefusal, AStopBeforeTheFirstEraseRestartsTheFirmwareAndSaysNothingChanged) {
  const std::string port = "sim:model=Apex,serial=QRA7100003";
  const auto device = PlugIn(port);
  const auto before = Memory(*device);
  wizard::StopRequest stop;
  alarms_->When([&] { return device->InLoader(); }, [&] { stop.Request(); });
  EXPECT_EQ(Run(Single(port, kApexImage), &stop), kExitStoppedUntouched) << err_;
  EXPECT_TRUE(SaidStopped()) << out_;
  EXPECT_EQ(err_.find("without working firmware"), std::string::npos) << err_;
  EXPECT_EQ(device->State(), sim::RunState::Application);
  EXPECT_EQ(Memory(*device), before);

  EXPECT_EQ(Run(Single(port, kApexImage)), kExitSuccess) << err_;
  EXPECT_TRUE(Holds(*device, kApexImage));
  EXPECT_EQ(device->SerialNumber(), "QRA7100003");
}

// ---- An image for another model ------------------------------------------------

TEST_F(ConsoleRefusal, AnImageOfTheOtherModelIsRefusedWithNothingErased) {
  const struct {
    std::string port, image, says;
  } cases[] = {
      {"sim:model=Apex,serial=QRA7100011", kTernImage,
       "QRT0105.mbl is an image for the Quorrel Tern / Quorrel Tern II Memory, but this interface is a Quorrel Apex"},
      {"sim:model=Tern,serial=QRT7100012", kApexImage,
       "QRA0203.mbl is an image for the Quorrel Apex, but this interface is a Quorrel Tern"},
      {"sim:model=TernII,serial=QRT7100013", kApexImage,
       "QRA0203.mbl is an image for the Quorrel Apex, but this interface is a Quorrel Tern II Memory"},
  };
  for (const auto& c : cases) {
    const auto device = PlugIn(c.port);
    const auto before = Memory(*device);
    const std::string serial = device->SerialNumber();
    EXPECT_EQ(Run(Single(c.port, c.image)), kExitImageForOtherModel) << c.port << "\n" << err_;
    EXPECT_NE(err_.find(c.says), std::string::npos) << err_;
    EXPECT_NE(err_.find("--force"), std::string::npos) << err_;
    EXPECT_TRUE(device->LoaderCommands().empty()) << c.port;
    EXPECT_EQ(Memory(*device), before) << c.port;
    EXPECT_EQ(device->SerialNumber(), serial);
    EXPECT_EQ(device->State(), sim::RunState::Application);
  }
}

TEST_F(ConsoleRefusal, ForceProgramsAnImageOfTheOtherModel) {
  const std::string port = "sim:model=Apex,serial=QRA7100021";
  const auto device = PlugIn(port);
  Options options = Single(port, kTernImage);
  options.force = true;
  EXPECT_EQ(Run(options), kExitSuccess) << err_;
  EXPECT_TRUE(Holds(*device, kTernImage));
  EXPECT_EQ(device->SerialNumber(), "QRA7100021");
}

// A gang decides by the image's name as a single run does, not by its folder:
// an Apex image in a folder named Tern is still the Apex's.
TEST_F(ConsoleRefusal, AGangDecidesByTheImagesName) {
  fs::create_directories(scratch_ / "Tern");
  const fs::path image = scratch_ / "Tern" / "QRA0203.mbl";
  fs::copy_file(kData / kApexImage, image);
  const std::string apex = "sim:model=Apex,serial=QRA7100031";
  const std::string tern = "sim:model=Tern,serial=QRT7100032";
  const auto apexDevice = PlugIn(apex);
  const auto ternDevice = PlugIn(tern);
  const auto ternBefore = Memory(*ternDevice);
  Options options = Single(apex, image.string());
  options.ports.push_back(tern);
  options.reportFile = (scratch_ / "records.jsonl").string();
  EXPECT_EQ(Run(options), kExitSomeFailed) << err_;
  std::map<std::string, double> status;
  std::ifstream records(*options.reportFile);
  for (std::string line; std::getline(records, line);) {
    const auto record = testing_support::ParseJsonLine(line);
    ASSERT_TRUE(record) << line;
    status[std::get<std::string>(record->at("port"))] = std::get<double>(record->at("exit_status"));
  }
  EXPECT_EQ(status[apex], kExitSuccess);
  EXPECT_EQ(status[tern], kExitImageForOtherModel);
  EXPECT_TRUE(Holds(*apexDevice, kApexImage));
  EXPECT_EQ(Memory(*ternDevice), ternBefore);

}

}  // namespace
}  // namespace cli
