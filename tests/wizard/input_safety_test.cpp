// Whole upgrades against the simulated interface for the ordinary mistakes
// that must never cost a device its firmware or its serial number: damaged
// files, line ends, files that change under the run, a port held elsewhere, a
// line that dies during the write-back, and a stop asked for mid-run.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "bootloader/boot_loader.h"
#include "i18n/notices.h"
#include "resources/dialog_ids.h"
#include "sim/sim_ports.h"
#include "wizard/stop_request.h"
#include "wizard/test_support.h"

namespace wizard::testing {
namespace {

using namespace resources;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Line `number` of the file is damaged in its middle.
std::string DamageLine(const std::string& text, int number) {
  std::size_t pos = 0;
  for (int line = 1; line < number; ++line) pos = text.find('\n', pos) + 1;
  std::string damaged = text;
  damaged.replace(pos + 3, 2, "1G");
  return damaged;
}

class InputSafetyTest : public DialogFixture {
 protected:
  void ExpectNothingErased() {
    EXPECT_TRUE(Device()->LoaderCommands().empty());
    EXPECT_FALSE(Device()->InLoader());
    EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
  }
  Segments image_ = MakeApplication(7);
};

TEST_F(InputSafetyTest, AnImageDamagedInItsMiddleIsRefusedWhenChosen) {
  OpenDialog("serial=QRA1234567");
  const std::string path = base_.AddImage("Image/Apex/QRA0200.mbl", image_);
  WriteText(path, DamageLine(ReadText(path), 20));
  ChooseImage(path);
  EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::ImageRefused);
  ASSERT_EQ(host_.Messages().size(), 1u);
  const std::string message = host_.Messages()[0].text;
  EXPECT_NE(message.find(path), std::string::npos) << message;
  EXPECT_NE(message.find("line 20"), std::string::npos) << message;
  EXPECT_NE(message.find("1G"), std::string::npos) << message;
  EXPECT_FALSE(host_.Enabled(kIdUpgradeButton));
  host_.Click(kIdUpgradeButton);
  ExpectNothingErased();
}

TEST_F(InputSafetyTest, ADamagedPatchIsRefusedWithTheImage) {
  OpenDialog("serial=QRA1234567,loader=0100");
  WriteText(base_.PatchPath(), DamageLine(ReadText(base_.PatchPath()), 3));
  ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", image_));
  EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::PatchRefused);
  ASSERT_EQ(host_.Messages().size(), 1u);
  EXPECT_NE(host_.Messages()[0].text.find(base_.PatchPath()), std::string::npos);
  EXPECT_FALSE(host_.Enabled(kIdUpgradeButton));
  ExpectNothingErased();
}

// A patch that is there but cannot be read is damaged, not absent: an old
// loader would otherwise be erased and then find no patch.
TEST_F(InputSafetyTest, APatchThatCannotBeReadIsRefusedNotTakenForAbsent) {
  const struct {
    const char* target;
    const char* says;
  } cases[] = {
      {"PATCH.TXT", "Too many levels of symbolic links"},  // a link to itself
      {"nowhere/PATCH.TXT", "No such file or directory"},  // a link to nothing
  };
  for (const auto& planted : cases) {
    const sim::ScopedSimInterfaces fresh;
    OpenDialog("serial=QRA1234567,loader=0100");
    std::filesystem::remove(base_.PatchPath());
    std::filesystem::create_symlink(planted.target, base_.PatchPath());
    ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", image_));
    EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::PatchRefused) << planted.target;
    ASSERT_FALSE(host_.Messages().empty());
    const std::string message = host_.Messages().back().text;
    EXPECT_NE(message.find(base_.PatchPath()), std::string::npos) << message;
    EXPECT_NE(message.find(planted.says), std::string::npos) << message;
    EXPECT_FALSE(host_.Enabled(kIdUpgradeButton));
    host_.Click(kIdUpgradeButton);
    ExpectNothingErased();
  }
}

TEST_F(InputSafetyTest, AnImageWithoutDataIsRefused) {
  OpenDialog("serial=QRA1234567");
  for (const char* text : {"", "q\r\n", "@C000\r\n@D000\r\nq\r\n"}) {
    const std::string path = base_.Path() + "Image/Apex/QRA0000.mbl";
    WriteText(path, text);
    ChooseImage(path);
    EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::ImageRefused) << text;
    EXPECT_FALSE(host_.Enabled(kIdUpgradeButton));
  }
  ExpectNothingErased();
}

