// Whole upgrades of a simulated interface: the success paths, every failure
// ending, and what an upgrade after a failure finds.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "bootloader/boot_loader.h"
#include "platform/serial_device.h"
#include "resources/dialog_ids.h"
#include "sim/sim_interface.h"
#include "sim/sim_ports.h"
#include "wizard/test_support.h"

namespace wizard::testing {
namespace {

using namespace resources;

constexpr std::uint8_t kAck = 0x90;
constexpr std::uint8_t kFailed = 0x70;

class UpgradeTest : public DialogFixture {
 protected:
  // Opens the dialog on a device and chooses a fresh Apex image.
  void Prepare(const std::string& simOptions, const wizard::DialogOptions& options = {},
               const i18n::LanguageTable* table = nullptr) {
    OpenDialog(simOptions, options, table);
    image_ = MakeApplication(7);
    imagePath_ = base_.AddImage("Image/Apex/QRA0200.mbl", image_);
    ChooseImage(imagePath_);
    ASSERT_EQ(dialog_->LastDetection(), DetectionOutcome::ImageChosen);
  }
  std::vector<sim::LoaderCommand> CommandsOf(std::uint8_t code) const {
    std::vector<sim::LoaderCommand> found;
    for (const auto& command : Device()->LoaderCommands()) {
      if (command.command == code) found.push_back(command);
    }
    return found;
  }
  std::vector<std::string> ApplicationCommands() const { return Device()->ApplicationCommands(); }
  // The dialog is ready for the user again.
  void ExpectHandedBack() {
    EXPECT_FALSE(dialog_->Busy());
    EXPECT_TRUE(host_.Enabled(kIdUpgradeButton));
    EXPECT_TRUE(host_.Enabled(kIdOk));
    EXPECT_TRUE(host_.TimersStarted().empty());
  }
  // The status lines of the interface phase of a run that succeeded on COM3.
  std::vector<std::string> InterfaceLines(const std::string& serial) const {
    return {Text(i18n::UpgradeList1), "", "COM3" + Text(i18n::UpgradeList2), "", Text(i18n::UpgradeList3), "",
            Text(i18n::UpgradeList4), "", Text(i18n::UpgradeList7), "", Text(i18n::UpgradeList9), serial, "",
            Text(i18n::UpgradeList10), ""};
  }

  Segments image_;
  std::string imagePath_;
};

TEST_F(UpgradeTest, ApexUpgradeProgramsTheImageKeepsTheSerialAndClosesTheDialog) {
  Prepare("model=Apex,serial=QRA1234567");
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image_));
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
  EXPECT_EQ(host_.ControlText(kIdSerialLabel), "QRA1234567");
  EXPECT_FALSE(Device()->InLoader());

  std::vector<std::string> expected = InterfaceLines("QRA1234567");
  for (const auto& line : {Text(i18n::UpgradeList15), std::string(), Text(i18n::UpgradeList16), std::string(),
                           "COM3" + Text(i18n::UpgradeList17), std::string(), Text(i18n::UpgradeList18)}) {
    expected.push_back(line);
  }
  EXPECT_EQ(host_.ListLines(), expected);
  ASSERT_EQ(host_.Messages().size(), 1u);
  EXPECT_EQ(host_.Messages()[0].text, Text(i18n::prjProDlg4));
  // The bar ends full, at the image's size.
  EXPECT_EQ(host_.ProgressPos(), dialog_->ImageSize());
  // Twenty erases, the password, the version read; no patch for loader 0120.
  EXPECT_EQ(CommandsOf(bootloader::kCmdMassErase).size(), 20u);
  EXPECT_TRUE(CommandsOf(bootloader::kCmdLoadProgramCounter).empty());
  // The port name is read at the start, for the link and for the write-back (and by File...).
  EXPECT_EQ(host_.PortReads(), 4);
  EXPECT_EQ(host_.OffThreadOperations(), 0);

