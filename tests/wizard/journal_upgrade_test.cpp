// The upgrade journal in whole upgrades: the note is on disk before the first
// erase frame, stays while the device may lack its firmware or its number,
// and goes once the device is whole; a later dialog on the same device finds
// it when the firmware is silent and when Interface Recovery has no number.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "bootloader/firmware_image.h"
#include "i18n/notices.h"
#include "platform/durable_file.h"
#include "platform/install_paths.h"
#include "platform/serial_device.h"
#include "resources/dialog_ids.h"
#include "sim/sim_interface.h"
#include "support/scoped_state_folder.h"
#include "support/test_os.h"
#include "wizard/journal.h"
#include "wizard/test_support.h"

namespace wizard::testing {
namespace {

class JournalUpgrade : public DialogFixture {
 protected:
  // A restarted dialog (and its worker) goes before its window does.
  ~JournalUpgrade() override { dialog_.reset(); }

  // Opens the dialog on a device and chooses a fresh Apex image.
  void Prepare(const std::string& simOptions, const app::DialogOptions& options = {}) {
    OpenDialog(simOptions, options);
    image_ = MakeApplication(7);
    imagePath_ = base_.AddImage("Image/Apex/QRA0200.mbl", image_);
    ChooseImage(imagePath_);
    ASSERT_EQ(dialog_->LastDetection(), DetectionOutcome::ImageChosen);
  }
  // The program started again on the same cable: a new dialog, nothing
  // remembered but the journal.
  void Restart(const app::DialogOptions& options = {}) {
    dialog_.reset();
    host_.OnListLine(nullptr);
    const app::Layout layout{base_.Path(), base_.PatchPath()};
    window_ = std::make_unique<RecordingWindow>();
    dialog_ = std::make_unique<UpgradeDialog>(*window_, app::MakeDialogContext(layout, table_, options));
    window_->Start(*dialog_);
    window_->SelectPort("COM3");
  }
  // Interface Recovery in the restarted dialog, with an image of the general folder.
  void RecoverWithImage() {
    window_->AnswerMessage(MessageResult::Yes);
    window_->SysCommand(resources::kCmdRecovery);
    image_ = MakeApplication(9);
    window_->AnswerChooser(base_.AddImage("Image/QRA0400.mbl", image_));
    window_->Click(resources::kIdFileButton);
    window_->Click(resources::kIdUpgradeButton);
    window_->WaitForWorker();
  }
  std::vector<FoundNote> Notes() const { return journal_.NotesFor(DeviceOfPort("COM3")); }
  // A note as a run that was killed in the loader leaves it, for the device
  // behind COM3 (OpenDialog puts it there).
  JournalNote PlantNote(const std::string& serialNumber) {
    JournalNote note = DeviceOfPort("COM3");
    note.model = "Quorrel Apex";
    note.serialNumber = serialNumber;
    note.imagePath = "/lab/QRA0203.mbl";
    note.time = "2026-12-01T08:00:00.000Z";
    EXPECT_TRUE(journal_.Write(NoteFileName(note), note).ok());
    return note;
  }
  bool Has(const RecordingWindow& window, const std::string& line) const {
    const auto lines = window.ListLines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  Journal journal_{platform::UserStateFolder()};
  Segments image_;
  std::string imagePath_;
  std::unique_ptr<RecordingWindow> window_;
};

TEST_F(JournalUpgrade, TheNoteIsOnDiskBeforeTheFirstEraseFrameAndStaysWhileTheDeviceIsInItsLoader) {
  Prepare("serial=QRA1234567,fault=write-fail@2");
  std::size_t notesWhenTheLoaderBegan = 0;
  std::size_t framesWhenTheLoaderBegan = 1;
  host_.OnListLine([&](const std::string& line) {
    if (line != Text(i18n::UpgradeList9)) return;
    notesWhenTheLoaderBegan = Notes().size();
    framesWhenTheLoaderBegan = Device()->LoaderCommands().size();
  });
  Upgrade();
  EXPECT_EQ(notesWhenTheLoaderBegan, 1u);
  EXPECT_EQ(framesWhenTheLoaderBegan, 0u);
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::ProgrammingFailed);

  const std::vector<FoundNote> notes = Notes();
  ASSERT_EQ(notes.size(), 1u);
  const JournalNote& note = notes[0].note;
  EXPECT_EQ(note.port, "COM3");
  EXPECT_EQ(note.device, "sim:serial=QRA1234567,fault=write-fail@2");
  EXPECT_EQ(note.model, "Quorrel Apex");
  EXPECT_EQ(note.serialNumber, "QRA1234567");
  EXPECT_EQ(note.serialSource, SerialSource::Read);
  EXPECT_EQ(note.imagePath, imagePath_);
  EXPECT_EQ(note.imageSha256, dialog_->Image()->sha256);
  // The run ended and said so; only a run that never ends leaves it running.
  EXPECT_EQ(note.run, RunState::Ended);
}

TEST_F(JournalUpgrade, EndingsThatLeaveTheDeviceWholeLeaveTheJournalAsItWas) {
  Prepare("serial=QRA1234567");
  // A note of this very device and number, from a run long ago.
  const JournalNote earlier = PlantNote("QRA1234567");
  auto held = std::make_shared<platform::OpenResult>();
  host_.OnListLine([&](const std::string& line) {
    if (line == Text(i18n::UpgradeList10)) *held = Device()->Open();
  });
  Upgrade();
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::LinkNotOpened);
  // Nothing reached the loader: the earlier note is back as it was.
  ASSERT_EQ(Notes().size(), 1u);
  EXPECT_EQ(Notes()[0].note, earlier);

