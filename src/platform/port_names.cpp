#include "platform/port_names.h"

#include <cstdlib>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/trace.h"
#include "platform/tty_device.h"

namespace platform {
namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";
constexpr std::size_t kPrefixFromLength = 5;
constexpr std::string_view kComPrefix = "COM";
constexpr int kFirstCom = 1;
constexpr int kLastCom = 16;
constexpr std::string_view kComEnvPrefix = "QUORREL_COM";
constexpr std::string_view kTtyPrefix = "/dev/ttyS";

struct Scheme {
  std::string prefix;
  PortOpener opener;
};

struct Registry {
  std::mutex mutex;
  std::vector<Scheme> schemes;
  OpenFailureListener listener;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// "COM1".."COM16" exactly as written: the number, or nothing.
std::optional<int> ComNumber(std::string_view name) {
  if (name.substr(0, kComPrefix.size()) != kComPrefix) return std::nullopt;
  const std::string_view digits = name.substr(kComPrefix.size());
  if (digits.empty() || digits.size() > 2 || digits[0] == '0') return std::nullopt;
  int number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number < kFirstCom || number > kLastCom) return std::nullopt;
  return number;
}


// A prefix that ends in ':' or '/' takes every name that begins with it; a
// bare word ("sim") takes itself and the word followed by ':'.
bool SchemeTakes(const std::string& prefix, const std::string& name) {
  if (prefix.empty()) return false;
  const char last = prefix.back();
  if (last == ':' || last == '/') return name.starts_with(prefix);
  return name == prefix || name.starts_with(prefix + ":");
}

std::optional<PortOpener> FindOpener(const std::string& name) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.mutex);
  const Scheme* best = nullptr;
  for (const Scheme& scheme : registry.schemes) {
    if (SchemeTakes(scheme.prefix, name) && (!best || scheme.prefix.size() > best->prefix.size())) {
      best = &scheme;
    }
  }
  if (!best) return std::nullopt;
  return best->opener;
}

OpenResult OpenResolved(const std::string& resolved) {
  if (resolved.empty()) return OpenResult{nullptr, OpenError::EmptyName, "no port name"};
  // A name with a NUL in it would open whatever its first part names.
  if (resolved.find('\0') != std::string::npos) return OpenResult{nullptr, OpenError::UnknownName, "NUL in name"};
  if (std::optional<PortOpener> opener = FindOpener(resolved)) {
    OpenResult result = (*opener)(resolved);
    if (!result.device && result.error == OpenError::None) result.error = OpenError::Other;
    return result;
  }
  if (resolved.front() == '/') return OpenTtyDevice(resolved);
  return OpenResult{nullptr, OpenError::UnknownName, resolved};
}

void ReportFailure(const std::string& name, const OpenResult& result) {
  OpenFailureListener listener;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.mutex);
    listener = registry.listener;
  }
  if (listener) listener(name, result);
}

std::string ResolveOnce(const std::string& name, bool followEnvironment) {
  const std::string bare = StripDevicePrefix(name);
  const std::optional<int> com = ComNumber(bare);
  if (!com) return bare;
  const std::string variable = std::string(kComEnvPrefix) + std::to_string(*com);
  const char* target = std::getenv(variable.c_str());
  if (followEnvironment && target != nullptr && *target != '\0') return ResolveOnce(target, false);
  return std::string(kTtyPrefix) + std::to_string(*com - 1);
}

}  // namespace

std::string FormDeviceName(const std::string& portName) {
  if (portName.size() >= kPrefixFromLength) return std::string(kDevicePrefix) + portName;
  return portName;
}

std::string StripDevicePrefix(const std::string& name) {
  if (name.starts_with(kDevicePrefix)) return name.substr(kDevicePrefix.size());
  return name;
}

std::string ResolvePortName(const std::string& name) { return ResolveOnce(name, true); }

void RegisterPortScheme(const std::string& prefix, PortOpener opener) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.mutex);
  for (Scheme& scheme : registry.schemes) {
    if (scheme.prefix == prefix) {
      scheme.opener = std::move(opener);
      return;
    }
  }
  registry.schemes.push_back(Scheme{prefix, std::move(opener)});
}

ScopedOpenFailureListener::ScopedOpenFailureListener(OpenFailureListener listener) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.mutex);
  previous_ = std::exchange(registry.listener, std::move(listener));
}

ScopedOpenFailureListener::~ScopedOpenFailureListener() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.mutex);
  registry.listener = std::move(previous_);
}

OpenResult OpenSerialDevice(const std::string& name) {
  const std::string resolved = ResolvePortName(name);
  OpenResult result = OpenResolved(resolved);
  if (!result.device) {
    ReportFailure(name, result);
    return result;
  }
  // The name as the user typed it, and what it resolved to, never the prefix
  // the port classes put before long names.
  const std::string typed = StripDevicePrefix(name);
  if (std::shared_ptr<TraceSink> sink = TraceSinkFor(typed)) {
    const std::string shown = resolved == typed ? typed : typed + " (" + resolved + ")";
    result.device = MakeTracingDevice(std::move(result.device), shown, std::move(sink));
  }
  return result;
}

std::string DescribeOpenError(OpenError error) {
  switch (error) {
    case OpenError::None: return "the port opened";
    case OpenError::EmptyName: return "no port was named";
    case OpenError::UnknownName:
      return "the port name is not known (use COM1 to COM16, a device path such as /dev/ttyUSB0, "
             "sim, or rfc2217://host:port)";
    case OpenError::NotFound: return "there is no such device; check that the interface is plugged in";
    case OpenError::Busy: return "the port is in use by another program";
    case OpenError::PermissionDenied:
      return "permission denied; add your user to the dialout group and log in again";
    case OpenError::NotASerialPort: return "the device is not a serial port";
    case OpenError::ConnectionFailed: return "the network port could not be reached";
    case OpenError::Other: break;
  }
  return "the port could not be opened";
}

}  // namespace platform