  // Neither button comes back; Exit and Escape do nothing; the timer ends it.
  EXPECT_TRUE(dialog_->Busy());
  EXPECT_FALSE(host_.Enabled(kIdUpgradeButton));
  EXPECT_FALSE(host_.Enabled(kIdOk));
  host_.Escape();
  dialog_->OnOK();
  EXPECT_FALSE(host_.EndResult());
  const platform::Micros before = platform::CurrentClock()->Now();
  EXPECT_EQ(host_.RunUntilEnded(), kResultOk);
  EXPECT_EQ(platform::CurrentClock()->Now() - before, 1'000'000);
  EXPECT_EQ(host_.TimersStarted(), (std::vector<std::pair<int, std::uint32_t>>{{kCloseTimer, 1000}}));
  EXPECT_EQ(host_.TimersStopped(), std::vector<int>{kCloseTimer});
}

TEST_F(UpgradeTest, BusyBlocksExitEscapeAndTheCloseBox) {
  Prepare("model=Apex");
  host_.Click(kIdUpgradeButton);
  // The worker now waits for the dialog's thread: the dialog is busy.
  EXPECT_TRUE(dialog_->Busy());
  EXPECT_FALSE(host_.Enabled(kIdOk));
  dialog_->OnOK();
  host_.Escape();
  EXPECT_FALSE(host_.EndResult());
  host_.WaitForWorker();
}

TEST_F(UpgradeTest, TernShowsTheLongWaitNoticeBeforeTheImage) {
  OpenDialog("model=Tern,serial=QRT7654321");
  image_ = MakeApplication(3);
  ChooseImage(base_.AddImage("Image/Tern/QRT0100.mbl", image_));
  EXPECT_EQ(host_.ChooserRequests()[0].initialFolder, base_.Folder("Image/Tern"));
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image_));
  EXPECT_EQ(Device()->SerialNumber(), "QRT7654321");
  const auto lines = host_.ListLines();
  const auto notice = std::find(lines.begin(), lines.end(), "Please Wiating long time......");
  ASSERT_NE(notice, lines.end());
  EXPECT_EQ(*(notice - 2), Text(i18n::UpgradeList10));
  EXPECT_EQ(*(notice + 1), "");
  EXPECT_EQ(*(notice + 2), Text(i18n::UpgradeList15));
}

TEST_F(UpgradeTest, RecoverySendsNothingToTheFirmwareAndWritesThePlaceholder) {
  OpenDialog("model=Apex,serial=QRA1234567");
  ChooseRecovery();
  image_ = MakeApplication(5);
  ChooseImage(base_.AddImage("Image/QRA0300.mbl", image_));
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image_));
  // Only the write-back reached the firmware.
  EXPECT_EQ(ApplicationCommands(), (std::vector<std::string>{"10,w,QRX0000000", "10,r"}));
  EXPECT_EQ(Device()->SerialNumber(), "QRX0000000");
  const auto lines = host_.ListLines();
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(lines[4], Text(i18n::UpgradeList7));
  EXPECT_EQ(lines[6], Text(i18n::UpgradeList9));
  EXPECT_EQ(lines[7], "COM3");
  EXPECT_EQ(host_.ControlText(kIdSerialLabel), "QRX0000000");
}

TEST_F(UpgradeTest, RecoveryWritesTheTechniciansSerialNumber) {
  wizard::DialogOptions options;
  options.recoverySerialNumber = "QRA7777777";
  OpenDialog("model=Apex", options);
  ChooseRecovery();
  image_ = MakeApplication(5);
  ChooseImage(base_.AddImage("Image/QRA0300.mbl", image_));
  Upgrade();
  EXPECT_EQ(Device()->SerialNumber(), "QRA7777777");
}

TEST_F(UpgradeTest, OldLoaderGetsThePatchFirst) {
  Prepare("loader=0110");
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image_));
  const auto jumps = CommandsOf(bootloader::kCmdLoadProgramCounter);
  ASSERT_FALSE(jumps.empty());
  EXPECT_EQ(jumps.front().address, bootloader::kLoaderRestartAddress);
  EXPECT_TRUE(std::any_of(jumps.begin(), jumps.end(),
                          [](const auto& jump) { return jump.address == bootloader::kPatchEntryAddress; }));
}

TEST_F(UpgradeTest, NewerLoaderGetsNoPatch) {
  Prepare("loader=0111");
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(CommandsOf(bootloader::kCmdLoadProgramCounter).empty());
}

