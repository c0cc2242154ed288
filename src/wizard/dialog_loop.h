#pragma once
// A dialog-thread task loop for hosts without a toolkit of their own (the
// terminal front end and the test host). The thread that runs the loop is the
// dialog's thread: other threads hand it work with Post or Invoke, timers fire
// on it, and the loop runs until EndDialog.
//
// Time comes from platform::CurrentClock(): while a timer is pending and no
// task is queued, the loop waits in the foreground, so a virtual clock moves
// to the timer's due time only when nothing else is left to run.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

#include "platform/clock.h"

namespace wizard {

class DialogLoop {
 public:
  using Task = std::function<void()>;
  using TimerHandler = std::function<void(int timerId)>;

  // The constructing thread is the dialog's thread until Run... binds another.
  DialogLoop();
  DialogLoop(const DialogLoop&) = delete;
  DialogLoop& operator=(const DialogLoop&) = delete;

  bool OnDialogThread() const;

  // Queues a task for the dialog's thread and returns at once.
  void Post(Task task);
  // Runs the task on the dialog's thread and returns when it has run: a direct
  // call when already there. Once the loop has ended and no longer runs, the
  // task is dropped and false comes back, as every host of the dialog does
  // with a late call: the window it would act on is gone, and running it on
  // the caller's thread would race the dialog's own.
  bool Invoke(const Task& task);
  // The same with a result; `fallback` when the call was dropped.
  template <typename F, typename R = std::invoke_result_t<F&>>
  R Call(F&& f, R fallback = R{}) {
    std::optional<R> result;
    Invoke([&] { result.emplace(f()); });
    return result ? std::move(*result) : std::move(fallback);
  }

  // Timer events go to the handler on the dialog's thread.
  void SetTimerHandler(TimerHandler handler);
  // Starts (or restarts) a periodic timer; the first event comes after one period.
  void StartTimer(int id, std::uint32_t periodMs);
  void StopTimer(int id);

  // Ends the modal run: RunUntilEnded returns `result` once the current task is done.
  void EndDialog(int result);
  bool Ended() const;
  std::optional<int> Result() const;

  // Runs tasks and timers on the calling thread (which becomes the dialog's
  // thread) until EndDialog; returns its result.
  int RunUntilEnded();
  // Runs tasks (and timers, unless `withTimers` is false) until `done()` holds
  // or the dialog ends; `done` is checked after every task and whenever Wake
  // is called, with the loop's lock held, so it must not call into the loop.
  // Returns done().
  bool RunUntil(const std::function<bool()>& done, bool withTimers = true);
  // Wakes a waiting loop so that it checks RunUntil's condition again.
  void Wake();

 private:
  struct Timer {
    std::uint32_t periodMs;
    platform::Micros due;
  };
  // One step: a queued task, else a due timer, else a wait that ends with a
  // new task, a due timer, Wake, EndDialog or `stop`.
  void RunOne(std::unique_lock<std::mutex>& lock, const std::function<bool()>& stop, bool withTimers);
  std::optional<int> NextDueTimer() const;

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Task> tasks_;
  std::map<int, Timer> timers_;
  TimerHandler timerHandler_;
  std::optional<int> result_;
  bool running_ = false;
  bool woken_ = false;
  std::atomic<std::thread::id> dialogThread_;
};

}  // namespace wizard
