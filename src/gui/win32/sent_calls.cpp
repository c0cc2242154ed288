#include "gui/win32/sent_calls.h"

namespace gui::win32 {
namespace {
// How long the closing dialog's thread sleeps between looks at late calls.
constexpr DWORD kCloseWaitMs = 10;
}  // namespace

void SentCalls::Open(HWND dialog) {
  std::lock_guard<std::mutex> lock(mutex_);
  thread_ = GetCurrentThreadId();
  dialog_ = dialog;
  closed_ = false;
}

void SentCalls::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    dialog_ = nullptr;
  }
  // A caller that got in before the close may still be sending: its message
  // reaches a window that is gone, and is answered unrun while this thread
  // takes the messages sent to it.
  while (inFlight_.load() > 0) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kCloseWaitMs, QS_SENDMESSAGE);
  }
}

bool SentCalls::HandOver(const std::function<void()>& task) {
  HWND dialog = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
    dialog = dialog_;
    ++inFlight_;
  }
  // The dialog procedure answers 1 once it has carried the call out; a
  // window that has gone answers 0.
  const LRESULT carried = SendMessageW(dialog, kMessage, 0, reinterpret_cast<LPARAM>(&task));
  --inFlight_;
  return carried == 1;
}

}  // namespace gui::win32
