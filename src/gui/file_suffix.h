#pragma once
// The chooser's default extension. The dialog asks for the model's pattern
// ("QRA*.mbl"); what a typed name without an extension gets is the plain
// suffix after the pattern's last dot. Shared by the window hosts.

#include <string>
#include <string_view>

namespace gui {

// "QRA*.mbl" gives "mbl"; empty when the pattern has no plain suffix.
std::string DefaultSuffixOf(std::string_view pattern);

}  // namespace gui
