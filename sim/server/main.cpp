// quorrel-sim: one simulated Quorrel interface, served as a network serial
// port on 127.0.0.1 (see server_options.h for the command line).

#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/rfc2217_socket.h"
#include "platform/standard_streams.h"
#include "platform/stop_signals.h"
#include "sim/server/port_server.h"
#include "sim/server/server_options.h"
#include "sim/server/state_dump.h"
#include "sim/sim_interface.h"
#include "sim/sim_options.h"

namespace {

using sim::server::kServerExitFailed;
using sim::server::kServerExitOk;
using sim::server::kServerExitUsage;

int Serve(const sim::server::ServerOptions& options, const sim::SimOptions& simOptions) {
  auto device = std::make_shared<sim::SimInterface>(simOptions);
  platform::OpenResult cable = device->Open();
  if (!cable.device) {
    std::cerr << "quorrel-sim: the simulated interface did not open: " << cable.detail << "\n";
    return kServerExitFailed;
  }
  const platform::Result<platform::net::Socket> listening = platform::net::ListenLoopback(options.port);
  if (!listening.ok()) {
    std::cerr << "quorrel-sim: cannot listen on 127.0.0.1 port " << options.port << ": " << listening.detail << "\n";
    return kServerExitFailed;
  }
  const platform::net::Socket& listener = listening.value;
  std::string error;
  // A stop request (Ctrl-C, a shutdown) ends the server; the device's state
  // is still written out.
  const platform::ScopedStopSignals stopSignals;
  std::cout << platform::net::LocalPort(listener) << std::endl;
  {
    sim::server::PortServer server(*cable.device, platform::LineSettings{});
    server.Run(listener, [] { return platform::StopSignalRaised(); }, options.once);
  }
  cable.device.reset();
  if (!sim::server::DumpDeviceState(*device, options.dumpMemory, options.dumpSerial, &error)) {
    std::cerr << "quorrel-sim: " << error << "\n";
    return kServerExitFailed;
  }
  return kServerExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (!platform::OpenClosedStandardStreams()) return kServerExitFailed;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  std::string error;
  const auto options = sim::server::ParseServerOptions(args, &error);
  if (!options) {
    std::cerr << sim::server::ServerUsageError(error);
    return kServerExitUsage;
  }
  if (options->help) {
    std::cout << sim::server::ServerUsage();
    return kServerExitOk;
  }
  const auto simOptions = sim::ParseSimOptions(options->simOptions, &error);
  if (!simOptions) {
    std::cerr << sim::server::ServerUsageError("bad --sim options: " + error);
    return kServerExitUsage;
  }
  return Serve(*options, *simOptions);
}
