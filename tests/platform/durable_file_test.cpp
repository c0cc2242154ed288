// Files that must outlive a crash: written whole into a folder private to
// the user, never through a link planted in their place, removed for good,
// and refused with the reason when they cannot be written.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/durable_file.h"
#include "platform/regular_file.h"
#include "support/test_os.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class DurableFile : public ::testing::Test {
 protected:
  DurableFile() : root_(testsupport::MakeScratchFolder("quorrel-durable")) {}
  ~DurableFile() override { fs::remove_all(root_); }
  std::string Read(const std::string& path) const { return ReadRegularFile(path, 1 << 16).value; }
  static fs::perms Mode(const std::string& path) { return fs::symlink_status(path).permissions() & fs::perms::mask; }

  fs::path root_;
};

TEST_F(DurableFile, IsWrittenWholeIntoAPrivateFolderItMakesAndReplacedWhole) {
  const std::string folder = (root_ / "state/quorrel-upgrade").string() + "/";
  ASSERT_TRUE(WriteFileDurably(folder, "one.note", "first").ok());
  EXPECT_EQ(Read(folder + "one.note"), "first");

  ASSERT_TRUE(WriteFileDurably(folder, "one.note", std::string(5000, 'x')).ok());
  EXPECT_EQ(Read(folder + "one.note"), std::string(5000, 'x'));
  // Nothing else is left in the folder: the temporary became the file.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// Windows gives the folders the rights of the profile they are made in.
TEST_F(DurableFile, TheFoldersItMakesAndTheFileArePrivateToTheUser) {
  const std::string folder = (root_ / "state/quorrel-upgrade").string() + "/";
  ASSERT_TRUE(WriteFileDurably(folder, "one.note", "first").ok());
  EXPECT_EQ(Mode(folder), fs::perms::owner_all);
  EXPECT_EQ(Mode((root_ / "state").string()), fs::perms::owner_all);
  EXPECT_EQ(Mode(folder + "one.note"), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(DurableFile, ALinkPlantedInItsPlaceIsReplacedNotWrittenThrough) {
  const std::string folder = root_.string() + "/";
  const fs::path victim = root_ / "victim";
  std::ofstream(victim) << "precious";
  fs::create_symlink(victim, root_ / "one.note");
  ASSERT_TRUE(WriteFileDurably(folder, "one.note", "note").ok());
  EXPECT_EQ(Read(victim.string()), "precious");
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(root_ / "one.note")));
  EXPECT_EQ(Read(folder + "one.note"), "note");
}

TEST_F(DurableFile, WhatCannotBeWrittenIsRefusedWithTheReason) {
  const auto noFolder = WriteFileDurably("", "one.note", "x");
  EXPECT_EQ(noFolder.error, Error::NotFound);
  EXPECT_FALSE(noFolder.detail.empty());
  for (const char* name : {"", ".", "..", "a/b.note"}) {
    EXPECT_EQ(WriteFileDurably(root_.string() + "/", name, "x").error, Error::UnknownName) << name;
    EXPECT_EQ(RemoveFileDurably(root_.string() + "/", name).error, Error::UnknownName) << name;
  }
  // A folder that would lie below a plain file.
  std::ofstream(root_ / "plain") << "x";
  const auto below = WriteFileDurably((root_ / "plain/state").string() + "/", "one.note", "x");
  EXPECT_EQ(below.error, Error::NotFound);
  EXPECT_NE(below.detail.find((root_ / "plain/state").string()), std::string::npos) << below.detail;
}

TEST_F(DurableFile, RemovesForGoodAndListsOnlyPlainFilesOfItsKind) {
  const std::string folder = root_.string() + "/";
  ASSERT_TRUE(WriteFileDurably(folder, "b.note", "b").ok());
  ASSERT_TRUE(WriteFileDurably(folder, "a.note", "a").ok());
  std::ofstream(root_ / ".hidden.note") << "temporary";
  std::ofstream(root_ / "other.txt") << "other";
  fs::create_directory(root_ / "dir.note");
#ifndef _WIN32
  fs::create_symlink(root_ / "a.note", root_ / "link.note");
#endif
  EXPECT_EQ(ListFiles(folder, ".note"), (std::vector<std::string>{"a.note", "b.note"}));
  EXPECT_TRUE(ListFiles((root_ / "missing").string() + "/", ".note").empty());

  EXPECT_TRUE(RemoveFileDurably(folder, "a.note").ok());
  EXPECT_FALSE(fs::exists(root_ / "a.note"));
  EXPECT_TRUE(RemoveFileDurably(folder, "a.note").ok()) << "already gone counts as removed";
  EXPECT_EQ(ListFiles(folder, ".note"), (std::vector<std::string>{"b.note"}));
}

}  // namespace
}  // namespace platform
