#include "cli/port_listing.h"

#include "cli/console_write.h"
#include "cli/exit_codes.h"

namespace cli {
namespace {

constexpr const char* kNoAccessHint =
    "no: you may not open it; membership of the dialout group is the fix\n"
    "             (sudo usermod -aG dialout $USER, then log out and in again)";

void Field(std::string& text, const char* label, const std::string& value) {
  if (value.empty()) return;
  text += "  ";
  text += label;
  text += std::string(11 - std::string(label).size(), ' ');
  text += value;
  text += '\n';
}

std::string UsbLine(const platform::PortInfo& port) {
  std::string line = port.vendorId + ":" + port.productId;
  if (!port.manufacturer.empty()) line += "  " + port.manufacturer;
  if (!port.product.empty()) line += "  " + port.product;
  return line;
}

std::string PortBlock(const platform::PortInfo& port) {
  std::string text = port.path + "\n";
  Field(text, "by-id:", port.byIdPath);
  Field(text, "driver:", port.driver);
  if (port.usb) {
    Field(text, "usb:", UsbLine(port));
    Field(text, "serial:", port.serialNumber);
  } else {
    Field(text, "product:", port.product);
  }
  Field(text, "access:", port.accessible ? "yes" : kNoAccessHint);
  return text;
}

}  // namespace

std::string FormatPortListing(const platform::Discovery& discovery) {
  if (discovery.ports.empty()) {
    return "No serial ports found. An adapter that is plugged in but not listed may lack its\n"
           "driver: see \"dmesg\" right after plugging it in.\n";
  }
  std::string text;
  for (const platform::PortInfo& port : discovery.ports) {
    if (!text.empty()) text += '\n';
    text += PortBlock(port);
  }
  return text;
}

int ListPorts(platform::PortSource* source, std::FILE* out, std::FILE* err) {
  platform::Discovery discovery;
  if (source) discovery = platform::DiscoverPorts(*source);
  if (!discovery.ok) {
    Complain(err, "the ports cannot be listed: the device manager (udev) cannot be read");
    return kExitPortsNotListed;
  }
  std::fputs(FormatPortListing(discovery).c_str(), out);
  return kExitSuccess;
}

}  // namespace cli
