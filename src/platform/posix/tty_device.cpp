#include "platform/tty_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/clock.h"
#include "platform/posix/file_descriptor.h"
#include "platform/device_observer.h"
#include "platform/tty_calls.h"

namespace platform {
namespace {

struct BaudEntry {
  std::uint32_t rate;
  speed_t code;
};

constexpr std::array kBaudTable{
    BaudEntry{50, B50},         BaudEntry{75, B75},         BaudEntry{110, B110},
    BaudEntry{134, B134},       BaudEntry{150, B150},       BaudEntry{200, B200},
    BaudEntry{300, B300},       BaudEntry{600, B600},       BaudEntry{1200, B1200},
    BaudEntry{1800, B1800},     BaudEntry{2400, B2400},     BaudEntry{4800, B4800},
    BaudEntry{9600, B9600},     BaudEntry{19200, B19200},   BaudEntry{38400, B38400},
    BaudEntry{57600, B57600},   BaudEntry{115200, B115200}, BaudEntry{230400, B230400},
    BaudEntry{460800, B460800}, BaudEntry{500000, B500000}, BaudEntry{576000, B576000},
    BaudEntry{921600, B921600}, BaudEntry{1000000, B1000000},
};

std::optional<speed_t> SpeedCode(std::uint32_t rate) {
  for (const BaudEntry& entry : kBaudTable) {
    if (entry.rate == rate) return entry.code;
  }
  return std::nullopt;
}

std::optional<tcflag_t> SizeFlag(std::uint8_t dataBits) {
  switch (dataBits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    case 8: return CS8;
    default: return std::nullopt;
  }
}

// The line carries parity both ways, but a byte received with a parity error
// reaches the reader unchanged: with input checking on, the kernel would hand
// over 00 (or mark it) in its place.
void SetParity(termios& tio, Parity parity) {
  tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
  tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | PARMRK | IGNPAR);
  switch (parity) {
    case Parity::None: return;
    case Parity::Odd: tio.c_cflag |= PARENB | PARODD; break;
    case Parity::Even: tio.c_cflag |= PARENB; break;
    case Parity::Mark: tio.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case Parity::Space: tio.c_cflag |= PARENB | CMSPAR; break;
  }
}

// A write that makes no progress for this long finds the line stuck: the
// bytes not taken are refused. A busy adapter frees a transfer buffer within
// milliseconds; a 4 KiB driver queue drains at 9600 baud in under 5 seconds,
// and room for the next byte comes long before that.
constexpr Micros kWriteStallLimit = 2'000'000;

// Errors after which the device is gone for good (an adapter pulled out).
bool LineGone(int error) { return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE; }

// A pseudo-terminal has no modem lines; its refusal is not a failure.
bool NoModemLines(int error) { return error == ENOTTY || error == EINVAL; }

Error ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR: return Error::NotFound;
    case EACCES:
    case EPERM: return Error::PermissionDenied;
    case EBUSY:
    case EWOULDBLOCK: return Error::Busy;
    case ENOTTY:
    case EISDIR: return Error::NotASerialPort;
    default: return Error::Other;
  }
}

OpenResult Failure(Error error, const std::string& path, int errnoValue) {
  OpenResult result;
  result.error = error;
  result.detail = path + ": " + std::strerror(errnoValue);
  return result;
}

using Fd = FileDescriptor;

// Who in this process has a tty open (its devices, and the keeper of a held
// one), and the settings the first of them found: the last to close puts
// them back.
class TtyUsers {
 public:
  struct Leaving {
    bool last = false;
    termios original{};
    std::optional<LineSettings> lastApplied;
  };

  void Join(dev_t device, const termios& found) {
    std::lock_guard<std::mutex> guard(mutex_);
    Entry& entry = entries_[device];
    if (entry.users++ == 0) entry.original = found;
  }

  Leaving Leave(dev_t device, const std::optional<LineSettings>& applied) {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto found = entries_.find(device);
    if (found == entries_.end()) return {};
    Entry& entry = found->second;
    if (applied) entry.lastApplied = applied;
    if (--entry.users > 0) return {};
    Leaving leaving{true, entry.original, entry.lastApplied};
    entries_.erase(found);
    return leaving;
  }

