#pragma once
// The options Qt reads from the window program's command line for itself.
// They pass the program's own reading untouched: a session manager that
// restarts the window gives it "-session ID".

#include <span>

#include "app/command_line.h"

namespace gui {

std::span<const app::ForeignOption> ToolkitOptions();

}  // namespace gui
