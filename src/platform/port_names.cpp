#include "platform/port_names.h"

#include <cstdlib>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/port_hold.h"
#include "platform/trace.h"
#include "platform/native_port.h"

namespace platform {
namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";
constexpr std::size_t kPrefixFromLength = 5;
constexpr std::string_view kComPrefix = "COM";
constexpr int kFirstCom = 1;
constexpr int kLastCom = 16;
constexpr std::string_view kComEnvPrefix = "QUORREL_COM";

struct Scheme {
  std::string prefix;
  PortOpener opener;
};

struct Registry {
  std::mutex mutex;
  std::vector<Scheme> schemes;
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

OpenResult OpenResolved(const std::string& resolved, DeviceUse use, const std::shared_ptr<DeviceObserver>& observer) {
  if (resolved.empty()) return OpenResult{nullptr, Error::EmptyName, "no port name"};
  // A name with a NUL in it would open whatever its first part names.
  if (resolved.find('\0') != std::string::npos) return OpenResult{nullptr, Error::UnknownName, "NUL in name"};
  if (std::optional<PortOpener> opener = FindOpener(resolved)) {
    OpenResult result = (*opener)(resolved);
    if (!result.device && result.error == Error::None) result.error = Error::Other;
    return result;
  }
  if (native_port::Takes(resolved)) return native_port::Open(resolved, use, observer);
  return OpenResult{nullptr, Error::UnknownName, resolved};
}

std::string ResolveOnce(const std::string& name, bool followEnvironment) {
  const std::string bare = StripDevicePrefix(name);
  const std::optional<int> com = ComNumber(bare);
  if (!com) return bare;
  const std::string variable = std::string(kComEnvPrefix) + std::to_string(*com);
  const char* target = std::getenv(variable.c_str());
  if (followEnvironment && target != nullptr && *target != '\0') return ResolveOnce(target, false);
  return native_port::ComPortDevice(*com);
}

}  // namespace

std::string FormDeviceName(const std::string& portName) {
  if (portName.size() >= kPrefixFromLength) return std::string(kDevicePrefix) + portName;
  return portName;
}

// A name the user already wrote with the prefix ("\\.\COM12") gets a second
// one from FormDeviceName: drop them all.
std::string StripDevicePrefix(const std::string& name) {
  std::string_view bare = name;
  while (bare.starts_with(kDevicePrefix)) bare.remove_prefix(kDevicePrefix.size());
  return std::string(bare);
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

std::string DescribeSettings(const LineSettings& settings) {
  constexpr std::string_view kParityLetters = "NOEMS";
  const auto parity = static_cast<std::size_t>(settings.parity);
  const char letter = parity < kParityLetters.size() ? kParityLetters[parity] : '?';
  const char* stop = settings.stopBits == StopBits::One ? "1" : settings.stopBits == StopBits::OneAndHalf ? "1.5" : "2";
  return std::to_string(settings.baudRate) + " " + std::to_string(settings.dataBits) + letter + stop;
}

namespace {

// Tells the observer when the device refuses line settings.
class SettingsReporter final : public SerialDevice {
 public:
  SettingsReporter(std::unique_ptr<SerialDevice> device, std::string name, std::shared_ptr<DeviceObserver> observer)
      : device_(std::move(device)), name_(std::move(name)), observer_(std::move(observer)) {}
  bool Apply(const LineSettings& settings) override {
    if (device_->Apply(settings)) return true;
    observer_->LineInTrouble(name_, LineTrouble::SettingsRefused, DescribeSettings(settings));
    return false;
  }
  std::size_t InputWaiting() override { return device_->InputWaiting(); }
  std::size_t OutputWaiting() override { return device_->OutputWaiting(); }
  std::size_t Read(std::uint8_t* buffer, std::size_t max) override { return device_->Read(buffer, max); }
  std::size_t Write(const std::uint8_t* bytes, std::size_t count) override { return device_->Write(bytes, count); }
  void Purge(PurgeSide side) override { device_->Purge(side); }
  std::size_t WaitForInput(std::size_t count, int timeoutMs) override { return device_->WaitForInput(count, timeoutMs); }
  bool WaitForDrain(int timeoutMs) override { return device_->WaitForDrain(timeoutMs); }
  void CancelWait() override { device_->CancelWait(); }

 private:
  std::unique_ptr<SerialDevice> device_;
  std::string name_;
  std::shared_ptr<DeviceObserver> observer_;
};

// A run of another program may hold the device between its own opens. A
// port whose lock could not be made is refused as its hold is.
OpenResult OpenUnlessHeld(const std::string& resolved, DeviceUse use, const std::shared_ptr<DeviceObserver>& observer) {
  const Result<std::optional<LockHolder>> holder = PortHeldElsewhere(resolved);
  if (!holder.ok()) return OpenResult{nullptr, holder.error, holder.detail};
  if (holder.value) return OpenResult{nullptr, Error::Busy, resolved + " is held by " + DescribeHolder(*holder.value)};
  return OpenResolved(resolved, use, observer);
}

// The device as the observer wants it: refused settings told, and traced
// under the name as the user typed it, with what it resolved to, never the
// prefix the port classes put before long names.
std::unique_ptr<SerialDevice> Observed(std::unique_ptr<SerialDevice> device, const std::string& name,
                                       const std::string& resolved, const std::shared_ptr<DeviceObserver>& observer) {
  device = std::make_unique<SettingsReporter>(std::move(device), name, observer);
  std::shared_ptr<TraceSink> sink = observer->Trace();
  if (!sink) return device;
  const std::string typed = StripDevicePrefix(name);
  const std::string shown = resolved == typed ? typed : typed + " (" + resolved + ")";
  return MakeTracingDevice(std::move(device), shown, std::move(sink));
}

}  // namespace

OpenResult OpenSerialDevice(const std::string& name, DeviceUse use, std::shared_ptr<DeviceObserver> observer) {
  const std::string resolved = ResolvePortName(name);
  OpenResult result = OpenUnlessHeld(resolved, use, observer);
  if (!observer) return result;
  if (!result.device) {
    observer->OpenFailed(name, result);
    return result;
  }
  result.device = Observed(std::move(result.device), name, resolved, observer);
  return result;
}

std::string DescribeOpenError(Error error) {
  switch (error) {
    case Error::None: return "the port opened";
    case Error::EmptyName: return "no port was named";
    case Error::UnknownName:
      return "the port name is not known (use COM1 to COM16, " + std::string(native_port::NameExample()) +
             ", sim, or rfc2217://host:port)";
    case Error::NotFound: return "there is no such device; check that the interface is plugged in";
    case Error::Busy: return "the port is in use by another program";
    case Error::PermissionDenied:
      return "permission denied; add your user to the dialout group and log in again";
    case Error::NotASerialPort: return "the device is not a serial port";
    case Error::ConnectionFailed: return "the network port could not be reached";
    case Error::NotRegularFile: return "the name is a file that is no device";
    case Error::LockFolderUnusable:
      return "the port cannot be locked against other programs; set QUORREL_LOCK_DIR to a folder you may write";
    case Error::LockNotTaken: return "a stale lock of the port cannot be removed";
    case Error::TooLarge:
    case Error::ReadFailed:
    case Error::Other: break;
  }
  return "the port could not be opened";
}

}  // namespace platform