TEST_F(InputSafetyTest, AnImageWithLineFeedsAloneProgramsEveryByte) {
  OpenDialog("serial=QRA1234567");
  const std::string path = base_.AddImage("Image/Apex/QRA0200.mbl", image_);
  std::string text = ReadText(path);
  for (std::size_t pos; (pos = text.find("\r\n")) != std::string::npos;) text.erase(pos, 1);
  WriteText(path, text);
  ChooseImage(path);
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image_));
}

// The bytes checked when the image was chosen are the bytes programmed.
TEST_F(InputSafetyTest, AnImageCutShortDuringTheUpgradeStillProgramsWhatWasChecked) {
  OpenDialog("serial=QRA1234567");
  const std::string path = base_.AddImage("Image/Apex/QRA0200.mbl", image_);
  ChooseImage(path);
  host_.OnListLine([&](const std::string& line) {
    if (line == Text(i18n::UpgradeList10)) std::filesystem::resize_file(path, 200);
  });
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image_));
}

// The line goes dead in the middle of the write-back command: the number
// never arrives, and the run says so with the number instead of success.
TEST_F(InputSafetyTest, ALineThatDiesDuringTheSerialNumberWriteIsNotASuccess) {
  OpenDialog("serial=QRA1234567");
  ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", image_));
  host_.OnListLine([&](const std::string& line) {
    if (line != "COM3" + Text(i18n::UpgradeList17)) return;
    // The same device, whose line now dies nine bytes into the write-back
    // ("S{10,w,QR"): its memory is moved over as the upgrade left it.
    std::string error;
    const auto options = sim::ParseSimOptions("serial=,fault=dead@9", &error);
    ASSERT_TRUE(options) << error;
    auto dying = std::make_shared<sim::SimInterface>(*options);
    for (const auto& [address, bytes] : image_) dying->PokeMemory(address, Device()->ReadMemory(address, bytes.size()));
    sim::AttachSimInterface("COM3", dying);
  });
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::SerialNotWritten);
  EXPECT_TRUE(FlashHolds(image_));
  EXPECT_EQ(Device()->SerialNumber(), "");
  const auto lines = host_.ListLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), Text(i18n::UpgradeList18)), 0);
  EXPECT_TRUE(ListHas(i18n::FillIn(Text(i18n::SerialReadBackFailed), {{"serial", "QRA1234567"}})));
  ASSERT_FALSE(host_.Messages().empty());
  EXPECT_NE(host_.Messages().back().text.find("QRA1234567"), std::string::npos);
  EXPECT_NE(host_.Messages().back().text, Text(i18n::prjProDlg4));
  EXPECT_TRUE(host_.Enabled(kIdUpgradeButton));
}

class StopTest : public InputSafetyTest {
 protected:
  void Prepare(const std::string& simOptions) {
    wizard::DialogOptions options;
    options.stopRequest = &stop_;
    OpenDialog(simOptions, options);
    ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", image_));
  }
  StopRequest stop_;
};

// The device still talks to its firmware: it is released untouched.
TEST_F(StopTest, AStopBeforeTheLoaderLeavesTheDeviceUntouched) {
  Prepare("serial=QRA1234567");
  host_.OnListLine([&](const std::string& line) {
    if (line == Text(i18n::UpgradeList4)) stop_.Request();
  });
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::StoppedUntouched);
  ExpectNothingErased();
  EXPECT_FALSE(dialog_->SerialPortIsOpen());
  EXPECT_TRUE(ListHas(Text(i18n::StoppedUntouched)));
  EXPECT_TRUE(host_.Enabled(kIdUpgradeButton));
}

// In the loader the block under way is finished, no other is begun, and the
// word names the serial number recovery needs.
TEST_F(StopTest, AStopDuringProgrammingEndsAfterTheBlockWithTheSerialNumber) {
  Prepare("serial=QRA1234567");
  host_.OnProgrammed([&](std::size_t sent, std::size_t) {
    if (sent > 0) stop_.Request();
  });
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::StoppedInLoader);
  const auto commands = Device()->LoaderCommands();
  const auto writes = std::count_if(commands.begin(), commands.end(),
                                    [](const auto& c) { return c.command == bootloader::kCmdWriteBlock; });
  EXPECT_EQ(writes, 1);
  EXPECT_TRUE(Device()->InLoader());
  const std::string word = i18n::FillIn(Text(i18n::StoppedInLoaderWindow), {{"serial", "QRA1234567"}});
  EXPECT_TRUE(ListHas(word));
  EXPECT_EQ(dialog_->RecoverySerialNumber(), "QRA1234567");

  // Interface Recovery then finishes the job with that number.
  host_.OnProgrammed(nullptr);
  stop_.Withdraw();
  ChooseRecovery();
  Upgrade();
  EXPECT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(FlashHolds(image_));
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
}

}  // namespace
}  // namespace wizard::testing