// Erasing would take the serial number with the firmware, and no number is
// known to write back: the device is left as it is.
TEST_F(UpgradeTest, APortHeldByAnotherProgramWithNoSerialNumberKnownChangesNothing) {
  Prepare("model=Apex,serial=QRA1234567");
  Device()->ClearLogs();
  auto held = Device()->Open();
  ASSERT_TRUE(held.device);
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::PortInUse);
  EXPECT_TRUE(Device()->LoaderCommands().empty());
  EXPECT_TRUE(Device()->ApplicationCommands().empty());
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
  EXPECT_FALSE(Device()->InLoader());
  ASSERT_EQ(host_.Messages().size(), 1u);
  EXPECT_NE(host_.Messages()[0].text.find("COM3"), std::string::npos);
  EXPECT_NE(host_.Messages()[0].text.find("in use by another program"), std::string::npos);
  ExpectHandedBack();
}

// With the number an earlier attempt read, the boot loader may still be
// reached; that number goes back.
TEST_F(UpgradeTest, APortHeldAtTheStartAfterAnEarlierReadStillUpgrades) {
  Prepare("model=Apex,serial=QRA1234567");
  const auto apex = Device();
  PlugIn("model=Tern,serial=QRT7654321");
  Upgrade();  // another model answers: the serial number is not read
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::ModelMismatch);
  sim::AttachSimInterface("COM3", apex);
  PlugIn("model=Apex,serial=QRA1234567,fault=erase-fail@1");
  Upgrade();  // reads the number, then the erase fails
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::EraseFailed);
  Device()->ClearLogs();
  auto held = std::make_shared<platform::OpenResult>(Device()->Open());
  ASSERT_TRUE(held->device);
  host_.OnListLine([&](const std::string& line) {
    if (line == Text(i18n::UpgradeList9)) held->device.reset();
  });
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image_));
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
  EXPECT_EQ(ApplicationCommands(), (std::vector<std::string>{"10,w,QRA1234567", "10,r"}));
}

TEST_F(UpgradeTest, WithoutStatusTextsTheListKeepsItsShape) {
  i18n::LanguageTable empty(65001);
  empty.Load("/nonexistent-quorrel/", 1033);
  Prepare("serial=QRA1234567", {}, &empty);
  Upgrade();
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  const auto lines = host_.ListLines();
  // As many lines as with the texts (the success run above has 22); only the
  // port-name lines and the serial number hold anything.
  EXPECT_EQ(lines.size(), 22u);
  std::vector<std::string> filled;
  std::copy_if(lines.begin(), lines.end(), std::back_inserter(filled), [](const auto& l) { return !l.empty(); });
  EXPECT_EQ(filled, (std::vector<std::string>{"COM3", "QRA1234567", "COM3"}));
}

TEST_F(UpgradeTest, RecoveryChosenWhileTheWorkerStartsAppliesToItSafely) {
  Prepare("serial=QRA1234567");
  Device()->ClearLogs();
  host_.Click(kIdUpgradeButton);
  // The worker waits for the dialog's thread to read the port: the answer
  // lands before it looks at recovery mode.
  ChooseRecovery();
  host_.WaitForWorker();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_EQ(ApplicationCommands(), (std::vector<std::string>{"10,w,QRX0000000", "10,r"}));
}

TEST_F(UpgradeTest, AMissingPatchFileEndsWithTheProgrammingLineAndSaysWhereItGoes) {
  OpenDialog("loader=0100");
  std::filesystem::remove(base_.PatchPath());
  image_ = MakeApplication(7);
  ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", image_));
  ASSERT_EQ(dialog_->LastDetection(), DetectionOutcome::ImageChosen);
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::ProgrammingFailed);
  const auto lines = host_.ListLines();
  EXPECT_EQ(lines[lines.size() - 2], Text(i18n::UpgradeList13));
  ASSERT_EQ(host_.Messages().size(), 1u);
  EXPECT_NE(host_.Messages()[0].text.find(base_.PatchPath()), std::string::npos);
  EXPECT_NE(host_.Messages()[0].text.find("Interface Recovery"), std::string::npos);
  EXPECT_TRUE(Device()->InLoader());
  ExpectHandedBack();
}

