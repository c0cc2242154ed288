#include "app/help_text.h"

#include <algorithm>
#include <vector>

#include "app/option_table.h"

namespace app {
namespace {

// Lays `units` out on lines of at most `width` columns, a blank between two
// units of one line.
std::string WrapUnits(const std::vector<std::string_view>& units, std::size_t firstColumn, std::size_t indent,
                      std::size_t width) {
  std::string text;
  std::size_t column = firstColumn;
  bool lineStarted = false;
  for (const std::string_view unit : units) {
    if (lineStarted && column + 1 + unit.size() > width) {
      text.append("\n").append(indent, ' ');
      column = indent;
      lineStarted = false;
    }
    if (lineStarted) {
      text += ' ';
      ++column;
    }
    text += unit;
    column += unit.size();
    lineStarted = true;
  }
  return text + "\n";
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    if (end > start) words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

// A usage form's units: an option with its value, or a bracketed group whole.
// A line breaks only before an option or a group.
std::vector<std::string_view> FormUnits(std::string_view form) {
  std::vector<std::string_view> units;
  std::size_t start = 0;
  int depth = 0;
  for (std::size_t i = 0; i < form.size(); ++i) {
    if (form[i] == '[') ++depth;
    if (form[i] == ']') --depth;
    const bool breakable = form[i] == ' ' && depth == 0 && i + 1 < form.size() &&
                           (form[i + 1] == '-' || form[i + 1] == '[');
    if (!breakable) continue;
    units.push_back(form.substr(start, i - start));
    start = i + 1;
  }
  units.push_back(form.substr(start));
  return units;
}

std::string Label(const OptionEntry& entry) {
  std::string label;
  if (!entry.shortName.empty()) label.append(entry.shortName).append(", ");
  label += entry.name;
  if (!entry.argument.empty()) label.append(" ").append(entry.argument);
  return label;
}

}  // namespace

std::string WrapText(std::string_view text, std::size_t firstColumn, std::size_t indent, std::size_t width) {
  return WrapUnits(Words(text), firstColumn, indent, width);
}

std::string UsageLines(std::string_view program, unsigned programUses) {
  const std::string lead = "Usage: " + std::string(program) + " ";
  std::string text;
  for (const UsageForm& form : UsageFormsFor(programUses)) {
    text += text.empty() ? lead : std::string(lead.size() - program.size() - 1, ' ') + std::string(program) + " ";
    text += WrapUnits(FormUnits(form.text), lead.size(), lead.size(), kHelpWidth);
  }
  return text;
}

std::string OptionList(unsigned uses) {
  const std::vector<const OptionEntry*> options = OptionsFor(uses);
  std::size_t labelWidth = 0;
  for (const OptionEntry* entry : options) labelWidth = std::max(labelWidth, Label(*entry).size());
  const std::size_t column = 2 + labelWidth + 2;
  std::string text;
  for (const OptionEntry* entry : options) {
    std::string label = "  " + Label(*entry);
    label.resize(column, ' ');
    text += label + WrapText(entry->help, column, column);
  }
  return text;
}

}  // namespace app
