#pragma once
// The exit statuses of quorrel-upgrade, each with the word its run record
// carries and what the help and the manual (and the README's table) say of
// it. The help, the manual pages and the records are made from this table.

#include <span>
#include <string>
#include <string_view>

#include "cli/exit_codes.h"

namespace cli {

struct ExitStatusFact {
  ExitCode code;
  std::string_view outcome;  // the run record's word
  std::string_view help;     // the help's words
  std::string_view manual;   // the manual's words; `text` in backquotes is literal
};

std::span<const ExitStatusFact> ExitStatusFacts();

// A stable word for an exit status, for records and summaries.
std::string OutcomeWord(int exitCode);

// The help's list of exit statuses.
std::string ExitStatusHelp();

}  // namespace cli
