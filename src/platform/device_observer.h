#pragma once
// What a host hears of the devices one dialog opens: where their traffic is
// traced, why one did not open, and the troubles of one that is open. Each
// dialog (the window's, the terminal's run, each device of a gang run) hands
// its own observer to the port classes, and they pass it to the devices they
// open, so every report reaches the host it concerns and no other.

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class TraceSink;
struct OpenResult;

// The device refused line settings (detail: the settings, such as "9600
// 8E1"), or its line has gone for good, as when a USB adapter is pulled out
// (detail: what the system said; reported once per device).
enum class LineTrouble : std::uint8_t { SettingsRefused, Lost };

class DeviceObserver {
 public:
  virtual ~DeviceObserver() = default;

  // The sink a device opened now is traced to; null: it is not traced.
  virtual std::shared_ptr<TraceSink> Trace() const { return nullptr; }

  // A device did not open; `name` as the open was asked for. On the opening
  // thread.
  virtual void OpenFailed(const std::string& /*name*/, const OpenResult& /*result*/) {}

  // Troubles the port classes do not report. Called from whichever thread
  // met the trouble, a port's watcher thread too, so it must not wait for
  // the dialog's thread.
  virtual void LineInTrouble(const std::string& /*device*/, LineTrouble /*trouble*/, const std::string& /*detail*/) {}
};

}  // namespace platform
