// The programs' command lines as GNU programs read theirs, the help's layout
// and the window program's answers before any window opens.

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <sstream>

#include "app/command_line.h"
#include "app/help_text.h"
#include "app/option_table.h"
#include "app/window_command_line.h"
#include "support/stream_text.h"

namespace app {
namespace {

std::vector<std::string> Values(const CommandLine& line) {
  std::vector<std::string> values;
  for (const GivenOption& given : line.given) values.push_back(std::string(given.entry->name) + "=" + given.value);
  return values;
}

TEST(CommandLineTest, TakesAValueBesideOrAfterItsOption) {
  const CommandLine line = ReadCommandLine({"--port", "COM1", "--image=a=b.mbl", "--verify", "-h", "--trace=", "--"},
                                          kTerminal);
  ASSERT_TRUE(line.ok()) << line.error;
  EXPECT_EQ(Values(line),
            (std::vector<std::string>{"--port=COM1", "--image=a=b.mbl", "--verify=", "--help=", "--trace="}));
  EXPECT_TRUE(line.Has(OptionId::Help));
  EXPECT_FALSE(line.Has(OptionId::Version));
}

TEST(CommandLineTest, SaysInOneLineWhatIsWrong) {
  struct Case {
    std::vector<std::string> args;
    std::string error;
    unsigned program = kTerminal;
  };
  const Case cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"--bogus=1"}, "unknown option '--bogus'"},
      {{"-x"}, "unknown option '-x'"},
      {{"COM1"}, "unexpected argument 'COM1'"},
      {{"-"}, "unexpected argument '-'"},
      {{""}, "unexpected argument ''"},
      {{"--", "--port"}, "unexpected argument '--port'"},
      {{"--port"}, "the option '--port' needs a value (NAME)"},
      {{"--force=1"}, "the option '--force' takes no value"},
      // A control character would end the line or drive the terminal.
      {{"--a\nb\x1b[2J"}, "unknown option '--a?b?[2J'"},
      // The window's program does not know the terminal's options.
      {{"--port", "COM1"}, "unknown option '--port'", kWindow},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadCommandLine(c.args, c.program).error, c.error) << c.args[0];
  EXPECT_EQ(UsageErrorText("quorrel-upgrade", "unknown option '--bogus'"),
            "quorrel-upgrade: unknown option '--bogus'\nTry 'quorrel-upgrade --help' for more information.\n");
}

// The toolkit's options pass, with their values, in either spelling.
TEST(CommandLineTest, PassesOverForeignOptionsWithTheirValues) {
  const ForeignOption toolkit[] = {{"-style", true}, {"-reverse", false}};
  const CommandLine line =
      ReadCommandLine({"-style", "--help", "--style=Fusion", "-reverse", "--version"}, kWindow, toolkit);
  ASSERT_TRUE(line.ok()) << line.error;
  EXPECT_EQ(Values(line), std::vector<std::string>{"--version="});
  EXPECT_EQ(ReadCommandLine({"-reverse=1", "-styles"}, kWindow, toolkit).error, "unknown option '-styles'");
}

// Each usage form names exactly the options of its runs, so the synopsis and
// the parser agree.
TEST(OptionTableTest, EachUsageFormNamesExactlyTheOptionsOfItsRuns) {
  for (const unsigned program : {unsigned{kTerminal}, unsigned{kWindow}}) {
    for (const UsageForm& form : UsageFormsFor(program)) {
      std::set<std::string> named;
      const std::string text(form.text);
      const std::regex option("--[a-z-]+");
      for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) named.insert(it->str());
      std::set<std::string> expected;
      for (const OptionEntry* entry : OptionsFor(form.uses)) expected.emplace(entry->name);
      EXPECT_EQ(named, expected) << text;
    }
  }
}

TEST(HelpTextTest, WrapsAtBlanksWithinTheWidthAndLosesNoWord) {
  const std::string text = "one two three four five six seven eight nine ten eleven twelve";
  const std::string wrapped = WrapText(text, 4, 2, 20);
  std::istringstream lines(wrapped);
  std::string line, words;
  bool first = true;
  while (std::getline(lines, line)) {
    EXPECT_LE(line.size() + (first ? 4 : 0), 20u) << line;
    if (!first) {
      EXPECT_TRUE(line.starts_with("  ") && line[2] != ' ') << line;
    }
    words += (first ? "" : " ") + line.substr(first ? 0 : 2);
    first = false;
  }
  EXPECT_EQ(words, text);
  EXPECT_EQ(WrapText("averyveryverylongword x", 0, 0, 10), "averyveryverylongword\nx\n");
}

// A usage line breaks before an option or a bracketed group, never inside one.
TEST(HelpTextTest, UsageLinesBreakBetweenOptionsOnly) {
  const std::string usage = UsageLines(kTerminalProgram, kTerminal);
  std::istringstream lines(usage);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_LE(line.size(), kHelpWidth) << line;
    int depth = 0;
    for (const char c : line) depth += c == '[' ? 1 : c == ']' ? -1 : 0;
    EXPECT_EQ(depth, 0) << line;
    EXPECT_FALSE(line.ends_with("--port") || line.ends_with("--image")) << line;
  }
  EXPECT_TRUE(usage.starts_with("Usage: quorrel-upgrade --port NAME --image FILE [--recovery [--serial SN]]"));
}

// --help and --version answer on the terminal; nothing else does.
TEST(WindowCommandLineTest, AnswersHelpAndVersionAndRefusesWhatNobodyReads) {
  const ForeignOption toolkit[] = {{"-style", true}};
  const auto answer = [&](std::vector<std::string> args, std::string& out, std::string& err) {
    std::optional<int> status;
    testing_support::CaptureStreams(
        [&](std::FILE* o, std::FILE* e) {
          status = AnswerWindowCommandLine(args, toolkit, o, e);
          return 0;
        },
        out, err);
    return status;
  };
  std::string out, err;
  EXPECT_EQ(answer({"-style", "Fusion"}, out, err), std::nullopt);
  EXPECT_EQ(out + err, "");
  EXPECT_EQ(answer({"--help"}, out, err), 0);
  EXPECT_EQ(out, WindowHelpText());
  EXPECT_NE(out.find("--version"), std::string::npos);
  EXPECT_EQ(answer({"--version"}, out, err), 0);
  EXPECT_EQ(out, VersionText(kWindowProgram));
  EXPECT_TRUE(out.starts_with("quorrel-upgrade-wizard (Quorrel Upgrade Wizard) " + std::string(ProgramVersion())));
  EXPECT_EQ(answer({"--recovery"}, out, err), kWindowExitUsage);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, UsageErrorText(kWindowProgram, "unknown option '--recovery'"));
}

TEST(WindowCommandLineTest, AHelpThatCannotBeWrittenEndsWithItsStatus) {
  std::FILE* full = std::fopen("/dev/full", "w");  // a disk that is always full
  if (full == nullptr) GTEST_SKIP() << "no /dev/full on this system";
  std::FILE* err = std::tmpfile();
  EXPECT_EQ(AnswerWindowCommandLine({"--help"}, {}, full, err), kWindowExitUsage);
  EXPECT_NE(testing_support::StreamText(err).find("quorrel-upgrade-wizard: the listing cannot be written"),
            std::string::npos);
  std::fclose(full);
  std::fclose(err);
}

}  // namespace
}  // namespace app