// ---- Failure endings --------------------------------------------------------------

TEST_F(UpgradeTest, AnotherModelAnsweringEndsAtTheCheckAndASecondUpgradeSucceeds) {
  Prepare("model=Apex,serial=QRA1234567");
  const auto apex = Device();
  PlugIn("model=Tern,serial=QRT7654321");
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::ModelMismatch);
  const auto lines = host_.ListLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], Text(i18n::UpgradeList5));
  EXPECT_TRUE(host_.Messages().empty());
  EXPECT_TRUE(Device()->LoaderCommands().empty());
  EXPECT_FALSE(dialog_->SerialPortIsOpen());
  ExpectHandedBack();

  sim::AttachSimInterface("COM3", apex);
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image_));
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
}

TEST_F(UpgradeTest, NoIdentifyReplyEndsAtTheCheck) {
  Prepare("fault=no-reply@2");
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::IdentifyTimedOut);
  const auto lines = host_.ListLines();
  EXPECT_EQ(lines[lines.size() - 2], Text(i18n::UpgradeList6));
  EXPECT_EQ(host_.ControlText(kIdSerialLabel), "");
  ExpectHandedBack();
  host_.Click(kIdOk);
  EXPECT_EQ(host_.EndResult(), kResultOk);
}

TEST_F(UpgradeTest, NoSerialNumberReplyEndsAtTheCheckAndTheDeviceStaysWhole) {
  Prepare("serial=QRA1234567,fault=no-reply@3");
  const auto before = Device()->ReadMemory(0xC000, 64);
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::SerialTimedOut);
  const auto lines = host_.ListLines();
  EXPECT_EQ(lines[lines.size() - 2], Text(i18n::UpgradeList8));
  ExpectHandedBack();
  EXPECT_EQ(Device()->ReadMemory(0xC000, 64), before);
  EXPECT_FALSE(Device()->InLoader());

  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image_));
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
}

TEST_F(UpgradeTest, ALinkThatDoesNotOpenEndsBeforeAnythingReachesTheLoader) {
  Prepare("serial=QRA1234567");
  auto held = std::make_shared<platform::OpenResult>();
  host_.OnListLine([&](const std::string& line) {
    if (line == Text(i18n::UpgradeList10)) *held = Device()->Open();
  });
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::LinkNotOpened);
  ASSERT_EQ(host_.Messages().size(), 1u);
  EXPECT_EQ(host_.Messages()[0].text, Text(i18n::prjProDlg2));
  const auto lines = host_.ListLines();
  EXPECT_EQ(lines[lines.size() - 2], Text(i18n::UpgradeList11));
  EXPECT_TRUE(Device()->LoaderCommands().empty());
  ExpectHandedBack();

  held->device.reset();
  host_.OnListLine(nullptr);
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image_));
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
}

TEST_F(UpgradeTest, MassEraseFailingAtTheFifthCommandStopsThere) {
  Prepare("fault=erase-fail@5");
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::EraseFailed);
  const auto erases = CommandsOf(bootloader::kCmdMassErase);
  ASSERT_EQ(erases.size(), 5u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(erases[static_cast<std::size_t>(i)].reply, kAck) << i;
  EXPECT_EQ(erases[4].reply, kFailed);
  ASSERT_EQ(host_.Messages().size(), 1u);
  EXPECT_EQ(host_.Messages()[0].text, Text(i18n::prjProDlg3));
  EXPECT_EQ(host_.Messages()[0].progressAtShow, 0);
  const auto lines = host_.ListLines();
  EXPECT_EQ(lines[lines.size() - 2], Text(i18n::UpgradeList12));
  EXPECT_TRUE(Device()->InLoader());
  ExpectHandedBack();
}

TEST_F(UpgradeTest, PasswordFailureEndsWithTheProgrammingLine) {
  Prepare("fault=password-fail@1");
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::ProgrammingFailed);
  const auto lines = host_.ListLines();
  EXPECT_EQ(lines[lines.size() - 2], Text(i18n::UpgradeList13));
  EXPECT_TRUE(host_.Messages().empty());
  EXPECT_EQ(host_.ProgressPos(), 0);
  ExpectHandedBack();
}

