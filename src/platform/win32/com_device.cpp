// A COM port through the communications calls of Windows. A port a watcher
// thread waits on while another writes has every read and write overlapped,
// with an event of its own, so a wait can be cut short from another thread;
// a port one thread uses (the loader link) is synchronous. Either way each
// call completes before it returns. A wait for input is a read that returns
// with the first byte that comes: the system wakes it, where a wait on the
// port's event mask is polled every millisecond under Wine.

#include "platform/win32/com_device.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "platform/port_names.h"
#include "platform/system_time.h"
#include "platform/win32/com_settings.h"
#include "platform/win32/owned_handle.h"
#include "platform/win32/system_error.h"

namespace platform::win32 {
namespace {

constexpr DWORD kQueueSize = 4096;
// A write hands back what it has not sent after this long, so the writer
// sees its progress.
constexpr DWORD kWriteChunkMs = 500;
// A write that makes no progress for this long finds the line stuck: the
// bytes not taken are refused. A 4 KiB queue drains at 9600 baud in under
// 5 seconds, and room for the next byte comes long before that.
constexpr std::int64_t kWriteStallMicros = 2'000'000;
// A port one thread uses hands what it gathers to the driver at the latest
// when this much has come together (more than a loader frame).
constexpr std::size_t kGatherLimit = 512;
// A read that waits for input ends with its own time-out; the wait on it
// gives the driver this much more before cutting it short.
constexpr DWORD kReadSlackMs = 100;
// The read time-out the port opens with, and the longest a wait for input
// asks for at once (a wait without end asks again).
constexpr DWORD kFirstReadWaitMs = 1000;
constexpr DWORD kLongestReadWaitMs = 3'600'000;

using Handle = win32::OwnedHandle;

// One overlapped request record with its own manual-reset event.
class Request {
 public:
  Request() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  bool ok() const { return event_.valid(); }
  OVERLAPPED* Fresh() {
    record_ = OVERLAPPED{};
    record_.hEvent = event_.get();
    return &record_;
  }
  OVERLAPPED* get() { return &record_; }
  HANDLE event() const { return event_.get(); }

 private:
  Handle event_;
  OVERLAPPED record_{};
};

std::int64_t Now() { return system_time::MonotonicMicros(); }

// Milliseconds left until `deadline` for a system wait; INFINITE for none.
DWORD RemainingMs(std::optional<std::int64_t> deadline) {
  if (!deadline) return INFINITE;
  const std::int64_t left = *deadline - Now();
  if (left <= 0) return 0;
  return static_cast<DWORD>(std::min<std::int64_t>((left + 999) / 1000, 1'000'000));
}

class ComDevice final : public SerialDevice {
 public:
  ComDevice(Handle port, bool overlapped, std::string name, const COMMTIMEOUTS& found)
      : port_(std::move(port)), overlapped_(overlapped), cancel_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
        name_(std::move(name)), found_(found) {}
  ~ComDevice() override {
    HandOver();  // what was written goes out, as a closing tty sends its queue
    PurgeComm(port_.get(), PURGE_RXABORT | PURGE_RXCLEAR);
    SetCommTimeouts(port_.get(), &found_);  // as the port was found
  }

  bool ready() const { return cancel_.valid() && read_.ok() && write_.ok(); }

  // A record that only moves DTR or RTS goes out through the line escapes,
  // one line at a time as the sequences change them; anything else is a
  // whole line-settings record.
  bool Apply(const LineSettings& settings) override {
    HandOver();  // bytes written before a line change go out before it
    if (lost_.load()) return false;
    if (applied_ && OnlyLinesDiffer(*applied_, settings)) return SetLines(settings);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port_.get(), &dcb)) return Failed(GetLastError());
    if (!FillLineSettings(settings, dcb)) return false;
    if (!SetCommState(port_.get(), &dcb)) return Failed(GetLastError());
    applied_ = settings;
    return true;
  }

  std::size_t InputWaiting() override {
    std::lock_guard<std::mutex> guard(aheadMutex_);
    return ahead_.size() + Status().cbInQue;
  }
  std::size_t OutputWaiting() override { return gathered_.size() + Status().cbOutQue; }

