// A stop asked for at the steps of an upgrade says what is true of the
// device: while the firmware is silent and before Upgrade the device was not
// changed; once the first erase has gone out it needs recovery. (Detection
// and the restart before the first erase: the terminal's tests.) The stop is
// raised at a chosen moment through the clock.

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
    wizard::DialogOptions options;
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

// The firmware falls silent during the upgrade's identify, or during its
// serial-number read: a stop while the answer is awaited is a stop, not
// "did not answer".
struct SilentStep {
  const char* fault;
  i18n::Entry before;  // the line after which the stop comes
  std::uint32_t afterMs;
  i18n::Entry silent;  // what a silent firmware alone would have said
};

class SilentFirmwareStop : public StopStepsTest, public ::testing::WithParamInterface<SilentStep> {};

TEST_P(SilentFirmwareStop, IsAStopNotASilentDevice) {
  const SilentStep step = GetParam();
  Open(std::string("serial=QRA1234567,fault=") + step.fault);
  ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", MakeApplication(1)));
  host_.OnListLine([&](const std::string& line) {
    if (line == Text(step.before)) StopAfter(step.afterMs);
  });
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::StoppedUntouched);
  EXPECT_FALSE(ListHas(Text(step.silent)));
  EXPECT_TRUE(Device()->LoaderCommands().empty());
  ExpectUntouched();
}

INSTANTIATE_TEST_SUITE_P(IdentifyAndSerialNumber, SilentFirmwareStop,
                         ::testing::Values(SilentStep{"no-reply@2", i18n::UpgradeList3, 100, i18n::UpgradeList6},
                                           SilentStep{"no-reply@3", i18n::UpgradeList4, 1'100, i18n::UpgradeList8}));

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
