#include "cli/image_listing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "i18n/notices.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool Matches(const std::string& name, const std::string& pattern) {
  const auto star = pattern.find('*');
  if (star == std::string::npos) return Lower(name) == Lower(pattern);
  const std::string prefix = Lower(pattern.substr(0, star));
  const std::string suffix = Lower(pattern.substr(star + 1));
  const std::string lower = Lower(name);
  return lower.size() >= prefix.size() + suffix.size() && lower.starts_with(prefix) && lower.ends_with(suffix);
}

}  // namespace

std::vector<std::string> ListImages(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file(error) && Matches(name, pattern)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string DescribeImages(const std::string& folder, const std::string& pattern, const i18n::LanguageTable* table) {
  const auto names = ListImages(folder, pattern);
  const i18n::Entry header = names.empty() ? i18n::NoImageInFolder : i18n::ImagesInFolder;
  std::string text = i18n::FillIn(i18n::NoticeText(table, header), {{"pattern", pattern}, {"folder", folder}});
  for (const auto& name : names) text += "\n  " + folder + name;
  return text + "\n" + i18n::NoticeText(table, i18n::ChooseImageOption);
}

}  // namespace cli
