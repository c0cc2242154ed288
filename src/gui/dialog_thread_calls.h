#pragma once
// Carries window operations over to the dialog's thread. A call from the
// dialog's own thread runs directly; a call from any other thread (the
// upgrade worker) is queued to the dialog's thread and waits there until it
// has been carried out. The dialog's thread never waits for the other one.

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace gui {

class DialogThreadCalls {
 public:
  explicit DialogThreadCalls(QObject& context) : context_(context) {}

  bool OnDialogThread() const { return QThread::currentThread() == context_.thread(); }

  // Runs `call` on the dialog's thread and returns its result. Once the
  // dialog's loop has ended (Close), calls from other threads are dropped
  // and get `fallback`: nothing would be left to carry them out.
  template <class Call, class Result = std::invoke_result_t<Call&>>
  Result Run(Call call, Result fallback) {
    if (OnDialogThread()) return call();
    if (!Enter()) return fallback;
    std::optional<Result> result;
    QMetaObject::invokeMethod(&context_, [&] { result.emplace(call()); }, Qt::BlockingQueuedConnection);
    Leave();
    return result ? std::move(*result) : std::move(fallback);
  }

  template <class Call>
  void Run(Call call) {
    if (OnDialogThread()) {
      call();
      return;
    }
    if (!Enter()) return;
    QMetaObject::invokeMethod(&context_, [&] { call(); }, Qt::BlockingQueuedConnection);
    Leave();
  }

  // The dialog's loop runs: other threads' calls are carried out.
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = false;
  }

  // On the dialog's thread, when its loop has ended: calls already on their
  // way are carried out, later ones are dropped.
  void Close() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      closed_ = true;
    }
    while (inFlight_.load() > 0) {
      QCoreApplication::sendPostedEvents(&context_);
      std::this_thread::yield();
    }
  }

 private:
  bool Enter() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
    ++inFlight_;
    return true;
  }
  void Leave() { --inFlight_; }

  QObject& context_;
  std::mutex mutex_;
  bool closed_ = true;
  std::atomic<int> inFlight_{0};
};

}  // namespace gui