 private:
  struct Entry {
    int users = 0;
    termios original{};
    std::optional<LineSettings> lastApplied;
  };
  std::mutex mutex_;
  std::map<dev_t, Entry> entries_;
};

TtyUsers& Users() {
  static TtyUsers users;
  return users;
}

// The last close: the tty gets back the settings it was found with. When
// they hang it up on close, the driver drops both lines as it closes.
void PutBack(int fd, const TtyUsers::Leaving& leaving, const TtyCalls& calls) {
  ::tcsetattr(fd, TCSANOW, &leaving.original);
  if ((leaving.original.c_cflag & HUPCL) == 0) return;
  LineSettings dropped = leaving.lastApplied.value_or(LineSettings{});
  dropped.dtr = false;
  dropped.rts = false;
  calls.applied(dropped);
}

class TtyDevice final : public SerialDevice {
 public:
  TtyDevice(Fd fd, Fd cancel, std::string path, dev_t device, const termios& found,
            std::shared_ptr<DeviceObserver> observer)
      : fd_(std::move(fd)), cancel_(std::move(cancel)), path_(std::move(path)), device_(device),
        calls_(CurrentTtyCalls()), observer_(std::move(observer)) {
    Users().Join(device_, found);
  }
  ~TtyDevice() override {
    const TtyUsers::Leaving leaving = Users().Leave(device_, applied_);
    if (leaving.last) PutBack(fd_.get(), leaving, calls_);
    ::ioctl(fd_.get(), TIOCNXCL);
  }

  bool Apply(const LineSettings& settings) override {
    if (lost_.load()) return false;
    calls_.applied(settings);
    applied_ = settings;
    if (!ApplyFraming(settings)) return false;
    return ApplyModemLines(settings);
  }