  // What a wait read ahead comes first, then what waits in the driver.
  std::size_t Read(std::uint8_t* buffer, std::size_t max) override {
    std::lock_guard<std::mutex> guard(aheadMutex_);
    std::size_t taken = std::min(max, ahead_.size());
    std::copy_n(ahead_.begin(), taken, buffer);
    ahead_.erase(ahead_.begin(), ahead_.begin() + static_cast<std::ptrdiff_t>(taken));
    const std::size_t waiting = taken < max && !lost_.load() ? Status().cbInQue : 0;
    DWORD got = 0;
    // Bytes the driver holds now: the read returns at once with them.
    if (waiting > 0) ReadSome(buffer + taken, static_cast<DWORD>(std::min(max - taken, waiting)), readWaitMs_, got);
    return taken + got;
  }

  // A port one thread uses gathers what is written (the loader link writes
  // a frame byte by byte) and hands it to the driver in one write when the
  // thread goes on to wait, drain or change the line: every write is a
  // request to the driver (a USB transfer of its own on an adapter, a
  // server round trip under Wine).
  std::size_t Write(const std::uint8_t* bytes, std::size_t count) override {
    if (overlapped_) return WriteNow(bytes, count);
    if (lost_.load()) return 0;
    gathered_.insert(gathered_.end(), bytes, bytes + count);
    if (gathered_.size() >= kGatherLimit) HandOver();
    return count;
  }

  // Every byte is handed over in order: a driver that takes nothing for the
  // moment is asked again. Only a device that has gone, or a line that takes
  // nothing for kWriteStallMicros, refuses the rest.
  std::size_t WriteNow(const std::uint8_t* bytes, std::size_t count) {
    std::size_t done = 0;
    std::int64_t lastProgress = Now();
    while (done < count && !lost_.load()) {
      const DWORD put = WriteSome(bytes + done, static_cast<DWORD>(std::min<std::size_t>(count - done, kQueueSize)));
      if (put > 0) {
        done += put;
        lastProgress = Now();
        continue;
      }
      if (Now() - lastProgress >= kWriteStallMicros) break;
      system_time::PauseMicros(1000);  // a refused write is asked again after a breath
    }
    return done;
  }

  void Purge(PurgeSide side) override {
    DWORD flags = 0;
    if (side != PurgeSide::Output) flags |= PURGE_RXABORT | PURGE_RXCLEAR;
    if (side != PurgeSide::Input) flags |= PURGE_TXABORT | PURGE_TXCLEAR;
    std::lock_guard<std::mutex> guard(aheadMutex_);
    if (side != PurgeSide::Output) ahead_.clear();
    if (side != PurgeSide::Input) gathered_.clear();
    PurgeComm(port_.get(), flags);
  }

  std::size_t WaitForInput(std::size_t count, int timeoutMs) override {
    HandOver();
    const std::optional<std::int64_t> deadline =
        timeoutMs < 0 ? std::nullopt : std::optional(Now() + static_cast<std::int64_t>(timeoutMs) * 1000);
    for (;;) {
      const std::size_t waiting = InputWaiting();
      if (waiting >= count) return waiting;
      const DWORD remaining = RemainingMs(deadline);
      if (remaining == 0) return waiting;
      // A device that has gone is never waited on again: only a cancel or
      // the time ends the wait, as on a line that stays silent. A cancel
      // that came while no wait ran ends this one at once.
      if (WaitForSingleObject(cancel_.get(), lost_.load() ? remaining : 0) == WAIT_OBJECT_0) return InputWaiting();
      if (!lost_.load() && ReadAhead(count - waiting, remaining)) return InputWaiting();
    }
  }

  bool WaitForDrain(int timeoutMs) override {
    HandOver();
    const std::int64_t deadline = Now() + static_cast<std::int64_t>(std::max(timeoutMs, 0)) * 1000;
    for (;;) {
      if (lost_.load() || OutputWaiting() == 0) return true;
      if (Now() >= deadline) return false;
      system_time::PauseMicros(1000);
    }
  }

