// File...: identification of the interface, the chooser's folder and
// pattern, and the recording of the chosen image.

#include <gtest/gtest.h>

#include <fstream>

#include "device/interface_kind.h"
#include "resources/dialog_ids.h"
#include "sim/sim_interface.h"
#include "sim/sim_ports.h"
#include "wizard/test_support.h"

namespace wizard::testing {
namespace {

using namespace resources;
using device::InterfaceKind;

class DetectionTest : public DialogFixture {};

TEST_F(DetectionTest, ApexOpensTheChooserInItsFolderAndRecordsTheImage) {
  OpenDialog("model=Apex");
  const std::string image = base_.AddImage("Image/Apex/QRA0200.mbl", MakeApplication(1));
  ChooseImage(image);
  EXPECT_EQ(host_.ControlText(kIdKindLabel), "Quorrel Apex");
  EXPECT_EQ(dialog_->InterfaceKind(), InterfaceKind::Apex);
  EXPECT_FALSE(dialog_->SmallModel());
  ASSERT_EQ(host_.ChooserRequests().size(), 1u);
  const FileChooserRequest request = host_.ChooserRequests()[0];
  EXPECT_EQ(request.initialFolder, base_.Folder("Image/Apex"));
  EXPECT_EQ(request.defaultExtension, "QRA*.mbl");
  EXPECT_EQ(request.filterLabel, "MyType Files (*.mbl)");
  EXPECT_EQ(dialog_->ImagePath(), image);
  EXPECT_EQ(host_.ControlText(kIdFileEdit), "QRA0200.mbl");
  EXPECT_TRUE(host_.Enabled(kIdUpgradeButton));
  EXPECT_FALSE(host_.Enabled(kIdFileButton));
  // The port is closed again before the chooser shows.
  EXPECT_FALSE(dialog_->SerialPortIsOpen());
  EXPECT_FALSE(Device()->IsOpen());
  EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::ImageChosen);
}

TEST_F(DetectionTest, TernFamilyUsesTheTernFolderAndMarksASmallModel) {
  for (const auto& [options, name, kind] :
       {std::tuple{"model=Tern", "Quorrel Tern", InterfaceKind::Tern},
        std::tuple{"model=TernII", "Quorrel Tern II Memory", InterfaceKind::TernIIMemory}}) {
    const sim::ScopedSimInterfaces fresh;
    OpenDialog(options);
    host_.CancelChooser();
    host_.Click(kIdFileButton);
    EXPECT_EQ(host_.ControlText(kIdKindLabel), name);
    EXPECT_EQ(dialog_->InterfaceKind(), kind);
    EXPECT_TRUE(dialog_->SmallModel());
    ASSERT_FALSE(host_.ChooserRequests().empty());
    EXPECT_EQ(host_.ChooserRequests().back().initialFolder, base_.Folder("Image/Tern"));
    EXPECT_EQ(host_.ChooserRequests().back().defaultExtension, "QRT*.mbl");
  }
}

TEST_F(DetectionTest, CancelledChooserSaysSoAndSmallModelIsNeverCleared) {
  OpenDialog("model=Tern");
  host_.CancelChooser();
  host_.Click(kIdFileButton);
  ASSERT_EQ(host_.Messages().size(), 1u);
  EXPECT_EQ(host_.Messages()[0].text, Text(i18n::prjProDlg6));
  EXPECT_EQ(host_.Messages()[0].buttons, MessageButtons::Ok);
  EXPECT_EQ(host_.Messages()[0].icon, MessageIcon::None);
  EXPECT_TRUE(host_.Enabled(kIdFileButton));
  EXPECT_FALSE(host_.Enabled(kIdUpgradeButton));
  EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::Cancelled);

  PlugIn("model=Apex");
  host_.CancelChooser();
  host_.Click(kIdFileButton);
  EXPECT_EQ(dialog_->InterfaceKind(), InterfaceKind::Apex);
  EXPECT_EQ(host_.ChooserRequests().back().initialFolder, base_.Folder("Image/Apex"));
  EXPECT_TRUE(dialog_->SmallModel());
}

TEST_F(DetectionTest, ANameDifferingOnlyInCaseIsUnknownWithoutChooserOrMessage) {
  OpenDialog("name=Quorrel apex");
  host_.Click(kIdFileButton);
  EXPECT_EQ(host_.ControlText(kIdKindLabel), "Unknown");
  EXPECT_EQ(dialog_->InterfaceKind(), InterfaceKind::Unknown);
  EXPECT_TRUE(host_.ChooserRequests().empty());
  EXPECT_TRUE(host_.Messages().empty());
  EXPECT_TRUE(host_.Enabled(kIdFileButton));
  EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::UnknownModel);
  EXPECT_FALSE(Device()->IsOpen());
}

