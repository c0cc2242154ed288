#pragma once
// The command line of quorrel-sim.
//
//   quorrel-sim [--port N] [--sim OPTIONS] [--once]
//               [--dump-memory FILE] [--dump-serial FILE]
//
//   --port N            TCP port on 127.0.0.1 (0, the default: the system picks one)
//   --sim OPTIONS       the simulated interface, in the option text a "sim:"
//                       port name takes (a leading "sim:" is allowed)
//   --once              end after the first client has left
//   --dump-memory FILE  on exit, the device's 64 KiB memory image, byte for byte
//   --dump-serial FILE  on exit, the serial number in its information flash, and a line feed
//
// The first line on standard output is the port number listened on.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sim::server {

struct ServerOptions {
  std::uint16_t port = 0;
  std::string simOptions;
  bool once = false;
  std::string dumpMemory;
  std::string dumpSerial;
  bool help = false;
};

// Strict: an unknown option, a missing or bad value or a repeated option gives
// nullopt and one sentence in `error`.
std::optional<ServerOptions> ParseServerOptions(std::span<const std::string_view> args, std::string* error);

std::string_view ServerUsage();

}  // namespace sim::server
