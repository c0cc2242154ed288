#pragma once
// The images a chooser would offer, for a user who gave no --image.

#include <string>
#include <vector>

#include "i18n/language_table.h"

namespace cli {

// Files of `folder` that match `pattern` ("QRA*.mbl": a prefix, '*', a
// suffix; letter case ignored), sorted by name.
std::vector<std::string> ListImages(const std::string& folder, const std::string& pattern);

// A message naming the folder, its images and the option to give, in the
// language of `table` (null: the built-in English).
std::string DescribeImages(const std::string& folder, const std::string& pattern,
                           const i18n::LanguageTable* table = nullptr);

}  // namespace cli
