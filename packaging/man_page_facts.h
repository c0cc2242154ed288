#pragma once
// What each program's manual page says from its tables: the terminal's and
// the window's options and usage forms, the exit statuses of all three.

#include <optional>
#include <string_view>

#include "packaging/man_page.h"

namespace man {

// quorrel-upgrade, quorrel-upgrade-wizard or quorrel-sim; nullopt for another.
std::optional<PageFacts> FactsOf(std::string_view program);

}  // namespace man
