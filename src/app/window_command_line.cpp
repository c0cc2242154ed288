#include "app/window_command_line.h"

#include "app/help_text.h"

namespace app {
namespace {

constexpr ExitStatusWording kWindowStatuses[] = {
    {0, "the window was closed, or --help or --version answered"},
    {kWindowExitUsage, "an option is unknown or lacks its value (no window opened), or the help or the version "
                       "could not be written"},
};

}  // namespace

std::span<const ExitStatusWording> WindowExitStatuses() { return kWindowStatuses; }

std::string WindowHelpText() {
  return UsageLines(kWindowProgram, kWindow) + "\n" +
         WrapText("Shows the Quorrel Upgrade Wizard's window: pick the port of the interface, press File..., "
                  "then Upgrade. quorrel-upgrade runs the same dialog from a terminal.",
                  0, 0) +
         "\n" + OptionList(kWindow) + "\n" +
         WrapText("The window also takes the options of its toolkit, Qt, such as -style NAME and -platform NAME.", 0,
                  0);
}

std::optional<int> AnswerWindowCommandLine(const std::vector<std::string>& args,
                                           std::span<const ForeignOption> toolkit, std::FILE* out, std::FILE* err) {
  const CommandLine line = ReadCommandLine(args, kWindow, toolkit);
  if (!line.ok()) {
    std::fputs(UsageErrorText(kWindowProgram, line.error).c_str(), err);
    return kWindowExitUsage;
  }
  if (line.Has(OptionId::Help)) {
    std::fputs(WindowHelpText().c_str(), out);
  } else if (line.Has(OptionId::Version)) {
    std::fputs(VersionText(kWindowProgram).c_str(), out);
  } else {
    return std::nullopt;
  }
  return ListingWritten(kWindowProgram, out, err) ? 0 : kWindowExitUsage;
}

}  // namespace app
