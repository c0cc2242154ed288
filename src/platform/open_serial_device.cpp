// Opening a device by its port name: the name resolved, the device found by
// a scheme or the system's own backend, refused while another program holds
// it, and handed to the observer the opener gave.

#include <memory>
#include <optional>
#include <string>

#include "platform/native_port.h"
#include "platform/port_hold.h"
#include "platform/port_names.h"
#include "platform/port_schemes.h"
#include "platform/trace.h"

namespace platform {
namespace {

OpenResult OpenResolved(const std::string& resolved, DeviceUse use, const std::shared_ptr<DeviceObserver>& observer) {
  if (resolved.empty()) return OpenResult{nullptr, Error::EmptyName, "no port name"};
  // A name with a NUL in it would open whatever its first part names.
  if (resolved.find('\0') != std::string::npos) return OpenResult{nullptr, Error::UnknownName, "NUL in name"};
  if (std::optional<PortOpener> opener = FindPortOpener(resolved)) {
    OpenResult result = (*opener)(resolved);
    if (!result.device && result.error == Error::None) result.error = Error::Other;
    return result;
  }
  if (native_port::Takes(resolved)) return native_port::Open(resolved, use, observer);
  return OpenResult{nullptr, Error::UnknownName, resolved};
}

// A run of another program may hold the device between its own opens. A
// port whose lock could not be made is refused as its hold is.
OpenResult OpenUnlessHeld(const std::string& resolved, DeviceUse use, const std::shared_ptr<DeviceObserver>& observer) {
  const Result<std::optional<LockHolder>> holder = PortHeldElsewhere(resolved);
  if (!holder.ok()) return OpenResult{nullptr, holder.error, holder.detail};
  if (holder.value) return OpenResult{nullptr, Error::Busy, resolved + " is held by " + DescribeHolder(*holder.value)};
  return OpenResolved(resolved, use, observer);
}

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

}  // namespace platform
