#include "cli/options.h"

#include <charconv>

#include "app/command_line.h"
#include "app/help_text.h"
#include "cli/exit_statuses.h"
#include "device/serial_number.h"

namespace cli {
namespace {

using app::OptionId;

template <typename T>
std::optional<T> ParseNumber(const std::string& text, int base, unsigned long max) {
  unsigned long value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || ec != std::errc() || ptr != end || value > max) return std::nullopt;
  return static_cast<T>(value);
}

// Takes one option into `options`; what is wrong with its value, if anything.
std::string Apply(const app::GivenOption& given, Options& options) {
  const std::string& value = given.value;
  switch (given.entry->id) {
    case OptionId::Port: options.ports.push_back(value); break;
    case OptionId::PortsFile: options.portsFile = value; break;
    case OptionId::AllPorts: options.allPorts = true; break;
    case OptionId::Image: options.image = value; break;
    case OptionId::Recovery: options.recovery = true; break;
    case OptionId::Serial: options.serial = value; break;
    case OptionId::Verify: options.verify = true; break;
    case OptionId::Force: options.force = true; break;
    case OptionId::Trace: options.traceFile = value; break;
    case OptionId::Report: options.reportFile = value; break;
    case OptionId::ListPorts: options.listPorts = true; break;
    case OptionId::Help: options.help = true; break;
    case OptionId::Version: options.version = true; break;
    case OptionId::Lang:
      options.languageId = ParseNumber<std::uint16_t>(value, 10, 0xFFFF);
      if (!options.languageId) return "--lang takes a language identifier from 0 to 65535";
      break;
    case OptionId::PasswordFill:
      options.passwordFill = ParseNumber<std::uint8_t>(value, 16, 0xFF);
      if (!options.passwordFill) return "--password-fill takes one byte in hexadecimal (00 to FF)";
      break;
  }
  return {};
}

// The first option given that the run `uses` does not take.
const app::OptionEntry* OutsideOf(const app::CommandLine& line, unsigned uses) {
  for (const app::GivenOption& given : line.given) {
    if ((given.entry->uses & uses) == 0) return given.entry;
  }
  return nullptr;
}

// One image goes to many interfaces, and each keeps the serial number it has.
std::string CheckGangCombination(const Options& options, const app::CommandLine& line) {
  if (const app::OptionEntry* single = OutsideOf(line, app::kGang)) {
    return std::string(single->name) + " upgrades one interface at a time: it does not go with several ports";
  }
  if (!options.image) return "several ports need --image";
  return {};
}

std::string CheckCombination(const Options& options, const app::CommandLine& line) {
  if (options.help || options.version) return {};
  if (options.listPorts) return OutsideOf(line, app::kAlone) ? "--list-ports goes alone" : std::string();
  if (IsGangRun(options)) return CheckGangCombination(options, line);
  if (options.ports.empty()) return "--port is required";
  if (options.serial && !options.recovery) return "--serial goes with --recovery";
  if (options.serial && !device::IsExactSerialNumber(*options.serial))
    return "--serial " + app::QuotedArgument(*options.serial) +
           " is not a serial number: it has exactly 10 characters, \"QR\", a letter or digit, then 7 digits "
           "(QRA1234567)";
  return {};
}

std::string Paragraph(std::string_view text) { return app::WrapText(text, 0, 0); }

}  // namespace

bool IsGangRun(const Options& options) {
  return options.ports.size() > 1 || options.portsFile.has_value() || options.allPorts;
}

ParseResult ParseOptions(const std::vector<std::string>& args) {
  const app::CommandLine line = app::ReadCommandLine(args, app::kTerminal);
  if (!line.ok()) return {std::nullopt, line.error};
  Options options;
  for (const app::GivenOption& given : line.given) {
    if (std::string problem = Apply(given, options); !problem.empty()) return {std::nullopt, problem};
  }
  if (std::string problem = CheckCombination(options, line); !problem.empty()) return {std::nullopt, problem};
  return {options, {}};
}

std::string UsageText() {
  return app::UsageLines(app::kTerminalProgram, app::kTerminal) + "\n" +
         Paragraph("Upgrades the application firmware of a Quorrel interface, as the wizard's window does: File..., "
                   "then Upgrade.") +
         "\n" + app::OptionList(app::kTerminal) + "\n" +
         Paragraph("Several ports (--port more than once, --ports-file, --all-ports) are upgraded at once with one "
                   "image: such a gang run shows one line per device on a terminal, else lines prefixed [PORT], "
                   "and ends with a summary.") +
         "\n" +
         Paragraph("The image and PATCH.TXT are read whole and checked before anything is sent: a damaged file is "
                   "refused with its line and what is wrong, and nothing is erased. Ctrl-C (or SIGTERM, SIGHUP) "
                   "stops at a safe point: before the boot loader the device is left as it was; in the loader the "
                   "block under way is finished and the serial number to recover with is named. Before the first "
                   "erase, a note of the device and its serial number goes into the journal "
                   "($XDG_STATE_HOME/quorrel-upgrade/, by default ~/.local/state/quorrel-upgrade/); it stays while "
                   "the device may be left in its loader, so the next run finds it.") +
         "\n" +
         Paragraph("Standard output: the status list, one line each. Standard error: messages, the interface kind "
                   "and serial number, and a progress bar of the programmed bytes on a terminal. Output that cannot "
                   "be written (a reader that went away, a full disk) is noted once and never stops the run.") +
         "\nExit status:\n" + ExitStatusHelp() +
         Paragraph("When a device fails and its record cannot be written either, the device's status wins (a "
                   "gang's " + std::to_string(kExitSomeFailed) + " too): it says what the device needs.");
}

}  // namespace cli
