// The manual pages made at build time: roff escaping, and each program's
// template filled from the tables its help comes from.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

#include "packaging/man_page.h"
#include "packaging/man_page_facts.h"

namespace man {
namespace {

std::string Template(const std::string& program) {
  std::ifstream page(std::string(QUORREL_SOURCE_DIR) + "/packaging/man/" + program + ".1.in");
  return std::string(std::istreambuf_iterator<char>(page), std::istreambuf_iterator<char>());
}

TEST(ManPageTest, TextIsEscapedAsRoffReadsIt) {
  EXPECT_EQ(RoffText("--port \\\\.\\COM1"), "\\-\\-port \\e\\e.\\eCOM1");
  EXPECT_EQ(RoffText("run `--recovery --serial SN` now"), "run \\fB\\-\\-recovery \\-\\-serial SN\\fR now");
  EXPECT_EQ(RoffText("`unclosed"), "\\fBunclosed\\fR");
  // A line that starts with a control character would be read as a request.
  EXPECT_EQ(RoffText(".TH"), "\\&.TH");
  EXPECT_EQ(RoffText("'quoted'"), "\\&'quoted'");
}

TEST(ManPageTest, FormsShowOptionsBoldAndValuesItalic) {
  EXPECT_EQ(RoffForm("--port NAME [--recovery [--serial SN]] ... | --all-ports"),
            "\\fB\\-\\-port\\fR \\fINAME\\fR [\\fB\\-\\-recovery\\fR [\\fB\\-\\-serial\\fR \\fISN\\fR]] ... | "
            "\\fB\\-\\-all\\-ports\\fR");
}

// A page never ships without the facts it was meant to carry.
TEST(ManPageTest, ATemplateWithoutItsPlaceholdersMakesNoPage) {
  const PageFacts facts{"prog", {"[--x]"}, {{"--x", "", "", "does x"}}, {{0, "fine"}}};
  EXPECT_EQ(FillPage(".TH PROG 1\n@SYNOPSIS@\n@OPTIONS@\n", facts, "1.0"), "");
  const std::string page = FillPage(".TH PROG 1 @VERSION@\n@SYNOPSIS@\n@OPTIONS@\n@EXIT_STATUS@\n", facts, "2.5");
  EXPECT_EQ(page,
            ".TH PROG 1 2.5\n.B prog\n[\\fB\\-\\-x\\fR]\n.TP\n\\fB\\-\\-x\\fR\ndoes x\n.TP\n.B 0\nfine\n");
}

TEST(ManPageTest, EachProgramsTemplateFillsFromItsTables) {
  for (const char* program : {"quorrel-upgrade", "quorrel-upgrade-wizard", "quorrel-sim"}) {
    const std::optional<PageFacts> facts = FactsOf(program);
    ASSERT_TRUE(facts) << program;
    const std::string page = FillPage(Template(program), *facts, "9.9");
    ASSERT_FALSE(page.empty()) << program;
    EXPECT_FALSE(std::regex_search(page, std::regex("@[A-Z_]+@"))) << program;
    EXPECT_NE(page.find("\"Quorrel Upgrade Wizard 9.9\""), std::string::npos) << program;
    EXPECT_NE(page.find("\\fB\\-\\-help\\fR"), std::string::npos) << program;
    for (const OptionEntry& option : facts->options) {
      EXPECT_NE(page.find("\\fB" + RoffText(option.name) + "\\fR"), std::string::npos) << program << option.name;
    }
    for (const StatusEntry& status : facts->statuses) {
      EXPECT_NE(page.find(".TP\n.B " + std::to_string(status.code) + "\n" + RoffText(status.text) + "\n"),
                std::string::npos)
          << program << " " << status.code;
    }
  }
  EXPECT_FALSE(FactsOf("quorrel-other"));
}

}  // namespace
}  // namespace man
