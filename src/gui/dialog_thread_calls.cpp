#include "gui/dialog_thread_calls.h"

#include <QCoreApplication>
#include <QEvent>
#include <condition_variable>
#include <thread>

namespace gui {
namespace {

// Where a waiting caller learns that its task is over.
struct Handover {
  std::mutex mutex;
  std::condition_variable over;
  bool done = false;
};

// One task on its way to the dialog's thread. Qt deletes the event once it
// has been delivered, or unrun when its receiver goes away; either way the
// destructor wakes a waiting caller. The synchronisation lives in this
// program's own code, where the thread checker sees it (Qt is not built for it).
class CallEvent final : public QEvent {
 public:
  static QEvent::Type Kind() {
    static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kind;
  }

  // No handover: nobody waits for the task.
  CallEvent(std::function<void()> task, Handover* handover)
      : QEvent(Kind()), task_(std::move(task)), handover_(handover) {}

  ~CallEvent() override {
    if (!handover_) return;
    std::lock_guard<std::mutex> lock(handover_->mutex);
    handover_->done = true;
    handover_->over.notify_one();  // under the lock: the caller's handover outlives this
  }

  // Called by the caller once the event is complete, just before posting.
  void Publish() { published_.store(true, std::memory_order_release); }

  void RunTask() {
    (void)published_.load(std::memory_order_acquire);
    task_();
  }

 private:
  std::function<void()> task_;
  Handover* handover_;
  std::atomic<bool> published_{false};
};

class Receiver final : public QObject {
 public:
  explicit Receiver(QObject* parent) : QObject(parent) {}

  bool event(QEvent* event) override {
    if (event->type() != CallEvent::Kind()) return QObject::event(event);
    static_cast<CallEvent*>(event)->RunTask();
    return true;
  }
};

}  // namespace

DialogThreadCalls::DialogThreadCalls(QObject& context) : context_(context), receiver_(new Receiver(&context)) {}

void DialogThreadCalls::Open() {
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = false;
}

void DialogThreadCalls::Close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
  }
  // A caller that got in before the close may still be posting its task.
  while (inFlight_.load() > 0) {
    QCoreApplication::sendPostedEvents(receiver_, CallEvent::Kind());
    std::this_thread::yield();
  }
}

void DialogThreadCalls::Post(std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return;
  }
  auto* event = new CallEvent(std::move(call), nullptr);
  event->Publish();
  QCoreApplication::postEvent(receiver_, event);
}

bool DialogThreadCalls::HandOver(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_) return false;
    ++inFlight_;
  }
  Handover handover;
  auto* event = new CallEvent(std::move(task), &handover);
  event->Publish();
  QCoreApplication::postEvent(receiver_, event);
  {
    std::unique_lock<std::mutex> lock(handover.mutex);
    handover.over.wait(lock, [&] { return handover.done; });
  }
  --inFlight_;
  return true;
}

}  // namespace gui
