// quorrel-upgrade: the upgrade wizard's dialog logic, run from a terminal.
// It takes no single-instance guard: production lines run one per port, and
// the exclusive port open keeps two runs off one device.

#include <clocale>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "cli/console_session.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/port_listing.h"
#include "platform/port_discovery.h"
#include "platform/standard_streams.h"
#include "platform/stop_signals.h"
#include "platform/terminal.h"
#include "sim/sim_ports.h"

namespace {

// What the program was asked to list, whole on standard output, or its own status.
int Listed(int status) {
  return app::ListingWritten(app::kTerminalProgram, stdout, stderr) ? status : cli::kExitNotWritten;
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything opens: a port must never take the place of a closed
  // standard stream.
  if (!platform::OpenClosedStandardStreams()) return cli::kExitInternal;
  // A reader of the output that goes away (`| head`) never stops an upgrade.
  const platform::ScopedBrokenPipeTolerance pipes;
  std::setlocale(LC_ALL, "");
  // A Windows console shows the texts' code page and redraws lines only
  // when told to; a terminal that cannot redraw a line gets plain lines.
  const platform::ScopedTerminalText outText(stdout);
  const platform::ScopedTerminalText errText(stderr);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const cli::ParseResult parsed = cli::ParseOptions(args);
  if (!parsed.options) {
    std::fputs(app::UsageErrorText(app::kTerminalProgram, parsed.error).c_str(), stderr);
    return cli::kExitUsage;
  }
  if (parsed.options->help) {
    std::fputs(cli::UsageText().c_str(), stdout);
    return Listed(cli::kExitSuccess);
  }
  if (parsed.options->version) {
    std::fputs(app::VersionText(app::kTerminalProgram).c_str(), stdout);
    return Listed(cli::kExitSuccess);
  }
  if (parsed.options->listPorts) {
    const std::unique_ptr<platform::PortSource> source = platform::MakeSystemPortSource();
    return Listed(cli::ListPorts(source.get(), stdout, stderr));
  }
  sim::RegisterBuiltInPorts();
  // Ctrl-C, shutdown or a closed terminal stop the upgrade where the device
  // can be left with a word, never in the middle of a block.
  const platform::ScopedStopSignals stopSignals;
  const wizard::StopRequest stop(/*followSignals=*/true);
  const cli::ConsoleStreams streams{stdout, stderr, errText.RedrawsLines(),
                                    platform::TerminalColumns(stderr).value_or(0)};
  return cli::RunConsoleUpgrade(*parsed.options, streams, &stop);
}
