// Windows gives a COM port to whoever opens it first, not by permission:
// every user may try.

#include "platform/port_discovery.h"

namespace platform {

bool MayOpenForReadWrite(const std::string& /*path*/) { return true; }

}  // namespace platform
