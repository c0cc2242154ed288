#pragma once
// The command line of quorrel-sim: its options and exit statuses in tables
// that the help and the manual page are made from. "--name value" and
// "--name=value" alike. The first line on standard output is the port number
// listened on.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sim::server {

inline constexpr std::string_view kServerProgram = "quorrel-sim";

struct ServerOptionEntry {
  std::string_view name;       // "--port"
  std::string_view shortName;  // "-h", or empty
  std::string_view argument;   // "N"; empty for an option that takes no value
  std::string_view help;
};
std::span<const ServerOptionEntry> ServerOptionTable();

enum ServerExit : int { kServerExitOk = 0, kServerExitFailed = 1, kServerExitUsage = 2 };
struct ServerExitStatus {
  ServerExit code;
  std::string_view text;
};
std::span<const ServerExitStatus> ServerExitStatuses();

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

// Every option but --help, each in brackets: "[--port N] [--sim OPTIONS] ...".
std::string ServerSynopsis();

// The whole help.
std::string ServerUsage();

// "quorrel-sim: ERROR" and the line that points to the help.
std::string ServerUsageError(std::string_view error);

}  // namespace sim::server