TEST_F(DetectionTest, NoReplyShowsTheMessageAndKeepsTheKindField) {
  OpenDialog("fault=no-reply");
  const platform::Micros start = platform::CurrentClock()->Now();
  host_.Click(kIdFileButton);
  const platform::Micros took = platform::CurrentClock()->Now() - start;
  ASSERT_EQ(host_.Messages().size(), 1u);
  EXPECT_EQ(host_.Messages()[0].text, Text(i18n::prjProDlg5));
  EXPECT_EQ(host_.ControlText(kIdKindLabel), "");
  EXPECT_EQ(dialog_->InterfaceKind(), InterfaceKind::Unknown);
  EXPECT_TRUE(host_.ChooserRequests().empty());
  EXPECT_FALSE(dialog_->SerialPortIsOpen());
  // Two seconds for the firmware to settle, then fifty polls of 10 ms.
  EXPECT_GE(took, 2'500'000);
  EXPECT_LT(took, 2'600'000);
}

TEST_F(DetectionTest, NoPortSelectedChangesNothing) {
  OpenDialog("model=Apex");
  host_.SelectPort("");
  const auto before = host_.Operations().size();
  host_.Click(kIdFileButton);
  EXPECT_EQ(host_.Operations().size(), before + 1);  // only the click
  EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::PortNotOpened);
}

TEST_F(DetectionTest, RecoveryModeSendsNothingAndOffersTheGeneralFolder) {
  OpenDialog("model=Apex");
  ChooseRecovery();
  host_.CancelChooser();
  host_.Click(kIdFileButton);
  EXPECT_TRUE(Device()->ReceivedBytes().empty());
  EXPECT_EQ(host_.ControlText(kIdKindLabel), "");
  ASSERT_EQ(host_.ChooserRequests().size(), 1u);
  EXPECT_EQ(host_.ChooserRequests()[0].initialFolder, base_.Folder("Image"));
  EXPECT_EQ(host_.ChooserRequests()[0].defaultExtension, "*.mbl");
}

TEST_F(DetectionTest, ImageSizeSetsStepsAndTheProgressRange) {
  OpenDialog("model=Apex");
  const std::string path = base_.Path() + "Image/Apex/QRA6001.mbl";
  // 7 + 460 * 13 + 10 + 3 characters up to the end line, and one after it.
  std::string text = "@C000\r\n";
  for (int i = 0; i < 460; ++i) text += "00 11 22 33\r\n";
  std::ofstream(path, std::ios::binary) << text << "00 11 22\r\nq\r\n\n";
  ChooseImage(path);
  EXPECT_EQ(dialog_->ImageSize(), 6001);
  EXPECT_EQ(dialog_->ProgressSteps(), 3);
  EXPECT_EQ(host_.ProgressRange(), (std::pair<std::int32_t, std::int32_t>{0, 6001}));
  EXPECT_EQ(host_.ProgressPos(), 0);
}

// A file that cannot be programmed is refused when it is chosen: Upgrade
// stays disabled and File... stays there for another choice.
TEST_F(DetectionTest, AnUnreadableOrSpecialChoiceIsRefusedAndAnotherCanBeChosen) {
  OpenDialog("model=Apex");
  for (const std::string& path : {base_.Path() + "Image/Apex/missing.mbl", std::string("/dev/null"),
                                  base_.Path() + "Image/Apex"}) {
    const std::size_t before = host_.Messages().size();
    ChooseImage(path);
    EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::ImageRefused) << path;
    ASSERT_EQ(host_.Messages().size(), before + 1) << path;
    EXPECT_NE(host_.Messages().back().text.find(path), std::string::npos) << host_.Messages().back().text;
    EXPECT_EQ(host_.Messages().back().caption, "Quorrel Upgrade Wizard");
    EXPECT_FALSE(host_.Enabled(kIdUpgradeButton));
    EXPECT_TRUE(host_.Enabled(kIdFileButton));
    EXPECT_EQ(dialog_->ImageSize(), 0);
  }
  ChooseImage(base_.AddImage("Image/Apex/QRA0200.mbl", MakeApplication(1)));
  EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::ImageChosen);
  EXPECT_TRUE(host_.Enabled(kIdUpgradeButton));
}

TEST_F(DetectionTest, FolderNamesInAnotherLetterCaseAreFound) {
  // Made anew rather than renamed: a file system blind to letter case may
  // keep the old name on a rename that changes only the case.
  std::filesystem::remove_all(base_.Path() + "Image/Apex");
  std::filesystem::create_directories(base_.Path() + "Image/APEX");
  OpenDialog("model=Apex");
  host_.CancelChooser();
  host_.Click(kIdFileButton);
  ASSERT_EQ(host_.ChooserRequests().size(), 1u);
  EXPECT_EQ(host_.ChooserRequests()[0].initialFolder, base_.Folder("Image/APEX"));
}

}  // namespace
}  // namespace wizard::testing
