#include <windows.h>

#include "platform/host_name.h"
#include "platform/win32/system_path.h"

namespace platform {

// The DNS host name, as other machines know this one (not the NetBIOS name,
// which is cut to 15 capitals).
std::string HostName() {
  DWORD size = 0;
  GetComputerNameExW(ComputerNameDnsHostname, nullptr, &size);
  if (size == 0) return {};
  std::wstring name(size, L'\0');
  if (GetComputerNameExW(ComputerNameDnsHostname, name.data(), &size) == FALSE) return {};
  name.resize(size);
  return win32::AnsiText(name);
}

}  // namespace platform
