#include "support/wine_line_events.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <sstream>

namespace e2etest {

bool ParseLineEvent(const std::string& text, platform::LineSettings& settings) {
  std::istringstream in(text);
  unsigned baud = 0;
  int bits = 0;
  char parity = 0;
  int stop = 0;
  int dtr = 0;
  int rts = 0;
  if (!(in >> baud >> bits >> parity >> stop >> dtr >> rts)) return false;
  const std::string letters = "NOEMS";
  if (letters.find(parity) == std::string::npos) return false;
  settings.baudRate = baud;
  settings.dataBits = static_cast<std::uint8_t>(bits);
  settings.parity = static_cast<platform::Parity>(letters.find(parity));
  settings.stopBits = stop == 2 ? platform::StopBits::Two : platform::StopBits::One;
  settings.dtr = dtr != 0;
  settings.rts = rts != 0;
  return true;
}

WineLineEvents::WineLineEvents(PtySimBridge& bridge, std::string socketPath)
    : bridge_(bridge), path_(std::move(socketPath)) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path_.size() >= sizeof address.sun_path) return;
  std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
  ::unlink(path_.c_str());
  listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 8) != 0) {
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
    return;
  }
  thread_ = std::thread([this] { Run(); });
}

WineLineEvents::~WineLineEvents() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) ::close(listener_);
  ::unlink(path_.c_str());
}

void WineLineEvents::Run() {
  while (!stop_) {
    pollfd entry{listener_, POLLIN, 0};
    if (::poll(&entry, 1, 20) <= 0) continue;
    const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection >= 0) Serve(connection);
  }
}

// One change a connection: read its line, apply it, answer.
void WineLineEvents::Serve(int connection) {
  std::string text;
  char c = 0;
  while (text.size() < 64 && ::read(connection, &c, 1) == 1 && c != '\n') text += c;
  platform::LineSettings settings;
  if (ParseLineEvent(text, settings)) {
    bridge_.ApplyLine(settings);
    ++heard_;
  }
  const char answer = 'k';
  [[maybe_unused]] const ssize_t put = ::write(connection, &answer, 1);
  ::close(connection);
}

}  // namespace e2etest
