#pragma once
// A command line read the way GNU programs read theirs: "--name value" and
// "--name=value" alike, "--" ending the options, and one line naming what is
// wrong, followed by a pointer to --help.

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/option_table.h"

namespace app {

// An option a lower layer reads for itself (the window toolkit's "-style
// NAME"): passed over, with its value. Given with one dash or two.
struct ForeignOption {
  std::string_view name;  // "-style"
  bool takesValue;
};

struct GivenOption {
  const OptionEntry* entry;
  std::string value;  // empty for an option that takes none
};

struct CommandLine {
  std::vector<GivenOption> given;  // in the order given
  std::string error;               // what is wrong, in one line; empty when nothing is
  bool ok() const { return error.empty(); }
  bool Has(OptionId id) const;
};

// The options of the runs `program` names (kTerminal or kWindow). Neither
// program takes an argument that is not an option.
CommandLine ReadCommandLine(const std::vector<std::string>& args, unsigned program,
                            std::span<const ForeignOption> foreign = {});

// An argument as a message quotes it, in single quotes: a control character
// would end the message's line, or drive the terminal, so it shows as '?'.
std::string QuotedArgument(std::string_view text);

// "PROGRAM: ERROR" and the line that points to the help.
std::string UsageErrorText(std::string_view program, std::string_view error);

// The version the run records carry too.
std::string_view ProgramVersion();

// The first line of --version: "PROGRAM (Quorrel Upgrade Wizard) 1.0".
std::string VersionText(std::string_view program);

// Whether what a program was asked to show (a listing, its help) reached
// `out` whole; says why not on `err`, as PROGRAM.
bool ListingWritten(std::string_view program, std::FILE* out, std::FILE* err);

}  // namespace app