  void CancelWait() override { SetEvent(cancel_.get()); }

 private:
  // What was gathered goes to the driver; a device that has gone takes none.
  void HandOver() {
    if (gathered_.empty()) return;
    WriteNow(gathered_.data(), gathered_.size());
    gathered_.clear();
  }

  static bool OnlyLinesDiffer(const LineSettings& before, const LineSettings& after) {
    LineSettings same = after;
    same.dtr = before.dtr;
    same.rts = before.rts;
    same.hangUpOnClose = before.hangUpOnClose;
    return same == before;
  }

  bool SetLines(const LineSettings& settings) {
    if (settings.dtr != applied_->dtr && !EscapeCommFunction(port_.get(), settings.dtr ? SETDTR : CLRDTR)) {
      return Failed(GetLastError());
    }
    applied_->dtr = settings.dtr;
    if (settings.rts != applied_->rts && !EscapeCommFunction(port_.get(), settings.rts ? SETRTS : CLRRTS)) {
      return Failed(GetLastError());
    }
    applied_ = settings;
    return true;
  }

  // The wait for input is a read that returns with the first byte that
  // comes (or after the time): the system wakes it when a byte arrives, with
  // no polling. What it reads is kept ahead of the next Read. True when a
  // cancel ended the wait.
  bool ReadAhead(std::size_t wanted, DWORD remainingMs) {
    std::array<std::uint8_t, kQueueSize> incoming{};
    DWORD got = 0;
    const DWORD size = static_cast<DWORD>(std::min<std::size_t>(wanted, incoming.size()));
    const DWORD waitMs = remainingMs == INFINITE ? kLongestReadWaitMs : remainingMs;
    const std::int64_t start = Now();
    const bool cancelled = ReadSome(incoming.data(), size, waitMs, got);
    // A wait that comes back empty long before its time (Wine's read of a
    // line hung up does) is asked again only after a breath: no spinning.
    if (!cancelled && got == 0 && Now() - start < static_cast<std::int64_t>(waitMs) * 500) {
      system_time::PauseMicros(1000);
    }
    std::lock_guard<std::mutex> guard(aheadMutex_);
    ahead_.insert(ahead_.end(), incoming.begin(), incoming.begin() + got);
    return cancelled;
  }


  // Reads what waits at once, else the first bytes that come within
  // `waitMs`. True when a cancel ended the wait (overlapped I/O only: in a
  // port one thread uses, no one else is there to cancel).
  bool ReadSome(std::uint8_t* buffer, DWORD size, DWORD waitMs, DWORD& got) {
    got = 0;
    SetReadWait(waitMs);
    if (ReadFile(port_.get(), buffer, size, &got, overlapped_ ? read_.Fresh() : nullptr)) return false;
    const DWORD error = GetLastError();
    if (overlapped_ && error == ERROR_IO_PENDING) return AwaitRead(waitMs, got);
    if (!MeansNothingRead(error)) Failed(error);
    if (got == 0) system_time::PauseMicros(1000);  // never spin on a failing read
    return false;
  }

