// The upgrade journal's notes: their text survives any path and port name,
// damaged text is no note, and a folder keeps one note per device and serial
// number, found again under the names the device goes by.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/install_paths.h"
#include "wizard/journal.h"

namespace wizard {
namespace {

namespace fs = std::filesystem;

JournalNote SampleNote() {
  JournalNote note;
  note.port = "COM3";
  note.device = "/dev/ttyS2";
  note.model = "Quorrel Apex";
  note.serialNumber = "QRA1234567";
  note.serialSource = SerialSource::Read;
  note.imagePath = "/srv/images/QRA0203.mbl";
  note.imageSize = 72250;
  note.imageSha256 = std::string(64, 'a');
  note.time = "2026-12-07T10:00:00.000Z";
  return note;
}

TEST(JournalNoteText, KeepsEveryFieldWhateverBytesAPathHolds) {
  JournalNote note = SampleNote();
  note.adapterSerial = "A50285BI";
  note.imagePath = "/odd\\path\nwith=equals\r\x01\xff\xfe/QRA.mbl";
  note.serialSource = SerialSource::Journal;
  note.run = RunState::Interrupted;
  const std::string text = FormatJournalNote(note);
  // One field a line: nothing in a value breaks a line.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 12) << text;
  EXPECT_EQ(ParseJournalNote(text), note);
}

TEST(JournalNoteText, DamagedTextIsNoNote) {
  const std::string good = FormatJournalNote(SampleNote());
  const std::string body = good.substr(good.find('\n') + 1);
  EXPECT_FALSE(ParseJournalNote(body)) << "no heading";
  EXPECT_FALSE(ParseJournalNote("quorrel-upgrade journal 1\n" + body.substr(body.find('\n') + 1))) << "no port";
  for (const char* bad : {"serial=QRA7654321\n", "no equals sign\n", "x=\\x4\n", "x=\\y41\n", "run=maybe\n",
                          "image_size=12kB\n"}) {
    EXPECT_FALSE(ParseJournalNote(good + bad)) << bad;
  }
  // A key a later version adds is passed over.
  EXPECT_TRUE(ParseJournalNote(good + "loader=0110\n"));
}

TEST(JournalDevice, AnAdaptersSerialNumberOutweighsWhereItIsPlugged) {
  JournalNote a = SampleNote();
  JournalNote b = SampleNote();
  EXPECT_TRUE(SameDevice(a, b));
  b.device = "/dev/ttyUSB1";
  EXPECT_FALSE(SameDevice(a, b));
  a.adapterSerial = "A50285BI";
  b.adapterSerial = "A50285BI";
  EXPECT_TRUE(SameDevice(a, b)) << "the adapter moved to another socket";
  b.device = a.device;
  b.adapterSerial = "FT0001";
  EXPECT_FALSE(SameDevice(a, b)) << "another adapter in the same socket";
  b.adapterSerial.reset();
  EXPECT_TRUE(SameDevice(a, b)) << "the adapter's number was not known this time";
}

TEST(JournalDevice, EachDeviceAndNumberHasAFileOfItsOwn) {
  JournalNote note = SampleNote();
  EXPECT_EQ(NoteFileName(note), "dev-ttyS2+QRA1234567.note");
  note.adapterSerial = "A5/02";
  EXPECT_EQ(NoteFileName(note), "usb-A5%2f02+QRA1234567.note");
  // Names that escape alike stay apart, and a long one stays short.
  JournalNote other = SampleNote();
  note = SampleNote();
  note.device = "sim:model=Apex";
  other.device = "sim%3amodel=Apex";
  EXPECT_NE(NoteFileName(other), NoteFileName(note));
  note.device = "rfc2217://" + std::string(300, 'h') + ":4000";
  other.device = "rfc2217://" + std::string(300, 'h') + ":4001";
  EXPECT_LE(NoteFileName(note).size(), 160u);
  EXPECT_NE(NoteFileName(note), NoteFileName(other));
}

class JournalFolder : public ::testing::Test {
 protected:
  Journal journal_{platform::UserStateFolder()};
};

TEST_F(JournalFolder, FindsTheNotesOfOneDeviceNewestFirst) {
  JournalNote older = SampleNote();
  older.serialNumber = "QRA1000001";
  older.time = "2026-12-07T09:00:00.000Z";
  JournalNote newer = SampleNote();
  newer.serialNumber = "QRA1000002";
  newer.time = "2026-12-07T11:00:00.000Z";
  JournalNote elsewhere = SampleNote();
  elsewhere.device = "/dev/ttyUSB4";
  for (const JournalNote& note : {older, newer, elsewhere}) {
    ASSERT_TRUE(journal_.Write(NoteFileName(note), note).ok());
  }
  // Something that is no note lies there too.
  std::ofstream(journal_.Folder() + "stray.note") << "not a note";

  const std::vector<FoundNote> found = journal_.NotesFor(SampleNote());
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].note, newer);
  EXPECT_EQ(found[1].note, older);
  EXPECT_EQ(found[0].folder, journal_.Folder());
  EXPECT_EQ(journal_.NotesFor(elsewhere).size(), 1u);
}

TEST_F(JournalFolder, ARunIsMarkedOnlyWhileItsFileStillHoldsItsNote) {
  const JournalNote note = SampleNote();
  const std::string name = NoteFileName(note);
  ASSERT_TRUE(journal_.Write(name, note).ok());
  const FoundNote found{journal_.Folder(), name, note};
  EXPECT_TRUE(journal_.MarkRun(found, RunState::Interrupted));
  EXPECT_EQ(journal_.Read(name)->run, RunState::Interrupted);

  // Another run wrote its own note in that place since.
  JournalNote later = note;
  later.time = "2026-12-09T00:00:00.000Z";
  ASSERT_TRUE(journal_.Write(name, later).ok());
  EXPECT_FALSE(journal_.MarkRun(found, RunState::Interrupted));
  EXPECT_EQ(journal_.Read(name)->run, RunState::Running);
}

}  // namespace
}  // namespace wizard
