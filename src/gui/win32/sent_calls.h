#pragma once
// Carries window operations over to the dialog's thread. A call from the
// dialog's own thread runs directly; a call from any other thread (the
// upgrade worker) is sent to the dialog's window, which carries it out on its
// thread while the caller waits. The dialog's thread never waits for the
// other one.

#include "gui/win32/windows_header.h"

#include <atomic>
#include <functional>
#include <mutex>

#include "gui/calls_on_dialog_thread.h"

namespace gui::win32 {

// Run(call) and Run(call, fallback) from CallsOnDialogThread: while the
// dialog's window does not exist (before Open, after Close), calls from other
// threads are dropped and get their fallback.
class SentCalls : public CallsOnDialogThread<SentCalls> {
 public:
  // The message that carries a call; its LPARAM points to the call.
  static constexpr UINT kMessage = WM_APP + 0x51;

  // The constructing thread is the dialog's thread.
  SentCalls() : thread_(GetCurrentThreadId()) {}

  bool OnDialogThread() const { return GetCurrentThreadId() == thread_.load(); }

  // In WM_INITDIALOG: the window carries calls from now on.
  void Open(HWND dialog);
  // On the dialog's thread once its window is gone: calls already on their
  // way are answered (unrun), later ones are dropped.
  void Close();

  // In the dialog procedure, for kMessage: runs the call.
  static void Carry(LPARAM call) { (*reinterpret_cast<const std::function<void()>*>(call))(); }

 private:
  friend class CallsOnDialogThread<SentCalls>;
  // False: the call was not carried out.
  bool HandOver(const std::function<void()>& task);

  std::atomic<DWORD> thread_;
  std::mutex mutex_;
  HWND dialog_ = nullptr;
  bool closed_ = true;
  std::atomic<int> inFlight_{0};
};

}  // namespace gui::win32
