#include "support/recording_window.h"

#include <filesystem>
#include <utility>

namespace wizard::testing {

RecordingWindow::RecordingWindow() : dialogThread_(std::this_thread::get_id()) {}

template <typename F, typename... Fallback>
auto RecordingWindow::OnDialog(F&& op, Fallback&&... fallback) -> decltype(op()) {
  const auto counted = [&] {
    if (std::this_thread::get_id() != dialogThread_) {
      std::lock_guard<std::mutex> guard(mutex_);
      ++offThread_;
    }
    return op();
  };
  if constexpr (std::is_void_v<decltype(op())>) {
    loop_.Invoke(counted);
  } else {
    return loop_.Call(counted, std::forward<Fallback>(fallback)...);
  }
}

void RecordingWindow::Record(std::string operation) {
  std::lock_guard<std::mutex> guard(mutex_);
  operations_.push_back(std::move(operation));
}

// ---- Script -----------------------------------------------------------------

void RecordingWindow::AnswerMessage(MessageResult answer) {
  std::lock_guard<std::mutex> guard(mutex_);
  messageAnswers_.push_back(answer);
}

void RecordingWindow::AnswerChooser(const std::string& fullPath) {
  std::lock_guard<std::mutex> guard(mutex_);
  chooserAnswers_.push_back(FileChoice{true, fullPath, std::filesystem::path(fullPath).filename().string()});
}

void RecordingWindow::CancelChooser() {
  std::lock_guard<std::mutex> guard(mutex_);
  chooserAnswers_.push_back(FileChoice{});
}

// ---- Driving ------------------------------------------------------------------

void RecordingWindow::Start(UpgradeDialog& dialog) {
  dialog_ = &dialog;
  dialogThread_ = std::this_thread::get_id();
  loop_.SetTimerHandler([this](int id) { dialog_->OnTimer(id); });
  dialog.SetWorkerEndedListener([this](UpgradeOutcome) { loop_.Wake(); });
  dialog.OnInitDialog();
}

void RecordingWindow::Click(int id) {
  Record("Click " + std::to_string(id));
  if (!Enabled(id)) return;  // a disabled button takes no click
  switch (id) {
    case 1001: dialog_->OnFileButton(); break;
    case 1008: dialog_->OnUpgradeButton(); break;
    case 1: dialog_->OnOK(); break;
    default: break;
  }
}

void RecordingWindow::Escape() {
  Record("Escape");
  dialog_->OnCancel();
}

bool RecordingWindow::SysCommand(int command) {
  Record("SysCommand " + std::to_string(command));
  return dialog_->OnSysCommand(command);
}

void RecordingWindow::WaitForWorker() {
  // Timers wait: a closing timer the worker started fires in RunUntilEnded.
  loop_.RunUntil([this] { return !dialog_->WorkerRunning(); }, /*withTimers=*/false);
}

int RecordingWindow::RunUntilEnded() { return loop_.RunUntilEnded(); }

int RecordingWindow::RunModal(UpgradeDialog& dialog) {
  Start(dialog);
  return loop_.RunUntilEnded();
}

// ---- WindowOps ----------------------------------------------------------------

void RecordingWindow::SetWindowText(const std::string& text) {
  OnDialog([&] {
    Record("SetWindowText " + text);
    std::lock_guard<std::mutex> guard(mutex_);
    windowText_ = text;
  });
}

std::string RecordingWindow::GetWindowText() {
  return OnDialog([&] {
    std::lock_guard<std::mutex> guard(mutex_);
    return windowText_;
  });
}

void RecordingWindow::SetControlText(int id, const std::string& text) {
  OnDialog([&] {
    Record("SetControlText " + std::to_string(id) + " " + text);
    std::lock_guard<std::mutex> guard(mutex_);
    texts_[id] = text;
  });
}

std::string RecordingWindow::GetControlText(int id) {
  return OnDialog([&] {
    std::lock_guard<std::mutex> guard(mutex_);
    if (id == 1016) ++portReads_;
    return texts_[id];
  });
}

void RecordingWindow::EnableControl(int id, bool enable) {
  OnDialog([&] {
    Record(std::string(enable ? "Enable " : "Disable ") + std::to_string(id));
    std::lock_guard<std::mutex> guard(mutex_);
    enabled_[id] = enable;
  });
}

void RecordingWindow::ShowControl(int id, bool show) {
  OnDialog([&] {
    Record(std::string(show ? "Show " : "Hide ") + std::to_string(id));
    std::lock_guard<std::mutex> guard(mutex_);
    shown_[id] = show;
  });
}

void RecordingWindow::ListAppend(int id, const std::string& line) {
  OnDialog([&] {
    Record("ListAppend " + std::to_string(id) + " " + line);
    {
      std::lock_guard<std::mutex> guard(mutex_);
      list_.push_back(line);
    }
    if (listHook_) listHook_(line);
  });
}

void RecordingWindow::ListClear(int id) {
  OnDialog([&] {
    Record("ListClear " + std::to_string(id));
    std::lock_guard<std::mutex> guard(mutex_);
    list_.clear();
  });
}

void RecordingWindow::SetProgressRange(int id, std::int32_t low, std::int32_t high) {
  OnDialog([&] {
    Record("SetProgressRange " + std::to_string(id) + " " + std::to_string(low) + " " + std::to_string(high));
    std::lock_guard<std::mutex> guard(mutex_);
    range_ = {low, high};
  });
}

void RecordingWindow::SetProgressPos(int /*id*/, std::int32_t position) {
  OnDialog([&] {
    std::lock_guard<std::mutex> guard(mutex_);
    position_ = position;
    progressLog_.push_back(position);
  });
}

void RecordingWindow::ProgrammingProgress(std::size_t sent, std::size_t total) {
  OnDialog([&] {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      programmedLog_.emplace_back(sent, total);
    }
    if (programmedHook_) programmedHook_(sent, total);
  });
}

