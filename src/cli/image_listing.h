#pragma once
// The images a chooser would offer, for a user who gave no --image.

#include <string>
#include <vector>

namespace cli {

// Files of `folder` that match `pattern` ("QRA*.mbl": a prefix, '*', a
// suffix; letter case ignored), sorted by name.
std::vector<std::string> ListImages(const std::string& folder, const std::string& pattern);

// A message naming the folder, its images and the option to give.
std::string DescribeImages(const std::string& folder, const std::string& pattern);

}  // namespace cli