  // Waits for the pending read, a cancel, or its time-out; a read cut short
  // still hands over what it read. True when cancelled.
  bool AwaitRead(DWORD waitMs, DWORD& got) {
    const HANDLE handles[] = {read_.event(), cancel_.get()};
    const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, waitMs + kReadSlackMs);
    if (woken != WAIT_OBJECT_0) CancelIoEx(port_.get(), read_.get());
    if (!GetOverlappedResult(port_.get(), read_.get(), &got, TRUE)) {
      const DWORD error = GetLastError();
      // A cancelled or purged read ended as asked.
      if (!MeansNothingRead(error) && error != ERROR_OPERATION_ABORTED) Failed(error);
    }
    return woken == WAIT_OBJECT_0 + 1;
  }

  // Hands bytes to the driver; returns how many it took, 0 when it took
  // none for the moment (or has gone).
  DWORD WriteSome(const std::uint8_t* bytes, DWORD size) {
    DWORD put = 0;
    if (WriteFile(port_.get(), bytes, size, &put, overlapped_ ? write_.Fresh() : nullptr)) return put;
    const DWORD error = GetLastError();
    if (overlapped_ && error == ERROR_IO_PENDING) {
      if (!GetOverlappedResult(port_.get(), write_.get(), &put, TRUE)) Failed(GetLastError());
      return put;
    }
    Failed(error);
    return put;
  }

  void SetReadWait(DWORD ms) {
    if (ms == readWaitMs_) return;
    COMMTIMEOUTS timeouts = PortTimeouts(ms, kWriteChunkMs);
    if (SetCommTimeouts(port_.get(), &timeouts)) readWaitMs_ = ms;
  }

  COMSTAT Status() {
    COMSTAT status{};
    DWORD errors = 0;
    if (lost_.load() || !ClearCommError(port_.get(), &errors, &status)) {
      if (!lost_.load()) Failed(GetLastError());
      return COMSTAT{};
    }
    return status;
  }

  // A call failed: when the error is one a pulled adapter gives and the
  // port no longer answers its status either, the device has gone. That is
  // told once; from then on reads and writes give nothing at once.
  bool Failed(DWORD error) {
    if (!MeansDeviceGone(error) || lost_.load()) return false;
    COMSTAT status{};
    DWORD errors = 0;
    if (ClearCommError(port_.get(), &errors, &status)) return false;
    if (!lost_.exchange(true)) ReportLineTrouble(name_, LineTrouble::Lost, SystemErrorText(error));
    return false;
  }

  Handle port_;
  const bool overlapped_;  // a watcher waits while another thread writes
  Handle cancel_;  // auto-reset: a cancel that finds no wait ends the next one
  Request read_;   // reads and waits come from one thread at a time
  Request write_;
  std::string name_;
  COMMTIMEOUTS found_;
  DWORD readWaitMs_ = kFirstReadWaitMs;
  std::optional<LineSettings> applied_;
  std::atomic<bool> lost_{false};
  std::mutex aheadMutex_;
  std::deque<std::uint8_t> ahead_;  // bytes a wait read before anyone asked for them
  std::vector<std::uint8_t> gathered_;  // one-thread port: written, not yet handed to the driver
};

Error ErrorFromOpen(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_NAME:
      return Error::NotFound;
    // A COM port that another program has open answers "access denied".
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
      return Error::Busy;
    default:
      return Error::Other;
  }
}

OpenResult Failure(Error error, const std::string& name, DWORD code) {
  OpenResult result;
  result.error = error;
  result.detail = name + ": " + SystemErrorText(code);
  return result;
}

}  // namespace

OpenResult OpenComDevice(const std::string& name, DeviceUse use) {
  const std::string path = "\\\\.\\" + name;
  // One thread at a time needs no overlapped I/O, and is spared its cost
  // (under Wine a server round trip for every byte the loader link writes).
  const bool overlapped = use == DeviceUse::Watched;
  Handle port(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr));
  if (!port.valid()) {
    const DWORD error = GetLastError();
    return Failure(ErrorFromOpen(error), name, error);
  }
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (GetFileType(port.get()) != FILE_TYPE_CHAR || !GetCommState(port.get(), &dcb)) {
    return Failure(Error::NotASerialPort, name, GetLastError());
  }
  COMMTIMEOUTS found{};
  GetCommTimeouts(port.get(), &found);
  COMMTIMEOUTS timeouts = PortTimeouts(kFirstReadWaitMs, kWriteChunkMs);
  // Queue sizes are a wish the driver may round or ignore.
  SetupComm(port.get(), kQueueSize, kQueueSize);
  if (!SetCommTimeouts(port.get(), &timeouts)) {
    return Failure(Error::Other, name, GetLastError());
  }
  PurgeComm(port.get(), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  auto device = std::make_unique<ComDevice>(std::move(port), overlapped, name, found);
  if (!device->ready()) return Failure(Error::Other, name, GetLastError());
  OpenResult result;
  result.device = std::move(device);
  return result;
}

}  // namespace platform::win32
