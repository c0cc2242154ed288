#pragma once
// How port names map onto devices on this platform.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/serial_device.h"

namespace platform {

// Drops the "\\.\" prefix that Windows-style names of five or more characters
// carry, and maps "COM1".."COM16" to $QUORREL_COMn, else to the system's own
// device (/dev/ttyS(n-1) on Linux, the COM port itself on Windows).
// Other names come back unchanged. Applied once more to what QUORREL_COMn
// names, so it may name a sim or network port too.
std::string ResolvePortName(const std::string& name);

// The Windows-style device name the port classes open: names of five or more
// characters ("COM10" and up) get the "\\.\" prefix, shorter ones stay as
// given. ResolvePortName drops the prefix again.
std::string FormDeviceName(const std::string& portName);
// The name without that prefix, as the user wrote it.
std::string StripDevicePrefix(const std::string& name);

// A backend for names that begin with a scheme ("sim", "sim:...",
// "rfc2217://..."). The simulator and the network layer register theirs; the
// tty backend takes device paths.
using PortOpener = std::function<OpenResult(const std::string& name)>;
void RegisterPortScheme(const std::string& prefix, PortOpener opener);

// Called on every failed OpenSerialDevice (from the opening thread), so a front
// end can say why a port did not open while the port classes record nothing.
using OpenFailureListener = std::function<void(const std::string& name, const OpenResult& result)>;

// Installs a listener while it lives; restores the one before when it goes.
class ScopedOpenFailureListener {
 public:
  explicit ScopedOpenFailureListener(OpenFailureListener listener);
  ~ScopedOpenFailureListener();
  ScopedOpenFailureListener(const ScopedOpenFailureListener&) = delete;
  ScopedOpenFailureListener& operator=(const ScopedOpenFailureListener&) = delete;

 private:
  OpenFailureListener previous_;
};

// Troubles of an open device that the port classes do not report, so a front
// end can say what happened: the device refused line settings (detail: the
// settings, such as "9600 8E1"), or its line has gone for good, as when a USB
// adapter is pulled out (detail: what the system said; reported once per
// device). Called from whichever thread met the trouble.
enum class LineTrouble : std::uint8_t { SettingsRefused, Lost };
using LineTroubleListener =
    std::function<void(const std::string& device, LineTrouble trouble, const std::string& detail)>;

// Installs a listener while it lives; restores the one before when it goes.
class ScopedLineTroubleListener {
 public:
  explicit ScopedLineTroubleListener(LineTroubleListener listener);
  ~ScopedLineTroubleListener();
  ScopedLineTroubleListener(const ScopedLineTroubleListener&) = delete;
  ScopedLineTroubleListener& operator=(const ScopedLineTroubleListener&) = delete;

 private:
  LineTroubleListener previous_;
};
void ReportLineTrouble(const std::string& device, LineTrouble trouble, const std::string& detail);

// "115200 8N1", "9600 8E1".
std::string DescribeSettings(const LineSettings& settings);

}  // namespace platform
