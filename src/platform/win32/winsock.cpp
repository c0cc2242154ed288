#include "platform/win32/winsock.h"

#include <winsock2.h>

namespace platform::win32 {

bool StartWinsock() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

}  // namespace platform::win32