  // Until the first Apply, the tty keeps its framing but must neither echo
  // what the interface sends back to it nor hold input back for a line end.
  bool MakeTransparent() {
    termios tio{};
    if (::tcgetattr(fd_.get(), &tio) != 0) return false;
    tio.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK);
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(fd_.get(), TCSANOW, &tio) == 0;
  }

  std::size_t InputWaiting() override { return QueueCount(FIONREAD); }
  std::size_t OutputWaiting() override { return QueueCount(TIOCOUTQ); }

  std::size_t Read(std::uint8_t* buffer, std::size_t max) override {
    if (max == 0 || lost_.load()) return 0;
    const ssize_t got = ::read(fd_.get(), buffer, max);
    if (got < 0 && LineGone(errno)) Lose(errno);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }

  // Every byte is handed over: a driver that has no room for the moment
  // (EAGAIN) is waited for and asked again. Only a device that has gone, a
  // cancel, or a line that takes nothing for kWriteStallLimit refuses the rest.
  std::size_t Write(const std::uint8_t* bytes, std::size_t count) override {
    const TtyCalls::Writer driver = [fd = fd_.get()](const void* data, std::size_t size) -> std::ptrdiff_t {
      return ::write(fd, data, size);
    };
    std::size_t done = 0;
    Micros lastProgress = calls_.now();
    while (done < count && !lost_.load()) {
      const std::ptrdiff_t put = calls_.write(bytes + done, count - done, driver);
      if (put > 0) {
        done += static_cast<std::size_t>(put);
        lastProgress = calls_.now();
        continue;
      }
      const int error = put < 0 ? errno : EAGAIN;
      if (error == EINTR) continue;
      if (error != EAGAIN && error != EWOULDBLOCK) {
        if (LineGone(error)) Lose(error);
        break;
      }
      const int remaining = RemainingMs(lastProgress + kWriteStallLimit);
      if (remaining == 0 || !WaitForRoom(remaining)) break;
    }
    return done;
  }

  void Purge(PurgeSide side) override {
    switch (side) {
      case PurgeSide::Input: ::tcflush(fd_.get(), TCIFLUSH); break;
      case PurgeSide::Output: ::tcflush(fd_.get(), TCOFLUSH); break;
      case PurgeSide::Both: ::tcflush(fd_.get(), TCIOFLUSH); break;
    }
  }

  std::size_t WaitForInput(std::size_t count, int timeoutMs) override {
    const Micros deadline = timeoutMs < 0 ? kNever : calls_.now() + static_cast<Micros>(timeoutMs) * 1000;
    for (;;) {
      const std::size_t waiting = InputWaiting();
      if (waiting >= count || TakeCancel()) return waiting;
      const int remaining = RemainingMs(deadline);
      if (remaining == 0) return waiting;
      // Some input but not enough: poll would report readable at once, so
      // pause briefly on the cancel event alone. A device that has gone is
      // never watched again: it stays readable without data.
      PollOnce(waiting == 0 && !lost_.load(), remaining);
    }
  }

  bool WaitForDrain(int timeoutMs) override {
    const Micros deadline = calls_.now() + static_cast<Micros>(std::max(timeoutMs, 0)) * 1000;
    for (;;) {
      if (lost_.load() || OutputWaiting() == 0) return true;
      if (RemainingMs(deadline) == 0) return false;
      ::poll(nullptr, 0, 1);
    }
  }

  void CancelWait() override {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t put = ::write(cancel_.get(), &one, sizeof one);
  }

 private:
  // True once the driver has room again. A cancel is left pending for the
  // read wait it was meant for; it only stops this write.
  bool WaitForRoom(int remainingMs) {
    std::array<pollfd, 2> fds{pollfd{cancel_.get(), POLLIN, 0}, pollfd{fd_.get(), POLLOUT, 0}};
    const int ready = ::poll(fds.data(), fds.size(), std::min(remainingMs, 100));
    if (ready < 0) return errno == EINTR;
    if ((fds[0].revents & POLLIN) != 0) return false;
    if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
      Lose(EIO);
      return false;
    }
    return true;
  }

  // The first sign that the device has gone is reported once; from then on
  // reads and writes give nothing at once and waits watch only the cancel.
  void Lose(int error) {
    if (lost_.exchange(true) || !observer_) return;
    observer_->LineInTrouble(path_, LineTrouble::Lost, std::strerror(error));
  }

  bool ApplyFraming(const LineSettings& settings) {
    const std::optional<speed_t> speed = SpeedCode(settings.baudRate);
    const std::optional<tcflag_t> size = SizeFlag(settings.dataBits);
    if (!speed || !size) return false;
    termios tio{};
    if (::tcgetattr(fd_.get(), &tio) != 0) return false;
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
    if (settings.hangUpOnClose) tio.c_cflag |= HUPCL;
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CRTSCTS | CSTOPB);
    tio.c_cflag |= *size;
    if (settings.stopBits != StopBits::One) tio.c_cflag |= CSTOPB;
    SetParity(tio, settings.parity);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetspeed(&tio, *speed) != 0) return false;
    return ::tcsetattr(fd_.get(), TCSANOW, &tio) == 0 || AlreadyInEffect(tio);
  }

  // A driver that keeps no parity (a pseudo-terminal drops PARENB) may refuse
  // to be given it again: the settings stand when all else is as asked.
  bool AlreadyInEffect(const termios& wanted) {
    if (errno != EINVAL) return false;
    termios now{};
    if (::tcgetattr(fd_.get(), &now) != 0) return false;
    constexpr tcflag_t kParityBits = PARENB | PARODD | CMSPAR;
    return ::cfgetospeed(&now) == ::cfgetospeed(&wanted) && now.c_iflag == wanted.c_iflag &&
           now.c_oflag == wanted.c_oflag && now.c_lflag == wanted.c_lflag &&
           (now.c_cflag & ~kParityBits) == (wanted.c_cflag & ~kParityBits);
  }

  // Both lines in one call, so no step of a line sequence leaves them in a
  // state the sequence does not have.
  bool ApplyModemLines(const LineSettings& settings) {
    int lines = 0;
    if (::ioctl(fd_.get(), TIOCMGET, &lines) != 0) return NoModemLines(errno);
    lines = settings.dtr ? (lines | TIOCM_DTR) : (lines & ~TIOCM_DTR);
    lines = settings.rts ? (lines | TIOCM_RTS) : (lines & ~TIOCM_RTS);
    if (::ioctl(fd_.get(), TIOCMSET, &lines) != 0) return NoModemLines(errno);
    return true;
  }

  std::size_t QueueCount(unsigned long request) {
    if (lost_.load()) return 0;
    int count = 0;
    if (::ioctl(fd_.get(), request, &count) != 0 || count < 0) return 0;
    return static_cast<std::size_t>(count);
  }

  bool TakeCancel() {
    std::uint64_t value = 0;
    return ::read(cancel_.get(), &value, sizeof value) == static_cast<ssize_t>(sizeof value);
  }

  int RemainingMs(Micros deadline) const {
    if (deadline == kNever) return -1;
    const Micros left = deadline - calls_.now();
    if (left <= 0) return 0;
    return static_cast<int>(std::min<Micros>((left + 999) / 1000, 1'000'000));
  }

  void PollOnce(bool watchDevice, int remainingMs) {
    std::array<pollfd, 2> fds{pollfd{cancel_.get(), POLLIN, 0}, pollfd{fd_.get(), POLLIN, 0}};
    const bool untilCancel = watchDevice || lost_.load();
    const int timeout = untilCancel ? remainingMs : (remainingMs < 0 ? 1 : std::min(remainingMs, 1));
    if (::poll(fds.data(), watchDevice ? 2 : 1, timeout) < 0 && errno != EINTR) {
      ::poll(nullptr, 0, 1);  // never spin on a failing poll
    }
    // A hung-up device stays readable without data: it has gone.
    if (watchDevice && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) Lose(EIO);
  }

  Fd fd_;
  Fd cancel_;
  std::string path_;
  dev_t device_;
  TtyCalls calls_;
  std::shared_ptr<DeviceObserver> observer_;
  std::atomic<bool> lost_{false};
  std::optional<LineSettings> applied_;
};

