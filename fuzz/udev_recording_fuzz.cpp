// A recorded device database, as a support case may send it: any bytes parse,
// and every text discovery hands on is clean enough for a terminal.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/port_discovery.h"
#include "support/udev_recording.h"

namespace {

bool HasControl(const std::string& text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const platform::PortRecord& record : platform::ParseUdevRecording(text)) {
    const std::optional<platform::PortInfo> port = platform::DescribePort(record);
    if (!port) continue;
    if (port->path.empty()) std::abort();
    if (HasControl(port->manufacturer) || HasControl(port->product) || HasControl(port->serialNumber) ||
        HasControl(port->driver) || HasControl(port->vendorId) || HasControl(port->byIdPath)) {
      std::abort();
    }
    (void)platform::PortSummary(*port);
  }
  return 0;
}
