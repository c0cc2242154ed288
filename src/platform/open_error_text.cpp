// What the user is told of a port that did not open, with what to do.

#include <string>
#include <vector>

#include "platform/native_port.h"
#include "platform/port_schemes.h"
#include "platform/serial_device.h"

namespace platform {
namespace {

// "COM1 to COM16, a device path such as /dev/ttyUSB0, sim, or rfc2217://host:port":
// the names this process takes.
std::string NamesTaken() {
  std::vector<std::string> names = {"COM1 to COM16", std::string(native_port::NameExample())};
  for (std::string& example : PortSchemeExamples()) names.push_back(std::move(example));
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? (names.size() > 2 ? ", or " : " or ") : ", ";
    text += names[i];
  }
  return text;
}

}  // namespace

std::string DescribeOpenError(Error error) {
  switch (error) {
    case Error::None: return "the port opened";
    case Error::EmptyName: return "no port was named";
    case Error::UnknownName: return "the port name is not known (use " + NamesTaken() + ")";
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