class KeptTtyDevice final : public KeptTty {
 public:
  KeptTtyDevice(Fd fd, dev_t device, const termios& found)
      : fd_(std::move(fd)), device_(device), calls_(CurrentTtyCalls()) {
    Users().Join(device_, found);
  }
  ~KeptTtyDevice() override {
    const TtyUsers::Leaving leaving = Users().Leave(device_, std::nullopt);
    if (leaving.last) PutBack(fd_.get(), leaving, calls_);
  }

 private:
  Fd fd_;
  dev_t device_;
  TtyCalls calls_;
};

}  // namespace

OpenResult OpenTtyDevice(const std::string& path, std::shared_ptr<DeviceObserver> observer) {
  Fd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return Failure(ErrorFromErrno(errno), path, errno);
  if (!::isatty(fd.get())) return Failure(Error::NotASerialPort, path, ENOTTY);
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return Failure(ErrorFromErrno(errno), path, errno);
  if (::ioctl(fd.get(), TIOCEXCL) != 0) return Failure(ErrorFromErrno(errno), path, errno);
  auto release = [&](Error error) {
    const int reason = errno;
    ::ioctl(fd.get(), TIOCNXCL);  // leave the tty as others may expect to find it
    return Failure(error, path, reason);
  };
  termios found{};
  struct stat info {};
  if (::tcgetattr(fd.get(), &found) != 0 || ::fstat(fd.get(), &info) != 0) return release(Error::NotASerialPort);
  Fd cancel(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  if (!cancel.valid()) return release(Error::Other);
  auto device =
      std::make_unique<TtyDevice>(std::move(fd), std::move(cancel), path, info.st_rdev, found, std::move(observer));
  if (!device->MakeTransparent()) {
    const int reason = errno;
    return Failure(Error::NotASerialPort, path, reason);  // the device's close puts the settings back
  }
  OpenResult result;
  result.device = std::move(device);
  return result;
}

std::unique_ptr<KeptTty> KeepTtyOpen(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  termios found{};
  struct stat info {};
  if (!fd.valid() || !::isatty(fd.get()) || ::tcgetattr(fd.get(), &found) != 0 || ::fstat(fd.get(), &info) != 0) {
    return nullptr;
  }
  return std::make_unique<KeptTtyDevice>(std::move(fd), info.st_rdev, found);
}

}  // namespace platform