std::vector<std::pair<std::size_t, std::size_t>> RecordingWindow::ProgrammedLog() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return programmedLog_;
}

MessageResult RecordingWindow::MessageBox(const std::string& text, const std::string& caption,
                                          MessageButtons buttons, MessageIcon icon) {
  return OnDialog(
      [&] {
        Record("MessageBox " + text);
        std::lock_guard<std::mutex> guard(mutex_);
        messages_.push_back(MessageRecord{text, caption, buttons, icon, position_});
        MessageResult answer = UnseenAnswer(buttons);
        if (!messageAnswers_.empty()) {
          answer = messageAnswers_.front();
          messageAnswers_.pop_front();
        }
        return answer;
      },
      UnseenAnswer(buttons));
}

FileChoice RecordingWindow::ChooseFile(const FileChooserRequest& request) {
  return OnDialog([&] {
    Record("ChooseFile " + request.initialFolder);
    std::lock_guard<std::mutex> guard(mutex_);
    chooserRequests_.push_back(request);
    FileChoice choice;
    if (!chooserAnswers_.empty()) {
      choice = chooserAnswers_.front();
      chooserAnswers_.pop_front();
    }
    return choice;
  });
}

bool RecordingWindow::HasSystemMenu() { return true; }

void RecordingWindow::AppendSystemMenuSeparator() {
  OnDialog([&] {
    Record("MenuSeparator");
    std::lock_guard<std::mutex> guard(mutex_);
    menu_.push_back(MenuItem{0, {}});
  });
}

void RecordingWindow::AppendSystemMenuItem(int command, const std::string& text) {
  OnDialog([&] {
    Record("MenuItem " + std::to_string(command) + " " + text);
    std::lock_guard<std::mutex> guard(mutex_);
    menu_.push_back(MenuItem{command, text});
  });
}

void RecordingWindow::SetIcon(int iconResource, bool large) {
  OnDialog([&] {
    std::lock_guard<std::mutex> guard(mutex_);
    icons_.emplace_back(iconResource, large);
  });
}

void RecordingWindow::StartTimer(int id, std::uint32_t periodMs) {
  OnDialog([&] {
    Record("StartTimer " + std::to_string(id));
    {
      std::lock_guard<std::mutex> guard(mutex_);
      timersStarted_.emplace_back(id, periodMs);
    }
    loop_.StartTimer(id, periodMs);
  });
}

void RecordingWindow::StopTimer(int id) {
  OnDialog([&] {
    Record("StopTimer " + std::to_string(id));
    {
      std::lock_guard<std::mutex> guard(mutex_);
      timersStopped_.push_back(id);
    }
    loop_.StopTimer(id);
  });
}

void RecordingWindow::EndDialog(int result) {
  OnDialog([&] {
    Record("EndDialog " + std::to_string(result));
    {
      std::lock_guard<std::mutex> guard(mutex_);
      if (!endResult_) endResult_ = result;
    }
    loop_.EndDialog(result);
  });
}

void RecordingWindow::RunAboutDialog() {
  OnDialog([&] {
    Record("RunAboutDialog");
    std::lock_guard<std::mutex> guard(mutex_);
    ++aboutRuns_;
  });
}

// ---- Recorded state -----------------------------------------------------------

std::vector<std::string> RecordingWindow::Operations() const { return Copy(operations_); }
std::string RecordingWindow::WindowText() const { return Copy(windowText_); }
std::vector<std::string> RecordingWindow::ListLines() const { return Copy(list_); }
std::int32_t RecordingWindow::ProgressPos() const { return Copy(position_); }
std::vector<std::int32_t> RecordingWindow::ProgressLog() const { return Copy(progressLog_); }
std::vector<MessageRecord> RecordingWindow::Messages() const { return Copy(messages_); }
std::vector<MenuItem> RecordingWindow::MenuItems() const { return Copy(menu_); }
std::vector<FileChooserRequest> RecordingWindow::ChooserRequests() const { return Copy(chooserRequests_); }
std::optional<int> RecordingWindow::EndResult() const { return Copy(endResult_); }
int RecordingWindow::AboutRuns() const { return Copy(aboutRuns_); }
int RecordingWindow::PortReads() const { return Copy(portReads_); }
int RecordingWindow::OffThreadOperations() const { return Copy(offThread_); }
std::vector<int> RecordingWindow::TimersStopped() const { return Copy(timersStopped_); }

std::vector<std::pair<int, bool>> RecordingWindow::Icons() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return icons_;
}

std::vector<std::pair<int, std::uint32_t>> RecordingWindow::TimersStarted() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return timersStarted_;
}

std::string RecordingWindow::ControlText(int id) const {
  std::lock_guard<std::mutex> guard(mutex_);
  const auto found = texts_.find(id);
  return found == texts_.end() ? std::string() : found->second;
}

bool RecordingWindow::Enabled(int id) const {
  std::lock_guard<std::mutex> guard(mutex_);
  const auto found = enabled_.find(id);
  return found == enabled_.end() || found->second;
}

std::optional<bool> RecordingWindow::Shown(int id) const {
  std::lock_guard<std::mutex> guard(mutex_);
  const auto found = shown_.find(id);
  return found == shown_.end() ? std::nullopt : std::optional<bool>(found->second);
}

}  // namespace wizard::testing

namespace wizard::testing {

std::pair<std::int32_t, std::int32_t> RecordingWindow::ProgressRange() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return range_;
}

}  // namespace wizard::testing
