// The recovery command the program tells the user to type reaches the
// program word for word through the system's own shell.

#include "platform/shell_word.h"

#include <gtest/gtest.h>

namespace {

TEST(ShellWord, PlainWordsStandAsTheyAre) {
  EXPECT_EQ(platform::ShellWord("sim:model=Apex,blank=1"), "sim:model=Apex,blank=1");
  EXPECT_EQ(platform::ShellWord("/dev/ttyUSB0"), "/dev/ttyUSB0");
}

#ifdef _WIN32
TEST(ShellWord, WindowsWordsGoInDoubleQuotesByTheCommandLineRules) {
  EXPECT_EQ(platform::ShellWord("C:\\Images\\QRA0203.mbl"), "C:\\Images\\QRA0203.mbl");
  EXPECT_EQ(platform::ShellWord("C:\\My Images\\QRA0203.mbl"), "\"C:\\My Images\\QRA0203.mbl\"");
  // Backslashes before a quote, inside or closing, are doubled.
  EXPECT_EQ(platform::ShellWord("C:\\My Images\\"), "\"C:\\My Images\\\\\"");
  EXPECT_EQ(platform::ShellWord("a\\\"b c"), "\"a\\\\\\\"b c\"");
  EXPECT_EQ(platform::ShellWord("it's"), "\"it's\"");
  EXPECT_EQ(platform::ShellWord(""), "\"\"");
}
#else
TEST(ShellWord, PosixWordsGoInSingleQuotesWithQuotesEscaped) {
  EXPECT_EQ(platform::ShellWord("/home/me/My Images/x.mbl"), "'/home/me/My Images/x.mbl'");
  EXPECT_EQ(platform::ShellWord("it's"), "'it'\\''s'");
  EXPECT_EQ(platform::ShellWord("a\\b"), "'a\\b'");
  EXPECT_EQ(platform::ShellWord(""), "''");
}
#endif

}  // namespace
