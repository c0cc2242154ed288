#include "sim/server/server_options.h"

#include <charconv>
#include <set>

namespace sim::server {
namespace {

bool ParsePort(std::string_view text, std::uint16_t* port) {
  unsigned value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > 65535) return false;
  *port = static_cast<std::uint16_t>(value);
  return true;
}

std::optional<ServerOptions> Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return std::nullopt;
}

}  // namespace

std::optional<ServerOptions> ParseServerOptions(std::span<const std::string_view> args, std::string* error) {
  ServerOptions options;
  std::set<std::string_view> seen;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view name = args[i];
    std::optional<std::string_view> inlineValue;
    if (const auto equals = name.find('='); name.starts_with("--") && equals != std::string_view::npos) {
      inlineValue = name.substr(equals + 1);
      name = name.substr(0, equals);
    }
    if (!seen.insert(name).second) return Fail(error, "the option " + std::string(name) + " is given twice");
    const bool flag = name == "--once" || name == "--help" || name == "-h";
    if (flag) {
      if (inlineValue) return Fail(error, "the option " + std::string(name) + " takes no value");
      (name == "--once" ? options.once : options.help) = true;
      continue;
    }
    if (name != "--port" && name != "--sim" && name != "--dump-memory" && name != "--dump-serial") {
      return Fail(error, "unknown option " + std::string(args[i]) + " (see --help)");
    }
    if (!inlineValue && i + 1 >= args.size()) return Fail(error, "the option " + std::string(name) + " needs a value");
    const std::string_view value = inlineValue ? *inlineValue : args[++i];
    if (name == "--port") {
      if (!ParsePort(value, &options.port)) return Fail(error, "--port takes a number from 0 to 65535");
    } else if (name == "--sim") {
      options.simOptions = std::string(value.starts_with("sim:") ? value.substr(4) : value);
    } else if (value.empty()) {
      return Fail(error, "the option " + std::string(name) + " needs a file name");
    } else {
      (name == "--dump-memory" ? options.dumpMemory : options.dumpSerial) = std::string(value);
    }
  }
  return options;
}

std::string_view ServerUsage() {
  return "usage: quorrel-sim [--port N] [--sim OPTIONS] [--once] [--dump-memory FILE] [--dump-serial FILE]\n"
         "Serves one simulated Quorrel interface as a network serial port (rfc2217://127.0.0.1:PORT).\n"
         "  --port N            TCP port on 127.0.0.1; 0 (the default) lets the system pick one\n"
         "  --sim OPTIONS       the interface, as after \"sim:\" in a port name, e.g. model=Tern,serial=QRT7654321\n"
         "  --once              end after the first client has left\n"
         "  --dump-memory FILE  on exit, write the device's 64 KiB memory image to FILE\n"
         "  --dump-serial FILE  on exit, write the device's serial number to FILE\n"
         "The first line printed is the port number. SIGINT or SIGTERM ends the server.\n";
}

}  // namespace sim::server
