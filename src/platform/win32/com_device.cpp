// A COM port through the communications calls of Windows. Every read, write
// and wait is overlapped, with an event of its own, so a wait for input
// blocks on the port's character-received event and a wait can be cut short
// from another thread; each call completes before it returns, so the loader
// link above sees a synchronous device.

#include "platform/win32/com_device.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <utility>

#include "platform/port_names.h"
#include "platform/system_time.h"
#include "platform/win32/com_settings.h"
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
// The events a wait for input waits on.
constexpr DWORD kEventMask = EV_RXCHAR;
// A wait ended by a new mask completes at once; this is a generous bound.
constexpr DWORD kEndWaitMs = 1000;

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Handle() {
    if (valid()) CloseHandle(handle_);
  }
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Handle& operator=(Handle&&) = delete;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

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
  ComDevice(Handle port, std::string name, const COMMTIMEOUTS& found)
      : port_(std::move(port)), cancel_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), name_(std::move(name)),
        found_(found) {}
  ~ComDevice() override {
    PurgeComm(port_.get(), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    SetCommTimeouts(port_.get(), &found_);  // as the port was found
  }

  bool ready() const { return cancel_.valid() && read_.ok() && write_.ok() && event_.ok(); }

  // A record that only moves DTR or RTS goes out through the line escapes,
  // one line at a time as the sequences change them; anything else is a
  // whole line-settings record.
  bool Apply(const LineSettings& settings) override {
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

  std::size_t InputWaiting() override { return Status().cbInQue; }
  std::size_t OutputWaiting() override { return Status().cbOutQue; }

  std::size_t Read(std::uint8_t* buffer, std::size_t max) override {
    if (max == 0 || lost_.load()) return 0;
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(max, kQueueSize));
    if (!ReadFile(port_.get(), buffer, wanted, &got, read_.Fresh()) && !Complete(read_, got)) return 0;
    return got;
  }

  // Every byte is handed over in order: a driver that takes nothing for the
  // moment is asked again. Only a device that has gone, or a line that takes
  // nothing for kWriteStallMicros, refuses the rest.
  std::size_t Write(const std::uint8_t* bytes, std::size_t count) override {
    std::size_t done = 0;
    std::int64_t lastProgress = Now();
    while (done < count && !lost_.load()) {
      DWORD put = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, kQueueSize));
      if (!WriteFile(port_.get(), bytes + done, chunk, &put, write_.Fresh())) Complete(write_, put);
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
    PurgeComm(port_.get(), flags);
  }

  std::size_t WaitForInput(std::size_t count, int timeoutMs) override {
    const std::optional<std::int64_t> deadline =
        timeoutMs < 0 ? std::nullopt : std::optional(Now() + static_cast<std::int64_t>(timeoutMs) * 1000);
    for (;;) {
      const std::size_t waiting = InputWaiting();
      if (waiting >= count) return waiting;
      const DWORD remaining = RemainingMs(deadline);
      if (remaining == 0) return waiting;
      // A device that has gone is never waited on again: only a cancel or
      // the time ends the wait, as on a line that stays silent.
      const bool cancelled = lost_.load() ? WaitForSingleObject(cancel_.get(), remaining) == WAIT_OBJECT_0
                                          : WaitForCharacter(waiting, remaining);
      if (cancelled) return InputWaiting();
    }
  }

  bool WaitForDrain(int timeoutMs) override {
    const std::int64_t deadline = Now() + static_cast<std::int64_t>(std::max(timeoutMs, 0)) * 1000;
    for (;;) {
      if (lost_.load() || OutputWaiting() == 0) return true;
      if (Now() >= deadline) return false;
      system_time::PauseMicros(1000);
    }
  }

  void CancelWait() override { SetEvent(cancel_.get()); }

 private:
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

  // Waits for a character to arrive (beyond the `waiting` already there),
  // a cancel, or the time. True when cancelled.
  bool WaitForCharacter(std::size_t waiting, DWORD remainingMs) {
    DWORD events = 0;
    if (WaitCommEvent(port_.get(), &events, event_.Fresh())) return false;  // an event at once
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) {
      Failed(error);
      system_time::PauseMicros(1000);  // never spin on a failing wait
      return false;
    }
    // A character that came between the count and the wait raises no event.
    if (InputWaiting() > waiting) {
      EndEventWait();
      return false;
    }
    const HANDLE handles[] = {event_.event(), cancel_.get()};
    const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, remainingMs);
    if (woken == WAIT_OBJECT_0) {
      DWORD ignored = 0;
      GetOverlappedResult(port_.get(), event_.get(), &ignored, FALSE);
      return false;
    }
    EndEventWait();
    return woken == WAIT_OBJECT_0 + 1;
  }

  // Ends the pending event wait and lets it complete: its record is used
  // again. Setting the mask anew ends a pending wait at once.
  void EndEventWait() {
    SetCommMask(port_.get(), kEventMask);
    if (WaitForSingleObject(event_.event(), kEndWaitMs) != WAIT_OBJECT_0) CancelIoEx(port_.get(), event_.get());
    DWORD ignored = 0;
    GetOverlappedResult(port_.get(), event_.get(), &ignored, TRUE);
  }

  // Completes a request the call left pending; false when it failed. A read
  // that ran into its time-out read nothing, which is no failure.
  bool Complete(Request& request, DWORD& transferred) {
    const DWORD error = GetLastError();
    if (error != ERROR_IO_PENDING) return MeansNothingRead(error) || Failed(error);
    if (GetOverlappedResult(port_.get(), request.get(), &transferred, TRUE)) return true;
    const DWORD late = GetLastError();
    return MeansNothingRead(late) || Failed(late);
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
  Handle cancel_;  // auto-reset: a cancel that finds no wait ends the next one
  Request read_;
  Request write_;
  Request event_;
  std::string name_;
  COMMTIMEOUTS found_;
  std::optional<LineSettings> applied_;
  std::atomic<bool> lost_{false};
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

OpenResult OpenComDevice(const std::string& name) {
  const std::string path = "\\\\.\\" + name;
  Handle port(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED, nullptr));
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
  COMMTIMEOUTS timeouts = PortTimeouts(kWriteChunkMs);
  // Queue sizes are a wish the driver may round or ignore.
  SetupComm(port.get(), kQueueSize, kQueueSize);
  if (!SetCommTimeouts(port.get(), &timeouts) || !SetCommMask(port.get(), kEventMask)) {
    return Failure(Error::Other, name, GetLastError());
  }
  PurgeComm(port.get(), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  auto device = std::make_unique<ComDevice>(std::move(port), name, found);
  if (!device->ready()) return Failure(Error::Other, name, GetLastError());
  OpenResult result;
  result.device = std::move(device);
  return result;
}

}  // namespace platform::win32
