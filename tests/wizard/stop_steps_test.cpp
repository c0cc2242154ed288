// A stop asked for at each step of File... and Upgrade says what is true of
// the device: during detection, during the firmware's exchanges on a silent
// port, and between the reset into the loader and the first erase, the
// device was not changed (restarted into its firmware when it was in its
// loader). The stop is raised at a chosen moment through the clock.

#include <gtest/gtest.h>

#include <algorithm>

#include "bootloader/boot_loader.h"
#include "i18n/notices.h"
#include "resources/dialog_ids.h"
#include "sim/sim_interface.h"
#include "support/alarm_clock.h"
#include "wizard/stop_request.h"
#include "wizard/test_support.h"

namespace wizard::testing {
namespace {

using namespace resources;

class StopStepsTest : public DialogFixture {
 protected:
  void Open(const std::string& simOptions) {
    app::DialogOptions options;
    options.stopRequest = &stop_;
    OpenDialog(simOptions, options);
    firmware_ = Device()->ReadMemory(0xC000, 0x4000);
  }
  // Raises the stop `ms` from now on the run's clock.
  void StopAfter(std::uint32_t ms) {
    alarms_->After(ms, [this] { stop_.Request(); });
  }
  void ExpectUntouched() {
    EXPECT_FALSE(Device()->InLoader());
    EXPECT_EQ(Device()->ReadMemory(0xC000, 0x4000), firmware_);
    EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
    EXPECT_TRUE(ListHas(Text(i18n::StoppedUntouched)));
    EXPECT_FALSE(dialog_->SerialPortIsOpen());
  }
  std::size_t Erases() const {
    const auto commands = Device()->LoaderCommands();
    return static_cast<std::size_t>(std::count_if(commands.begin(), commands.end(), [](const auto& command) {
      return command.command == bootloader::kCmdMassErase;
    }));
  }

  std::shared_ptr<testing_support::AlarmClock> alarms_ =
      std::make_shared<testing_support::AlarmClock>(platform::CurrentClock());
  platform::ScopedClock alarmClock_{alarms_};
  StopRequest stop_;
  std::vector<std::uint8_t> firmware_;
};

// The firmware is still settling when the stop comes: identify never goes out.
TEST_F(StopStepsTest, AStopWhileDetectionWaitsSendsNothingAndSaysStopped) {
  Open("serial=QRA1234567");
  Device()->ClearLogs();
  const platform::Micros start = platform::CurrentClock()->Now();
  StopAfter(500);
  host_.AnswerChooser(base_.AddImage("Image/Apex/QRA0200.mbl", MakeApplication(1)));
  host_.Click(kIdFileButton);
  EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::Stopped);
  EXPECT_TRUE(Device()->ApplicationCommands().empty());
  EXPECT_TRUE(host_.ChooserRequests().empty());
  EXPECT_TRUE(host_.Messages().empty());
  // The wait for the firmware ended with the stop, not two seconds later.
  EXPECT_LT(platform::CurrentClock()->Now() - start, 1'000'000);
  EXPECT_FALSE(host_.Enabled(kIdUpgradeButton));
  ExpectUntouched();
}

// A silent port during a stop is a stop, not "the interface did not answer".
TEST_F(StopStepsTest, AStopDuringIdentifyOnASilentPortIsAStop) {
  Open("serial=QRA1234567,fault=no-reply");
  StopAfter(2'100);  // the firmware has settled; identify is out, its answer awaited
  host_.Click(kIdFileButton);
  EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::Stopped);
  EXPECT_EQ(Device()->ApplicationCommands(), std::vector<std::string>{"10,3"});
  EXPECT_TRUE(host_.Messages().empty());  // no "did not answer" box
  EXPECT_EQ(host_.ControlText(kIdKindLabel), "");
  ExpectUntouched();
}

TEST_F(StopStepsTest, AStopDuringTheUpgradesIdentifyOnASilentPortIsAStop) {
  Open("serial=QRA1234567,fault=no-reply@2");
  ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", MakeApplication(1)));
  host_.OnListLine([&](const std::string& line) {
    if (line == Text(i18n::UpgradeList3)) StopAfter(100);
  });
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::StoppedUntouched);
  EXPECT_FALSE(ListHas(Text(i18n::UpgradeList6)));
  EXPECT_TRUE(Device()->LoaderCommands().empty());
  ExpectUntouched();
}

TEST_F(StopStepsTest, AStopBeforeTheSerialNumberReadIsAStop) {
  Open("serial=QRA1234567,fault=no-reply@3");
  ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", MakeApplication(1)));
  host_.OnListLine([&](const std::string& line) {
    if (line == Text(i18n::UpgradeList4)) StopAfter(1'100);  // while the serial number's answer is awaited
  });
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::StoppedUntouched);
  EXPECT_FALSE(ListHas(Text(i18n::UpgradeList8)));
  ExpectUntouched();
}

// A stop already asked for when Upgrade is pressed opens nothing.
TEST_F(StopStepsTest, AStopBeforeUpgradeOpensNothing) {
  Open("serial=QRA1234567");
  ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", MakeApplication(1)));
  Device()->ClearLogs();
  stop_.Request();
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::StoppedUntouched);
  EXPECT_TRUE(Device()->ApplicationCommands().empty());
  EXPECT_TRUE(Device()->LineEvents().empty());
  ExpectUntouched();
}

// In its loader, before the first erase, the flash is whole: the device is
// restarted into its firmware as after an upgrade, and nothing was changed.
TEST_F(StopStepsTest, AStopAfterTheResetIntoTheLoaderRestartsTheFirmware) {
  Open("serial=QRA1234567");
  const Segments image = MakeApplication(4);
  ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", image));
  bool wasInLoader = false;
  host_.OnListLine([&](const std::string& line) {
    if (line != Text(i18n::UpgradeList10)) return;
    // The link opens, the reset plays and its last wait runs: the device is in its loader.
    alarms_->After(400, [&] {
      wasInLoader = Device()->InLoader();
      stop_.Request();
    });
  });
  Upgrade();
  EXPECT_TRUE(wasInLoader);
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::StoppedUntouched);
  EXPECT_EQ(Erases(), 0u);
  EXPECT_FALSE(ListHas(i18n::FillIn(Text(i18n::StoppedInLoaderWindow), {{"serial", "QRA1234567"}})));
  ExpectUntouched();
  EXPECT_EQ(Device()->State(), sim::RunState::Application);
  EXPECT_TRUE(host_.Enabled(kIdUpgradeButton));

  // The firmware answers: the same dialog upgrades it once the stop is taken back.
  host_.OnListLine(nullptr);
  stop_.Withdraw();
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image));
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
}

// Once the first erase has gone out, the firmware is gone: the stop says so.
TEST_F(StopStepsTest, AStopBetweenTheErasesNeedsRecovery) {
  Open("serial=QRA1234567,paced=1");
  ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", MakeApplication(4)));
  host_.OnListLine([&](const std::string& line) {
    if (line == Text(i18n::UpgradeList10)) alarms_->After(600, [&] { stop_.Request(); });
  });
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::StoppedInLoader);
  EXPECT_GE(Erases(), 1u);
  EXPECT_LT(Erases(), 20u);
  EXPECT_TRUE(Device()->InLoader());
  EXPECT_TRUE(ListHas(i18n::FillIn(Text(i18n::StoppedInLoaderWindow), {{"serial", "QRA1234567"}})));
}

}  // namespace
}  // namespace wizard::testing
