#pragma once
// What a device instance id says about a USB serial adapter:
// "USB\VID_0403&PID_6001\A50285BI" carries the vendor and product ids and,
// where the adapter has one, its serial number.

#include <optional>
#include <string>
#include <string_view>

namespace platform::win32 {

struct UsbIds {
  std::string vendorId;   // "0403", lower case as udev writes it
  std::string productId;  // "6001"
  std::string serialNumber;  // empty when the system made the id up ("5&2f1b7ad&0&1")
};

// The ids of a "USB\VID_xxxx&PID_xxxx[&MI_xx]\instance" id; nullopt for any
// other id.
std::optional<UsbIds> ParseUsbInstanceId(std::string_view instanceId);

// "USB Serial Port (COM3)" without the port's own name at its end.
std::string WithoutPortSuffix(std::string_view friendlyName, std::string_view portName);

}  // namespace platform::win32
