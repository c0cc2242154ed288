// Command lines as anyone may type them (arguments apart by NUL bytes), for
// both programs: a refusal is one line, and an accepted line holds only
// options its program knows.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "cli/options.h"

namespace {

void CheckRead(const std::vector<std::string>& args, unsigned program) {
  const app::CommandLine line = app::ReadCommandLine(args, program);
  if (!line.ok() && !line.given.empty()) std::abort();
  if (line.error.find('\n') != std::string::npos || line.error.find('\x1b') != std::string::npos) std::abort();
  for (const app::GivenOption& given : line.given) {
    if ((given.entry->uses & program) == 0) std::abort();
    if (given.entry->argument.empty() && !given.value.empty()) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  std::string arg;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(arg);
      arg.clear();
    } else {
      arg += static_cast<char>(data[i]);
    }
  }
  args.push_back(arg);
  CheckRead(args, app::kTerminal);
  CheckRead(args, app::kWindow);
  const cli::ParseResult parsed = cli::ParseOptions(args);
  if (parsed.options.has_value() == !parsed.error.empty()) std::abort();
  if (parsed.error.find('\n') != std::string::npos) std::abort();
  return 0;
}
