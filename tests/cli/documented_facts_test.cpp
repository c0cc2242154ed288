// What the README tells of the terminal front end is checked against the
// tables the program, its help and its manual pages are made from: its exit
// statuses and its command-line forms.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "app/option_table.h"
#include "cli/exit_statuses.h"

namespace cli {
namespace {

std::vector<std::string> ReadmeLines() {
  std::ifstream readme(std::string(QUORREL_SOURCE_DIR) + "/README.md");
  std::vector<std::string> lines;
  for (std::string line; std::getline(readme, line);) lines.push_back(line);
  return lines;
}

std::string Collapsed(const std::string& text) {
  std::istringstream words(text);
  std::string collapsed;
  for (std::string word; words >> word;) collapsed += (collapsed.empty() ? "" : " ") + word;
  return collapsed;
}

TEST(DocumentedFacts, TheReadmesExitStatusTableIsTheProgramsOwn) {
  const std::regex row(R"(^\| (\d+) \| (.*) \|$)");
  std::vector<std::pair<int, std::string>> documented;
  bool inTable = false;
  for (const std::string& line : ReadmeLines()) {
    if (line.starts_with("| Exit status |")) inTable = true;
    if (inTable && line.empty()) break;
    std::smatch match;
    if (inTable && std::regex_match(line, match, row)) documented.emplace_back(std::stoi(match[1]), match[2]);
  }
  std::vector<std::pair<int, std::string>> table;
  for (const ExitStatusFact& fact : ExitStatusFacts()) table.emplace_back(fact.code, std::string(fact.manual));
  EXPECT_EQ(documented, table);
}

TEST(DocumentedFacts, TheReadmesUsageLinesAreTheProgramsForms) {
  std::string block;
  bool inSection = false;
  for (const std::string& line : ReadmeLines()) {
    if (line == "## The terminal front end") inSection = true;
    if (!inSection) continue;
    if (line.starts_with("    ")) block += line + "\n";
    if (!block.empty() && line.empty()) break;
  }
  std::vector<std::string> documented;
  const std::string program = "quorrel-upgrade ";
  for (std::size_t at = block.find(program); at != std::string::npos;) {
    const std::size_t next = block.find(program, at + 1);
    documented.push_back(Collapsed(block.substr(at + program.size(), next - at - program.size())));
    at = next;
  }
  std::vector<std::string> forms;
  for (const app::UsageForm& form : app::UsageFormsFor(app::kTerminal)) forms.emplace_back(form.text);
  EXPECT_EQ(documented, forms);
}

// A record names how a device ended; two statuses with one word could not be
// told apart.
TEST(DocumentedFacts, EveryExitStatusHasItsOwnWordAndHelpLine) {
  std::set<int> codes;
  std::set<std::string> words;
  const std::string help = ExitStatusHelp();
  for (const ExitStatusFact& fact : ExitStatusFacts()) {
    EXPECT_TRUE(codes.insert(fact.code).second) << fact.code;
    EXPECT_TRUE(words.insert(std::string(fact.outcome)).second) << fact.outcome;
    EXPECT_EQ(OutcomeWord(fact.code), fact.outcome);
    EXPECT_FALSE(fact.help.empty() || fact.manual.empty()) << fact.code;
    std::string number = std::to_string(static_cast<int>(fact.code));
    EXPECT_NE(help.find(std::string(4 - number.size(), ' ') + number + "  " + std::string(fact.help.substr(0, 20))),
              std::string::npos)
        << fact.code;
  }
  EXPECT_EQ(OutcomeWord(99), "internal-error");
}

}  // namespace
}  // namespace cli
