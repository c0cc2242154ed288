#include "app/command_line.h"

#include <cerrno>
#include <cstring>

namespace app {
namespace {

const OptionEntry* FindOption(std::string_view name, unsigned program) {
  for (const OptionEntry& entry : OptionTable()) {
    if ((entry.uses & program) == 0) continue;
    if (name == entry.name || (!entry.shortName.empty() && name == entry.shortName)) return &entry;
  }
  return nullptr;
}

const ForeignOption* FindForeign(std::string_view name, std::span<const ForeignOption> foreign) {
  if (name.starts_with("--")) name.remove_prefix(1);
  for (const ForeignOption& option : foreign) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

CommandLine Refused(std::string error) { return CommandLine{{}, std::move(error)}; }

}  // namespace

std::string QuotedArgument(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) quoted += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
  return quoted + "'";
}

bool CommandLine::Has(OptionId id) const {
  for (const GivenOption& option : given) {
    if (option.entry->id == id) return true;
  }
  return false;
}

CommandLine ReadCommandLine(const std::vector<std::string>& args, unsigned program,
                            std::span<const ForeignOption> foreign) {
  CommandLine line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      if (i + 1 < args.size()) return Refused("unexpected argument " + QuotedArgument(args[i + 1]));
      break;
    }
    if (arg.size() < 2 || arg[0] != '-') return Refused("unexpected argument " + QuotedArgument(arg));
    const std::size_t equals = arg.find('=');
    const std::string_view name = std::string_view(arg).substr(0, equals);
    const OptionEntry* entry = FindOption(name, program);
    if (!entry) {
      const ForeignOption* passed = FindForeign(name, foreign);
      if (!passed) return Refused("unknown option " + QuotedArgument(name));
      if (passed->takesValue && equals == std::string::npos) ++i;
      continue;
    }
    GivenOption given{entry, {}};
    if (entry->argument.empty()) {
      if (equals != std::string::npos) return Refused("the option " + QuotedArgument(name) + " takes no value");
    } else if (equals != std::string::npos) {
      given.value = arg.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      given.value = args[++i];
    } else {
      return Refused("the option " + QuotedArgument(name) + " needs a value (" + std::string(entry->argument) + ")");
    }
    line.given.push_back(std::move(given));
  }
  return line;
}

std::string UsageErrorText(std::string_view program, std::string_view error) {
  std::string text(program);
  text.append(": ").append(error).append("\nTry '").append(program).append(" --help' for more information.\n");
  return text;
}

std::string_view ProgramVersion() { return QUORREL_VERSION; }

std::string VersionText(std::string_view program) {
  return std::string(program) + " (Quorrel Upgrade Wizard) " + std::string(ProgramVersion()) + "\n";
}

bool ListingWritten(std::string_view program, std::FILE* out, std::FILE* err) {
  // errno still holds the failure of a write the listing made earlier.
  const bool written = std::fflush(out) == 0 && !std::ferror(out);
  if (!written) {
    std::fprintf(err, "%.*s: the listing cannot be written to standard output (%s)\n", static_cast<int>(program.size()),
                 program.data(), std::strerror(errno != 0 ? errno : EIO));
  }
  return written;
}

}  // namespace app
