#include "packaging/man_page.h"

#include <algorithm>
#include <cctype>

namespace man {
namespace {

bool IsValueName(std::string_view word) {
  if (word.empty()) return false;
  for (const char c : word) {
    if (!std::isupper(static_cast<unsigned char>(c)) && !std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string Escaped(std::string_view text) {
  std::string roff;
  bool bold = false;
  for (const char c : text) {
    if (c == '\\') {
      roff += "\\e";
    } else if (c == '-') {
      roff += "\\-";
    } else if (c == '`') {
      roff += bold ? "\\fR" : "\\fB";
      bold = !bold;
    } else {
      roff += c;
    }
  }
  if (bold) roff += "\\fR";
  return roff;
}

// A text line that starts with a control character would be read as a request.
std::string LineSafe(std::string line) {
  if (!line.empty() && (line.front() == '.' || line.front() == '\'')) line.insert(0, "\\&");
  return line;
}

// One word of a usage form: its brackets roman, an option bold, a value
// italic, anything else ("|", "...") as it stands.
std::string RoffWord(std::string_view word) {
  const std::size_t begin = word.find_first_not_of('[');
  if (begin == std::string_view::npos) return std::string(word);
  const std::size_t end = word.find_last_not_of(']') + 1;
  const std::string_view core = word.substr(begin, end - begin);
  std::string text(word.substr(0, begin));
  if (core.starts_with("-")) {
    text += "\\fB" + Escaped(core) + "\\fR";
  } else if (IsValueName(core)) {
    text += "\\fI" + std::string(core) + "\\fR";
  } else {
    text += Escaped(core);
  }
  return text + std::string(word.substr(end));
}

std::string OptionLabel(const OptionEntry& option) {
  std::string label;
  if (!option.shortName.empty()) label += "\\fB" + Escaped(option.shortName) + "\\fR, ";
  label += "\\fB" + Escaped(option.name) + "\\fR";
  if (!option.argument.empty()) label += " \\fI" + std::string(option.argument) + "\\fR";
  return label;
}

// Replaces the line `placeholder` in `page`; false when it is not there.
bool ReplaceLine(std::string& page, std::string_view placeholder, const std::string& text) {
  // Appended in place: prepending to a temporary makes the optimiser warn of
  // an overlap that cannot happen.
  std::string line = "\n";
  line.append(placeholder).append("\n");
  const std::size_t at = page.find(line);
  if (at == std::string::npos) return false;
  page.replace(at + 1, line.size() - 1, text);
  return true;
}

}  // namespace

std::string RoffText(std::string_view text) { return LineSafe(Escaped(text)); }

std::string RoffForm(std::string_view form) {
  std::string roff;
  std::size_t start = 0;
  while (start <= form.size()) {
    const std::size_t end = std::min(form.find(' ', start), form.size());
    if (!roff.empty()) roff += ' ';
    roff += RoffWord(form.substr(start, end - start));
    start = end + 1;
  }
  return LineSafe(roff);
}

std::string SynopsisSection(const PageFacts& facts) {
  std::string text;
  for (const std::string& form : facts.synopsis) {
    if (!text.empty()) text += ".br\n";
    text += ".B " + RoffText(facts.program) + "\n" + RoffForm(form) + "\n";
  }
  return text;
}

std::string OptionsSection(const PageFacts& facts) {
  std::string text;
  for (const OptionEntry& option : facts.options) {
    text += ".TP\n" + OptionLabel(option) + "\n" + RoffText(option.text) + "\n";
  }
  return text;
}

std::string ExitStatusSection(const PageFacts& facts) {
  std::string text;
  for (const StatusEntry& status : facts.statuses) {
    text += ".TP\n.B " + std::to_string(status.code) + "\n" + RoffText(status.text) + "\n";
  }
  return text;
}

std::string FillPage(std::string_view pageTemplate, const PageFacts& facts, std::string_view version) {
  std::string page(pageTemplate);
  if (!ReplaceLine(page, "@SYNOPSIS@", SynopsisSection(facts)) ||
      !ReplaceLine(page, "@OPTIONS@", OptionsSection(facts)) ||
      !ReplaceLine(page, "@EXIT_STATUS@", ExitStatusSection(facts))) {
    return {};
  }
  for (std::size_t at = page.find("@VERSION@"); at != std::string::npos; at = page.find("@VERSION@", at)) {
    page.replace(at, 9, version);
  }
  return page;
}

}  // namespace man
