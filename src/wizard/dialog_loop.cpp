#include "wizard/dialog_loop.h"

#include <memory>
#include <utility>

namespace wizard {
namespace {

platform::Micros PeriodMicros(std::uint32_t periodMs) { return static_cast<platform::Micros>(periodMs) * 1000; }

}  // namespace

DialogLoop::DialogLoop() : dialogThread_(std::this_thread::get_id()) {}

bool DialogLoop::OnDialogThread() const { return dialogThread_.load() == std::this_thread::get_id(); }

void DialogLoop::Post(Task task) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    tasks_.push_back(std::move(task));
  }
  cv_.notify_all();
}

bool DialogLoop::Invoke(const Task& task) {
  if (OnDialogThread()) {
    task();
    return true;
  }
  // The queued task may outlive this call only when the loop ended before it
  // ran; it then finds itself abandoned and does nothing.
  struct State {
    bool done = false;
    bool abandoned = false;
  };
  auto state = std::make_shared<State>();
  std::unique_lock<std::mutex> lock(mutex_);
  const auto loopGone = [this] { return result_.has_value() && !running_; };
  if (!loopGone()) {
    tasks_.push_back([this, state, &task] {
      {
        std::lock_guard<std::mutex> guard(mutex_);
        if (state->abandoned) return;
      }
      task();
      {
        std::lock_guard<std::mutex> guard(mutex_);
        state->done = true;
      }
      cv_.notify_all();
    });
    cv_.notify_all();
    cv_.wait(lock, [&] { return state->done || loopGone(); });
    if (state->done) return true;
    state->abandoned = true;
  }
  return false;
}

void DialogLoop::SetTimerHandler(TimerHandler handler) {
  std::lock_guard<std::mutex> guard(mutex_);
  timerHandler_ = std::move(handler);
}

void DialogLoop::StartTimer(int id, std::uint32_t periodMs) {
  const platform::Micros due = platform::CurrentClock()->Now() + PeriodMicros(periodMs);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    timers_[id] = Timer{periodMs, due};
  }
  cv_.notify_all();
}

void DialogLoop::StopTimer(int id) {
  std::lock_guard<std::mutex> guard(mutex_);
  timers_.erase(id);
}

void DialogLoop::EndDialog(int result) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!result_) result_ = result;
  }
  cv_.notify_all();
}

bool DialogLoop::Ended() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return result_.has_value();
}

std::optional<int> DialogLoop::Result() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return result_;
}

void DialogLoop::Wake() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    woken_ = true;
  }
  cv_.notify_all();
}

std::optional<int> DialogLoop::NextDueTimer() const {
  std::optional<int> next;
  for (const auto& [id, timer] : timers_) {
    if (!next || timer.due < timers_.at(*next).due) next = id;
  }
  return next;
}

void DialogLoop::RunOne(std::unique_lock<std::mutex>& lock, const std::function<bool()>& stop,
                        bool withTimers) {
  if (!tasks_.empty()) {
    Task task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    task();
    lock.lock();
    return;
  }
  const std::shared_ptr<platform::Clock> clock = platform::CurrentClock();
  const auto ready = [&] { return !tasks_.empty() || result_.has_value() || woken_ || stop(); };
  const std::optional<int> timerId = withTimers ? NextDueTimer() : std::nullopt;
  if (!timerId) {
    clock->WaitUntil(lock, cv_, platform::kNever, ready, /*foreground=*/false);
    woken_ = false;
    return;
  }
  Timer& timer = timers_.at(*timerId);
  if (clock->Now() < timer.due) {
    // Nothing else to run: a virtual clock may move to the timer's due time.
    clock->WaitUntil(lock, cv_, timer.due, ready, /*foreground=*/true);
    woken_ = false;
    return;
  }
  timer.due = clock->Now() + PeriodMicros(timer.periodMs);
  TimerHandler handler = timerHandler_;
  lock.unlock();
  if (handler) handler(*timerId);
  lock.lock();
}

int DialogLoop::RunUntilEnded() {
  RunUntil([] { return false; });
  std::lock_guard<std::mutex> guard(mutex_);
  return *result_;
}

bool DialogLoop::RunUntil(const std::function<bool()>& done, bool withTimers) {
  dialogThread_.store(std::this_thread::get_id());
  std::unique_lock<std::mutex> lock(mutex_);
  running_ = true;
  while (!result_ && !done()) RunOne(lock, done, withTimers);
  running_ = false;
  const bool finished = done();
  lock.unlock();
  cv_.notify_all();
  return finished;
}

}  // namespace wizard
