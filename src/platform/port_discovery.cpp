#include "platform/port_discovery.h"

#include <algorithm>
#include <cctype>

#include "platform/udev_text.h"

namespace platform {
namespace {

constexpr std::string_view kVirtualDevices = "/devices/virtual/";
// The kernel's legacy UART driver registers its slots whether or not a chip
// answers behind them; a slot with real hardware hangs off its bus instead.
constexpr std::string_view kLegacyUartSlots = "/serial8250/";
constexpr std::string_view kByIdFolder = "/dev/serial/by-id/";

std::string Property(const PortRecord& record, const std::string& key) {
  const auto found = record.properties.find(key);
  return found == record.properties.end() ? std::string() : found->second;
}

// The adapter's own text (escaped form first, as it keeps the spaces), else
// the text the vendor database gives.
std::string AdapterText(const PortRecord& record, const std::string& key) {
  std::string text = DecodeUdevEscapes(Property(record, key + "_ENC"));
  if (text.empty()) text = Property(record, key);
  if (text.empty()) text = Property(record, key + "_FROM_DATABASE");
  return CleanDisplayText(text);
}

std::string ByIdLink(const PortRecord& record) {
  for (const std::string& link : record.links) {
    if (link.starts_with(kByIdFolder)) return CleanDisplayText(link);
  }
  return {};
}

void Append(std::string& text, const std::string& part) {
  if (part.empty()) return;
  if (!text.empty()) text += ", ";
  text += part;
}

}  // namespace

std::optional<PortInfo> DescribePort(const PortRecord& record) {
  if (record.devNode.empty()) return std::nullopt;
  if (record.devPath.starts_with(kVirtualDevices)) return std::nullopt;
  if (record.devPath.find(kLegacyUartSlots) != std::string::npos) return std::nullopt;

  PortInfo port;
  port.path = record.devNode;
  port.byIdPath = ByIdLink(record);
  port.usb = Property(record, "ID_BUS") == "usb";
  port.driver = CleanDisplayText(port.usb && !Property(record, "ID_USB_DRIVER").empty()
                                     ? Property(record, "ID_USB_DRIVER")
                                     : record.parentDriver);
  if (port.usb) {
    port.vendorId = CleanDisplayText(Property(record, "ID_VENDOR_ID"));
    port.productId = CleanDisplayText(Property(record, "ID_MODEL_ID"));
    port.serialNumber = CleanDisplayText(Property(record, "ID_SERIAL_SHORT"));
  }
  port.manufacturer = AdapterText(record, "ID_VENDOR");
  port.product = AdapterText(record, "ID_MODEL");
  return port;
}

Discovery DiscoverPorts(PortSource& source, const AccessCheck& mayOpen) {
  Discovery discovery;
  std::vector<PortRecord> records;
  discovery.ok = source.Records(records);
  for (const PortRecord& record : records) {
    std::optional<PortInfo> port = DescribePort(record);
    if (!port) continue;
    port->accessible = !mayOpen || mayOpen(port->path);
    discovery.ports.push_back(std::move(*port));
  }
  std::sort(discovery.ports.begin(), discovery.ports.end(),
            [](const PortInfo& a, const PortInfo& b) { return NaturalLess(a.path, b.path); });
  // A recording (or a confused device manager) may name one node twice.
  discovery.ports.erase(std::unique(discovery.ports.begin(), discovery.ports.end(),
                                    [](const PortInfo& a, const PortInfo& b) { return a.path == b.path; }),
                        discovery.ports.end());
  return discovery;
}

bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      std::size_t ei = i;
      std::size_t ej = j;
      while (ei < a.size() && digit(a[ei])) ++ei;
      while (ej < b.size() && digit(b[ej])) ++ej;
      // Leading zeros aside, the longer run is the larger number.
      std::string_view na(a.data() + i, ei - i);
      std::string_view nb(b.data() + j, ej - j);
      while (na.size() > 1 && na.front() == '0') na.remove_prefix(1);
      while (nb.size() > 1 && nb.front() == '0') nb.remove_prefix(1);
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ei;
      j = ej;
      continue;
    }
    if (a[i] != b[j]) return a[i] < b[j];
    ++i;
    ++j;
  }
  if ((a.size() - i) != (b.size() - j)) return (a.size() - i) < (b.size() - j);
  return a < b;
}

std::string PortSummary(const PortInfo& port) {
  std::string text = port.product;
  if (!port.manufacturer.empty()) text += text.empty() ? port.manufacturer : " (" + port.manufacturer + ")";
  if (port.usb && !port.vendorId.empty()) Append(text, "USB " + port.vendorId + ":" + port.productId);
  if (!port.serialNumber.empty()) Append(text, "serial " + port.serialNumber);
  if (!port.driver.empty()) Append(text, "driver " + port.driver);
  return text;
}

}  // namespace platform
