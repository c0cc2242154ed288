// The system's ports through the device installer: every present device of
// the Ports class that has a COM port name, with its friendly name, maker,
// driver and (for a USB adapter) its ids and serial number. Ports that only
// the serial device map knows (a virtual port driver's, or Wine's) follow
// with their names alone.

#include <windows.h>
// The device installer's headers need the basic types first.
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

#include <memory>
#include <set>

#include "platform/port_discovery.h"
#include "platform/win32/usb_ids.h"

namespace platform {
namespace {

constexpr std::string_view kUsbEnumerator = "USB\\";

struct DeviceList {
  explicit DeviceList(HDEVINFO handle) : info(handle) {}
  ~DeviceList() {
    if (info != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(info);
  }
  DeviceList(const DeviceList&) = delete;
  DeviceList& operator=(const DeviceList&) = delete;
  HDEVINFO info;
};

std::string RegistryText(HKEY key, const char* name) {
  char value[256] = {};
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return std::string(value, strnlen(value, size));
}

std::string DeviceProperty(HDEVINFO info, SP_DEVINFO_DATA& device, DWORD property) {
  char value[512] = {};
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyA(info, &device, property, &type, reinterpret_cast<BYTE*>(value),
                                         sizeof value - 1, nullptr)) {
    return {};
  }
  return value;  // a multi-string's first entry is all that is wanted
}

std::string PortNameOf(HDEVINFO info, SP_DEVINFO_DATA& device) {
  HKEY key = SetupDiOpenDevRegKey(info, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return {};
  std::string name = RegistryText(key, "PortName");
  RegCloseKey(key);
  return name;
}

std::string InstanceId(DEVINST node) {
  char id[MAX_DEVICE_ID_LEN + 1] = {};
  if (CM_Get_Device_IDA(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return {};
  return id;
}

// The USB device the port belongs to: itself, or the composite device or
// bus driver above it ("FTDIBUS\..." hangs under "USB\...").
std::string UsbInstanceId(DEVINST node) {
  for (int depth = 0; depth < 4; ++depth) {
    const std::string id = InstanceId(node);
    if (id.size() > kUsbEnumerator.size() && id.compare(0, kUsbEnumerator.size(), kUsbEnumerator) == 0) {
      // An interface of a composite device ("&MI_00") has its serial number
      // on the device above it.
      if (id.find("&MI_") == std::string::npos) return id;
    }
    DEVINST parent = 0;
    if (CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return {};
    node = parent;
  }
  return {};
}

PortRecord RecordOf(HDEVINFO info, SP_DEVINFO_DATA& device, const std::string& portName) {
  PortRecord record;
  record.devNode = portName;
  record.devPath = InstanceId(device.DevInst);
  record.parentDriver = DeviceProperty(info, device, SPDRP_SERVICE);
  record.properties["ID_MODEL"] =
      win32::WithoutPortSuffix(DeviceProperty(info, device, SPDRP_FRIENDLYNAME), portName);
  record.properties["ID_VENDOR"] = DeviceProperty(info, device, SPDRP_MFG);
  if (const auto usb = win32::ParseUsbInstanceId(UsbInstanceId(device.DevInst))) {
    record.properties["ID_BUS"] = "usb";
    record.properties["ID_USB_DRIVER"] = record.parentDriver;
    record.properties["ID_VENDOR_ID"] = usb->vendorId;
    record.properties["ID_MODEL_ID"] = usb->productId;
    record.properties["ID_SERIAL_SHORT"] = usb->serialNumber;
  }
  return record;
}

// COM ports of the installer's Ports class (parallel ports share it).
bool InstallerRecords(std::vector<PortRecord>& records) {
  const DeviceList list(SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT));
  if (list.info == INVALID_HANDLE_VALUE) return false;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(list.info, index, &device); ++index) {
    const std::string name = PortNameOf(list.info, device);
    if (name.empty() || name.compare(0, 3, "LPT") == 0) continue;
    records.push_back(RecordOf(list.info, device, name));
  }
  return true;
}

// The serial device map: every port a serial driver has brought up, by name.
void DeviceMapRecords(std::vector<PortRecord>& records) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return;
  }
  std::set<std::string> known;
  for (const PortRecord& record : records) known.insert(record.devNode);
  for (DWORD index = 0;; ++index) {
    char device[256] = {};
    char port[64] = {};
    DWORD deviceSize = sizeof device;
    DWORD portSize = sizeof port - 1;
    DWORD type = 0;
    if (RegEnumValueA(key, index, device, &deviceSize, nullptr, &type, reinterpret_cast<BYTE*>(port), &portSize) !=
        ERROR_SUCCESS) {
      break;
    }
    const std::string name(port, strnlen(port, portSize));
    if (type != REG_SZ || name.empty() || !known.insert(name).second) continue;
    PortRecord record;
    record.devNode = name;
    record.devPath = device;  // "\Device\Serial0"
    records.push_back(std::move(record));
  }
  RegCloseKey(key);
}

class InstallerPortSource final : public PortSource {
 public:
  bool Records(std::vector<PortRecord>& records) override {
    const bool listed = InstallerRecords(records);
    DeviceMapRecords(records);
    return listed;
  }
};

}  // namespace

std::unique_ptr<PortSource> MakeSystemPortSource() { return std::make_unique<InstallerPortSource>(); }

Discovery DiscoverSystemPorts() {
  InstallerPortSource source;
  return DiscoverPorts(source);
}

// Ports coming and going are not watched on Windows yet: the window that
// would listen has its own issue.
std::unique_ptr<PortMonitor> MakeSystemPortMonitor() { return nullptr; }

}  // namespace platform
