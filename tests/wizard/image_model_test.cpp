// An image's file name says which model it is for. Once the interface has
// answered its model, an image named for another one is not taken unless the
// user says Yes to the question (No by default); recovery mode checks nothing.
// (Yes in the real window, and the terminal with and without --force: their
// own tests.)

#include <gtest/gtest.h>

#include "i18n/notices.h"
#include "resources/dialog_ids.h"
#include "sim/sim_interface.h"
#include "wizard/image_file.h"
#include "wizard/test_support.h"

namespace wizard::testing {
namespace {

using namespace resources;
using device::InterfaceKind;

TEST(ImageModel, TheChoosersPatternsNameTheModelLetterCaseAside) {
  EXPECT_EQ(ImageModelOf("QRA0203.mbl")->kind, InterfaceKind::Apex);
  EXPECT_EQ(ImageModelOf("qra0203.MBL")->kind, InterfaceKind::Apex);
  EXPECT_EQ(ImageModelOf("QRA.mbl")->kind, InterfaceKind::Apex);
  EXPECT_EQ(ImageModelOf("QRT0105.mbl")->kind, InterfaceKind::Tern);
  EXPECT_EQ(ImageModelOf("QRT2M0201.mbl")->kind, InterfaceKind::Tern);
  // No pattern matched: no model of its own.
  for (const char* name : {"QRR0100.mbl", "QRA0203.txt", "firmware.mbl", "QR.mbl", "QRAmbl", ""}) {
    EXPECT_FALSE(ImageModelOf(name)) << name;
  }
}

TEST(ImageModel, TheTernFamilySharesItsImages) {
  EXPECT_TRUE(ImageIsForOtherModel("QRT0105.mbl", InterfaceKind::Apex));
  EXPECT_TRUE(ImageIsForOtherModel("QRA0203.mbl", InterfaceKind::Tern));
  EXPECT_TRUE(ImageIsForOtherModel("QRA0203.mbl", InterfaceKind::TernIIMemory));
  EXPECT_FALSE(ImageIsForOtherModel("QRT0105.mbl", InterfaceKind::TernIIMemory));
  EXPECT_FALSE(ImageIsForOtherModel("QRT2M0201.mbl", InterfaceKind::Tern));
  EXPECT_FALSE(ImageIsForOtherModel("QRA0203.mbl", InterfaceKind::Apex));
  EXPECT_FALSE(ImageIsForOtherModel("QRR0100.mbl", InterfaceKind::Apex));
}

class ImageModelDialogTest : public DialogFixture {
 protected:
  void ExpectNothingChanged() {
    EXPECT_TRUE(Device()->LoaderCommands().empty());
    EXPECT_FALSE(Device()->InLoader());
    EXPECT_EQ(Device()->ReadMemory(0xC000, 0x4000), firmware_);
    EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
  }
  void Open(const wizard::DialogOptions& options = {}) {
    OpenDialog("model=Apex,serial=QRA1234567", options);
    firmware_ = Device()->ReadMemory(0xC000, 0x4000);
  }

  Segments tern_ = MakeApplication(11);
  std::vector<std::uint8_t> firmware_;
};

// The question names both models; nobody answering it (or No) takes nothing.
TEST_F(ImageModelDialogTest, TheWindowAsksAndNoIsTheDefault) {
  Open();
  const std::string path = base_.AddImage("Image/Tern/QRT0105.mbl", tern_);
  ChooseImage(path);
  EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::ImageForOtherModel);
  ASSERT_EQ(host_.Messages().size(), 1u);
  const MessageRecord question = host_.Messages()[0];
  EXPECT_EQ(question.buttons, MessageButtons::YesNoDefaultNo);
  EXPECT_EQ(question.icon, MessageIcon::Warning);
  EXPECT_EQ(question.text, i18n::FillIn(Text(i18n::ImageForOtherModelQuestion),
                                        {{"file", "QRT0105.mbl"},
                                         {"image", "Quorrel Tern / Quorrel Tern II Memory"},
                                         {"interface", "Quorrel Apex"}}));
  EXPECT_FALSE(host_.Enabled(kIdUpgradeButton));
  EXPECT_TRUE(host_.Enabled(kIdFileButton));
  EXPECT_EQ(dialog_->ImagePath(), "");
  host_.Click(kIdUpgradeButton);
  EXPECT_FALSE(dialog_->WorkerRunning());
  ExpectNothingChanged();
}

TEST_F(ImageModelDialogTest, RecoveryModeChecksNoModel) {
  Open();
  ChooseRecovery();
  const std::size_t asked = host_.Messages().size();
  ChooseImage(base_.AddImage("Image/QRT0105.mbl", tern_));
  EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::ImageChosen);
  EXPECT_EQ(host_.Messages().size(), asked);
}

}  // namespace
}  // namespace wizard::testing
