// Preloaded into Wine for the end-to-end runs of the Windows serial backend
// on a COM port that Wine maps to a pseudo-terminal. A pseudo-terminal has
// no modem lines and drops parity; this keeps both for the one tty named in
// QUORREL_SHIM_TTY, as a real adapter would, and tells each change of the
// line to the test's bridge (QUORREL_SHIM_EVENTS, a unix socket), waiting
// for its answer so the device sees the change before any byte sent after
// it. With QUORREL_SHIM_REFUSE_EVERY=N every Nth write to the tty is refused
// for the moment (EAGAIN), as a busy USB adapter does, and a byte is appended
// to the file QUORREL_SHIM_REFUSALS names for each refusal.

#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

constexpr tcflag_t kParityBits = PARENB | PARODD | CMSPAR;

struct Shim {
  std::mutex mutex;
  dev_t tty = 0;  // the device the shim keeps lines for; 0: none
  int lines = TIOCM_DTR | TIOCM_RTS;
  termios asked{};
  bool haveAsked = false;
  long refuseEvery = 0;
  int refusals = -1;  // the file each refusal is counted in
  std::atomic<long> writes{0};
};

Shim& TheShim() {
  static Shim* shim = [] {
    auto* made = new Shim;  // never destroyed: Wine's threads may write to the end
    struct stat info {};
    if (const char* path = std::getenv("QUORREL_SHIM_TTY"); path != nullptr && ::stat(path, &info) == 0) {
      made->tty = info.st_rdev;
    }
    if (const char* every = std::getenv("QUORREL_SHIM_REFUSE_EVERY")) made->refuseEvery = std::atol(every);
    if (const char* count = std::getenv("QUORREL_SHIM_REFUSALS")) {
      made->refusals = ::open(count, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    }
    return made;
  }();
  return *shim;
}

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool IsTheTty(int fd) {
  const Shim& shim = TheShim();
  struct stat info {};
  return shim.tty != 0 && ::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) && info.st_rdev == shim.tty;
}

unsigned BaudOf(const termios& tio) {
  switch (cfgetospeed(&tio)) {
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    default: return 0;
  }
}

char ParityOf(const termios& tio) {
  if ((tio.c_cflag & PARENB) == 0) return 'N';
  if ((tio.c_cflag & CMSPAR) != 0) return (tio.c_cflag & PARODD) != 0 ? 'M' : 'S';
  return (tio.c_cflag & PARODD) != 0 ? 'O' : 'E';
}

// "9600 8 E 1 1 0\n": baud, data bits, parity, stop bits, DTR, RTS. Sent with
// the shim's lock held, and answered before the caller goes on.
void Tell(const Shim& shim) {
  const char* path = std::getenv("QUORREL_SHIM_EVENTS");
  if (path == nullptr || !shim.haveAsked) return;
  const int bits = (shim.asked.c_cflag & CSIZE) == CS7 ? 7 : (shim.asked.c_cflag & CSIZE) == CS6 ? 6 : 8;
  char line[64];
  const int length = std::snprintf(line, sizeof line, "%u %d %c %d %d %d\n", BaudOf(shim.asked), bits,
                                   ParityOf(shim.asked), (shim.asked.c_cflag & CSTOPB) != 0 ? 2 : 1,
                                   (shim.lines & TIOCM_DTR) != 0 ? 1 : 0, (shim.lines & TIOCM_RTS) != 0 ? 1 : 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
  if (sock >= 0 && ::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    using WriteCall = ssize_t (*)(int, const void*, size_t);
    static const auto realWrite = Next<WriteCall>("write");
    char answer = 0;
    if (realWrite(sock, line, static_cast<size_t>(length)) == length) {
      [[maybe_unused]] const ssize_t got = ::read(sock, &answer, 1);
    }
  }
  if (sock >= 0) ::close(sock);
}

int ModemRequest(unsigned long request, int* value) {
  Shim& shim = TheShim();
  std::lock_guard<std::mutex> guard(shim.mutex);
  const int before = shim.lines;
  switch (request) {
    case TIOCMGET: *value = shim.lines | TIOCM_CTS | TIOCM_DSR | TIOCM_CD; return 0;
    case TIOCMSET: shim.lines = *value & (TIOCM_DTR | TIOCM_RTS); break;
    case TIOCMBIS: shim.lines |= *value & (TIOCM_DTR | TIOCM_RTS); break;
    case TIOCMBIC: shim.lines &= ~(*value & (TIOCM_DTR | TIOCM_RTS)); break;
    default: errno = EINVAL; return -1;
  }
  if (shim.lines != before) Tell(shim);
  return 0;
}

bool IsModemRequest(unsigned long request) {
  return request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
}

}  // namespace

extern "C" {

int ioctl(int fd, unsigned long request, ...) {
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  using IoctlCall = int (*)(int, unsigned long, ...);
  static const auto real = Next<IoctlCall>("ioctl");
  if (IsModemRequest(request) && IsTheTty(fd)) return ModemRequest(request, static_cast<int*>(argument));
  return real(fd, request, argument);
}

int tcsetattr(int fd, int when, const termios* tio) {
  using SetCall = int (*)(int, int, const termios*);
  static const auto real = Next<SetCall>("tcsetattr");
  if (!IsTheTty(fd)) return real(fd, when, tio);
  Shim& shim = TheShim();
  std::lock_guard<std::mutex> guard(shim.mutex);
  const bool changed = !shim.haveAsked || BaudOf(shim.asked) != BaudOf(*tio) ||
                       (shim.asked.c_cflag & (kParityBits | CSIZE | CSTOPB)) != (tio->c_cflag & (kParityBits | CSIZE | CSTOPB));
  shim.asked = *tio;
  shim.haveAsked = true;
  // The pseudo-terminal is given the framing without parity, which it would
  // drop (or refuse); the shim keeps the parity asked for.
  termios carried = *tio;
  carried.c_cflag &= ~kParityBits;
  carried.c_iflag &= ~static_cast<tcflag_t>(INPCK | PARMRK);
  const int result = real(fd, when, &carried);
  if (changed) Tell(shim);
  return result;
}

int tcgetattr(int fd, termios* tio) {
  using GetCall = int (*)(int, termios*);
  static const auto real = Next<GetCall>("tcgetattr");
  const int result = real(fd, tio);
  if (result != 0 || !IsTheTty(fd)) return result;
  Shim& shim = TheShim();
  std::lock_guard<std::mutex> guard(shim.mutex);
  if (shim.haveAsked) {
    tio->c_cflag = (tio->c_cflag & ~kParityBits) | (shim.asked.c_cflag & kParityBits);
    tio->c_iflag = (tio->c_iflag & ~static_cast<tcflag_t>(INPCK | PARMRK)) |
                   (shim.asked.c_iflag & static_cast<tcflag_t>(INPCK | PARMRK));
  }
  return result;
}

ssize_t write(int fd, const void* bytes, size_t count) {
  using WriteCall = ssize_t (*)(int, const void*, size_t);
  static const auto real = Next<WriteCall>("write");
  Shim& shim = TheShim();
  if (shim.refuseEvery > 0 && count > 0 && IsTheTty(fd) && ++shim.writes % shim.refuseEvery == 0) {
    if (shim.refusals >= 0) [[maybe_unused]] const ssize_t counted = real(shim.refusals, "r", 1);
    errno = EAGAIN;
    return -1;
  }
  return real(fd, bytes, count);
}

}  // extern "C"
