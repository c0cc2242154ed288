#include "gui/file_suffix.h"

namespace gui {

std::string DefaultSuffixOf(std::string_view pattern) {
  const auto dot = pattern.rfind('.');
  if (dot == std::string_view::npos) return {};
  const std::string_view suffix = pattern.substr(dot + 1);
  if (suffix.empty() || suffix.find_first_of("*?/\\") != std::string_view::npos) return {};
  return std::string(suffix);
}

}  // namespace gui