TEST_F(UpgradeTest, PatchStartFailureEndsWithThePatchLine) {
  Prepare("loader=0110,fault=jump-fail@1");
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::LoaderRestartFailed);
  const auto lines = host_.ListLines();
  EXPECT_EQ(lines[lines.size() - 2], Text(i18n::UpgradeList14));
  ExpectHandedBack();
}

TEST_F(UpgradeTest, ImageFailureSetsTheBarBackToZero) {
  Prepare("fault=write-fail@3");
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::ProgrammingFailed);
  const auto lines = host_.ListLines();
  EXPECT_EQ(lines[lines.size() - 2], Text(i18n::UpgradeList13));
  const auto progress = host_.ProgressLog();
  EXPECT_GT(*std::max_element(progress.begin(), progress.end()), 0);
  EXPECT_EQ(host_.ProgressPos(), 0);
  ExpectHandedBack();
  host_.Escape();
  EXPECT_EQ(host_.EndResult(), kResultCancel);
}

// ---- Upgrading again after the flash was erased -------------------------------------

class UpgradeAgainTest : public UpgradeTest,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(UpgradeAgainTest, RecoveryAfterAnErasedDeviceKeepsItsOriginalSerialNumber) {
  Prepare(std::string("serial=QRA1234567,fault=") + GetParam());
  Upgrade();
  ASSERT_NE(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(Device()->InLoader());

  // The firmware is gone: a normal upgrade cannot even identify the device.
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::IdentifyTimedOut);
  EXPECT_EQ(dialog_->SerialNumber(), "QRA1234567");

  ChooseRecovery();
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image_));
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
  EXPECT_EQ(host_.ControlText(kIdSerialLabel), "QRA1234567");
}

INSTANTIATE_TEST_SUITE_P(EraseAndImageFailures, UpgradeAgainTest,
                         ::testing::Values("erase-fail@5", "write-fail@3"));

// The erase took the device's own copy of its serial number; a write-back
// whose port does not open must not end as a success.
TEST_F(UpgradeTest, ASerialNumberThatCouldNotBeWrittenBackIsReportedAndRecoveryWritesIt) {
  Prepare("serial=QRA1234567");
  std::unique_ptr<platform::SerialDevice> held;
  host_.OnListLine([&](const std::string& line) {
    // Another program takes the port just before the write-back.
    if (line == "COM3" + Text(i18n::UpgradeList17)) held = platform::OpenSerialDevice("COM3").device;
  });
  Upgrade();
  ASSERT_TRUE(held);
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::SerialNotWritten);
  EXPECT_TRUE(FlashHolds(image_));
  EXPECT_EQ(Device()->SerialNumber(), "");
  const auto lines = host_.ListLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), Text(i18n::UpgradeList18)), 0);
  ASSERT_EQ(host_.Messages().size(), 1u);
  EXPECT_NE(host_.Messages()[0].text.find("QRA1234567"), std::string::npos);
  EXPECT_NE(host_.Messages()[0].text, Text(i18n::prjProDlg4));
  ExpectHandedBack();

  held.reset();
  host_.OnListLine(nullptr);
  ChooseRecovery();
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
}

TEST_F(UpgradeTest, ADialogStartingInRecoveryWritesThePlaceholder) {
  OpenDialog("serial=QRA1234567");
  ChooseRecovery();
  image_ = MakeApplication(9);
  ChooseImage(base_.AddImage("Image/QRA0400.mbl", image_));
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_EQ(Device()->SerialNumber(), "QRX0000000");
}

TEST_F(UpgradeTest, AMalformedSerialNumberIsReplacedAndNotKeptForRecovery) {
  Prepare("fault=bad-serial");
  // The read of the first attempt is malformed; the read-back after recovery is not.
  PlugIn("fault=bad-serial@1,fault=erase-fail@1");
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::EraseFailed);
  EXPECT_EQ(dialog_->SerialNumber(), "QRX0000000");
  // The placeholder was never read from the device: recovery writes it as such.
  ChooseRecovery();
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_EQ(Device()->SerialNumber(), "QRX0000000");
}

}  // namespace
}  // namespace wizard::testing
