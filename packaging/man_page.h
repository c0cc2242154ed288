#pragma once
// A manual page made from its program's tables: the template holds the prose,
// and the lines "@SYNOPSIS@", "@OPTIONS@" and "@EXIT_STATUS@" are replaced by
// the program's usage forms, options and exit statuses; "@VERSION@" anywhere
// by the version.

#include <string>
#include <string_view>
#include <vector>

namespace man {

struct OptionEntry {
  std::string_view name;       // "--port"
  std::string_view shortName;  // "-h", or empty
  std::string_view argument;   // "NAME", or empty
  std::string_view text;
};

struct StatusEntry {
  int code;
  std::string_view text;  // `text` in backquotes is literal (bold)
};

struct PageFacts {
  std::string program;
  std::vector<std::string> synopsis;  // the forms after the program's name
  std::vector<OptionEntry> options;
  std::vector<StatusEntry> statuses;
};

// Text for one roff line: backslashes and hyphens escaped, `code` in bold,
// and a leading control character made literal.
std::string RoffText(std::string_view text);

// A usage form in roff: options in bold, their values in italics.
std::string RoffForm(std::string_view form);

std::string SynopsisSection(const PageFacts& facts);
std::string OptionsSection(const PageFacts& facts);
std::string ExitStatusSection(const PageFacts& facts);

// The page: `pageTemplate` with its placeholders filled. Empty when a
// placeholder line is missing, so that a page never ships without its facts.
std::string FillPage(std::string_view pageTemplate, const PageFacts& facts, std::string_view version);

}  // namespace man
