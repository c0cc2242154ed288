#pragma once
// The serial ports that exist on this machine: what the device manager knows
// of each, turned into what a user needs to pick one and open it.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One tty as the device manager describes it, before any choice is made.
struct PortRecord {
  std::string devPath;             // sysfs path without "/sys", "/devices/..."
  std::string devNode;             // "/dev/ttyUSB0"; empty when the device has no node
  std::vector<std::string> links;  // other names of the node, "/dev/serial/by-id/..."
  std::string parentDriver;        // driver of the device the tty hangs on, when known
  std::map<std::string, std::string> properties;  // ID_BUS, ID_VENDOR_ID, ...
};

// The serial core puts devices of its own on this bus between a UART and its
// tty; the UART's driver is found above them.
inline constexpr std::string_view kSerialCoreBus = "serial-base";

// A serial port a user may pick.
struct PortInfo {
  std::string path;     // the name that opens it: "/dev/ttyUSB0"
  std::string byIdPath;  // its stable name under /dev/serial/by-id, or empty
  std::string driver;    // "ftdi_sio", "cdc_acm", "serial", ...
  bool usb = false;
  std::string vendorId;  // USB only: "0403"
  std::string productId;
  std::string manufacturer;  // what the adapter calls its maker
  std::string product;
  std::string serialNumber;
  bool accessible = true;  // this user may open it for reading and writing
  friend bool operator==(const PortInfo&, const PortInfo&) = default;
};

// Where the records come from: the system's device manager, or a recording.
class PortSource {
 public:
  virtual ~PortSource() = default;
  // Every tty the source knows; false when the source cannot be read at all.
  virtual bool Records(std::vector<PortRecord>& records) = 0;
};

// Tells when ports come or go. The descriptor turns readable on a change;
// DrainChanges then reads every pending event without blocking.
class PortMonitor {
 public:
  virtual ~PortMonitor() = default;
  virtual int Descriptor() const = 0;
  // True when at least one port was added or removed.
  virtual bool DrainChanges() = 0;
};

// The port a record describes, or nothing for ttys that are no serial port a
// user could cable a device to (virtual terminals, ptys, and the legacy
// serial slots the kernel reserves whether or not a UART sits behind them).
// Texts the adapter supplies are cleaned of control characters.
std::optional<PortInfo> DescribePort(const PortRecord& record);

// Whether this user may open `path` for reading and writing: false only
// when the system refuses it for lack of permission.
using AccessCheck = std::function<bool(const std::string& path)>;
bool MayOpenForReadWrite(const std::string& path);

struct Discovery {
  bool ok = false;  // the source could be read
  std::vector<PortInfo> ports;  // in natural order of their paths (ttyUSB2 before ttyUSB10)
};
Discovery DiscoverPorts(PortSource& source, const AccessCheck& mayOpen = MayOpenForReadWrite);

// "ttyUSB2" before "ttyUSB10": digit runs compare by value.
bool NaturalLess(const std::string& a, const std::string& b);

// One line about the port for a tooltip or a listing: "FT232R USB UART
// (FTDI), USB 0403:6001, serial A50285BI, driver ftdi_sio".
std::string PortSummary(const PortInfo& port);

// The device manager of this system, through libudev. Null when it cannot be
// reached (no udev in a container, say): callers then offer no discovered
// ports, never an error.
std::unique_ptr<PortSource> MakeSystemPortSource();
// The ports of this system's device manager; not ok when it cannot be reached.
Discovery DiscoverSystemPorts();
std::unique_ptr<PortMonitor> MakeSystemPortMonitor();

// The device node a device path stands for once its links are followed
// ("/dev/serial/by-id/usb-..." gives "/dev/ttyUSB0"); any other name (a
// network or simulated port) comes back as given.
std::string DeviceNodeOf(const std::string& resolvedName);
// The USB adapter's own serial number, when the device manager knows the
// device (a by-id name counts as the node it links to); else nothing.
std::optional<std::string> AdapterSerialOf(const std::string& resolvedName);

}  // namespace platform
