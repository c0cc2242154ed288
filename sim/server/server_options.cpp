#include "sim/server/server_options.h"

#include <algorithm>
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

constexpr ServerOptionEntry kOptions[] = {
    {"--port", "", "N", "TCP port on 127.0.0.1; 0 (the default): the system picks one"},
    {"--sim", "", "OPTIONS", "the interface, as after \"sim:\" in a port name"},
    {"--once", "", "", "end after the first client has left"},
    {"--dump-memory", "", "FILE", "on exit, the device's 64 KiB memory image, byte for byte"},
    {"--dump-serial", "", "FILE", "on exit, the device's serial number and a line feed"},
    {"--help", "-h", "", "show this help and end"},
};

constexpr ServerExitStatus kStatuses[] = {
    {kServerExitOk, "ended by SIGINT or SIGTERM, or with --once by the client; or --help answered"},
    {kServerExitFailed, "the interface or the listening port did not open, or a dump was not written"},
    {kServerExitUsage, "bad options or --sim options: nothing was served"},
};

const ServerOptionEntry* FindOption(std::string_view name) {
  for (const ServerOptionEntry& entry : kOptions) {
    if (name == entry.name || (!entry.shortName.empty() && name == entry.shortName)) return &entry;
  }
  return nullptr;
}

std::string Label(const ServerOptionEntry& entry) {
  std::string label;
  if (!entry.shortName.empty()) label.append(entry.shortName).append(", ");
  label += entry.name;
  if (!entry.argument.empty()) label.append(" ").append(entry.argument);
  return label;
}

}  // namespace

std::span<const ServerOptionEntry> ServerOptionTable() { return kOptions; }

std::span<const ServerExitStatus> ServerExitStatuses() { return kStatuses; }

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
    const ServerOptionEntry* entry = FindOption(name);
    if (!entry) {
      if (name.size() > 1 && name.starts_with("-")) return Fail(error, "unknown option '" + std::string(name) + "'");
      return Fail(error, "unexpected argument '" + std::string(args[i]) + "'");
    }
    if (!seen.insert(entry->name).second) return Fail(error, "the option " + std::string(name) + " is given twice");
    if (entry->argument.empty()) {
      if (inlineValue) return Fail(error, "the option " + std::string(name) + " takes no value");
      (name == "--once" ? options.once : options.help) = true;
      continue;
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

std::string ServerSynopsis() {
  std::string text;
  for (const ServerOptionEntry& entry : kOptions) {
    if (entry.name == "--help") continue;
    if (!text.empty()) text += ' ';
    text.append("[").append(entry.name);
    if (!entry.argument.empty()) text.append(" ").append(entry.argument);
    text += "]";
  }
  return text;
}

std::string ServerUsage() {
  std::string text =
      "Usage: quorrel-sim " + ServerSynopsis() + "\n"
      "Serves one simulated Quorrel interface as a network serial port (rfc2217://127.0.0.1:PORT).\n\n";
  for (const ServerOptionEntry& entry : kOptions) {
    std::string label = "  " + Label(entry);
    label.resize(std::max<std::size_t>(label.size() + 2, 22), ' ');
    text += label + std::string(entry.help) + "\n";
  }
  text +=
      "\nOPTIONS as in sim:model=Tern,serial=QRT7654321; quorrel-sim(1) names them all.\n"
      "The first line printed is the port number. SIGINT or SIGTERM ends the server.\n\nExit status:\n";
  for (const ServerExitStatus& status : kStatuses) {
    text += "  " + std::to_string(static_cast<int>(status.code)) + "  " + std::string(status.text) + "\n";
  }
  return text;
}

std::string ServerUsageError(std::string_view error) {
  return std::string(kServerProgram) + ": " + std::string(error) + "\nTry '" + std::string(kServerProgram) +
         " --help' for more information.\n";
}

}  // namespace sim::server