  held->device.reset();
  host_.OnListLine(nullptr);
  Upgrade();
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_TRUE(Notes().empty());
  EXPECT_TRUE(platform::ListFiles(journal_.Folder(), "").empty()) << "no temporary is left behind";
}

TEST_F(JournalUpgrade, ARestartedDialogExplainsTheSilentFirmwareAndRecoveryWritesTheJournalsNumber) {
  Prepare("serial=QRA1234567,fault=write-fail@2");
  Upgrade();
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::ProgrammingFailed);

  Restart();
  // The device waits in its loader: its firmware does not answer.
  window_->Click(resources::kIdFileButton);
  EXPECT_EQ(dialog_->LastDetection(), DetectionOutcome::NoReply);
  const std::string time = Notes().at(0).note.time;
  ASSERT_EQ(window_->Messages().size(), 1u);
  EXPECT_EQ(window_->Messages()[0].text,
            i18n::FillIn(Text(i18n::LastRunInLoaderWindow),
                         {{"port", "COM3"}, {"time", time}, {"serial", "QRA1234567"}}));

  RecoverWithImage();
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
  EXPECT_TRUE(FlashHolds(image_));
  EXPECT_EQ(window_->ControlText(resources::kIdSerialLabel), "QRA1234567");
  EXPECT_TRUE(Has(*window_, i18n::FillIn(Text(i18n::JournalSerialUsed),
                                         {{"serial", "QRA1234567"}, {"port", "COM3"}, {"time", time}})));
  EXPECT_TRUE(Notes().empty());
  ASSERT_EQ(dialog_->JournalNotesFound().size(), 1u);
  EXPECT_EQ(dialog_->JournalNotesFound()[0].note.serialNumber, "QRA1234567");
}

TEST_F(JournalUpgrade, TheNumberReadInTheDialogAndTheTechniciansComeBeforeTheJournals) {
  Prepare("serial=QRA1234567,fault=write-fail@2");
  const JournalNote planted = PlantNote("QRA5550001");
  Upgrade();
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::ProgrammingFailed);
  ChooseRecovery();
  Upgrade();
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
  // The planted note tells of another number: it stays.
  ASSERT_EQ(Notes().size(), 1u);
  EXPECT_EQ(Notes()[0].note, planted);

  app::DialogOptions options;
  options.recoverySerialNumber = "QRA7654321";
  Restart(options);
  RecoverWithImage();
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_EQ(Device()->SerialNumber(), "QRA7654321");
  EXPECT_FALSE(Has(*window_, i18n::FillIn(Text(i18n::JournalSerialUsed), {{"serial", "QRA5550001"},
                                                                          {"port", "COM3"},
                                                                          {"time", planted.time}})));
  EXPECT_EQ(Notes().size(), 1u);
}

TEST_F(JournalUpgrade, ANoteOfAnotherDeviceOrWithAnUnsafeNumberIsNotTaken) {
  JournalNote elsewhere = DeviceOfPort("COM4");
  elsewhere.serialNumber = "QRA5550002";
  elsewhere.time = "2026-12-01T08:00:00.000Z";
  ASSERT_TRUE(journal_.Write(NoteFileName(elsewhere), elsewhere).ok());
  OpenDialog("serial=QRA1234567");
  PlantNote("QRA555000}S{10,w,QRX");
  ASSERT_EQ(Notes().size(), 1u);
  Restart();
  RecoverWithImage();
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::Succeeded);
  EXPECT_EQ(Device()->SerialNumber(), "QRX0000000");
  for (const std::string& command : Device()->ApplicationCommands()) {
    EXPECT_EQ(command.find("QRA555000}"), std::string::npos) << command;
  }
}

TEST_F(JournalUpgrade, AJournalThatCannotBeWrittenStopsTheUpgradeBeforeAnythingReachesTheLoader) {
  // The state folder would lie below a plain file.
  const std::string blocker = base_.Path() + "not-a-folder";
  std::ofstream(blocker) << "x";
  testsupport::SetEnv(testing_support::ScopedStateFolder::kVariable, blocker);
  Prepare("serial=QRA1234567");
  Upgrade();
  ASSERT_EQ(dialog_->LastUpgrade(), UpgradeOutcome::JournalNotWritten);
  EXPECT_TRUE(Device()->LoaderCommands().empty());
  EXPECT_EQ(Device()->State(), sim::RunState::Application);
  EXPECT_EQ(Device()->SerialNumber(), "QRA1234567");
  ASSERT_EQ(host_.Messages().size(), 1u);
  const std::string text = host_.Messages()[0].text;
  EXPECT_NE(text.find(blocker), std::string::npos) << text;
  const std::string english = Text(i18n::JournalNotWritten);
  // The system's words (which may hold brackets of their own) come before the rest.
  EXPECT_TRUE(text.ends_with(english.substr(english.find(')')))) << text;
  const auto lines = host_.ListLines();
  EXPECT_EQ(lines[lines.size() - 2], text);
  EXPECT_FALSE(dialog_->Busy());
  EXPECT_TRUE(host_.Enabled(resources::kIdUpgradeButton));
}

}  // namespace
}  // namespace wizard::testing
