#pragma once
// Carries window operations over to the dialog's thread. A call from the
// dialog's own thread runs directly; a call from any other thread (the
// upgrade worker) is queued to the dialog's thread and waits until it has
// been carried out there. The dialog's thread never waits for the other one.

#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>
#include <mutex>

#include "gui/calls_on_dialog_thread.h"

namespace gui {

// Run(call) and Run(call, fallback) from CallsOnDialogThread: while the
// dialog's loop does not run (before Open, after Close), calls from other
// threads are dropped and get their fallback.
class DialogThreadCalls : public CallsOnDialogThread<DialogThreadCalls> {
 public:
  // `context` lives on the dialog's thread; the calls are delivered through
  // a child of it.
  explicit DialogThreadCalls(QObject& context);

  bool OnDialogThread() const { return QThread::currentThread() == context_.thread(); }

  // Queues `call` to the dialog's thread, from any thread, and returns at
  // once: for work the caller must not wait for (the dialog's thread may be
  // waiting for the caller). Dropped while the loop does not run.
  void Post(std::function<void()> call);

  // The dialog's loop runs: other threads' calls are carried out.
  void Open();
  // On the dialog's thread, when its loop has ended: calls already on their
  // way are carried out, later ones are dropped.
  void Close();

 private:
  friend class CallsOnDialogThread<DialogThreadCalls>;
  // Queues `task` to the dialog's thread and waits until it has run there
  // (or was dropped unrun because the dialog went away). False: not queued.
  bool HandOver(std::function<void()> task);

  QObject& context_;
  QObject* receiver_;  // child of the context
  std::mutex mutex_;
  bool closed_ = true;
  std::atomic<int> inFlight_{0};
};

}  // namespace gui
