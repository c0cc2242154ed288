#pragma once
// A test host for the dialog logic: it records every window operation,
// answers message boxes and the file chooser from a script, and runs the
// dialog's thread on the test's own thread through a DialogLoop, so the
// worker's calls are carried out there.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "wizard/dialog_loop.h"
#include "wizard/dialog_window.h"
#include "wizard/upgrade_dialog.h"

namespace wizard::testing {

struct MessageRecord {
  std::string text;
  std::string caption;
  MessageButtons buttons;
  MessageIcon icon;
  std::int32_t progressAtShow;  // the bar's position when the box came up
};

struct MenuItem {
  int command;  // 0 for the separator
  std::string text;
};

class RecordingWindow : public DialogWindow {
 public:
  RecordingWindow();

  // ---- Script -------------------------------------------------------------
  void SelectPort(const std::string& name) { SetControlText(1016, name); }
  // Answers for the coming message boxes, in order; without one, a box gets
  // Ok (or No for Yes and No).
  void AnswerMessage(MessageResult answer);
  // Answers for the coming file choosers; without one, the chooser is cancelled.
  void AnswerChooser(const std::string& fullPath);
  void CancelChooser();
  // Called on the dialog's thread with every line appended to the status list.
  void OnListLine(std::function<void(const std::string&)> hook) { listHook_ = std::move(hook); }
  // Called on the dialog's thread with every report of programmed bytes.
  void OnProgrammed(std::function<void(std::size_t sent, std::size_t total)> hook) {
    programmedHook_ = std::move(hook);
  }

  // ---- Driving the dialog, on the test's thread (the dialog's thread) ------
  // Binds the dialog and runs OnInitDialog.
  void Start(UpgradeDialog& dialog);
  void Click(int id);  // 1001 File..., 1008 Upgrade, 1 Exit
  void Escape();       // also the close box
  bool SysCommand(int command);
  // Serves the worker until it has ended (or the dialog ended); timers wait.
  void WaitForWorker();
  // Serves tasks and timers until the dialog ends; its result.
  int RunUntilEnded();

  // ---- What was recorded ----------------------------------------------------
  std::vector<std::string> Operations() const;  // every call, in order
  std::string WindowText() const;
  std::string ControlText(int id) const;
  bool Enabled(int id) const;  // controls start enabled
  std::optional<bool> Shown(int id) const;
  std::vector<std::string> ListLines() const;
  std::pair<std::int32_t, std::int32_t> ProgressRange() const;
  std::int32_t ProgressPos() const;
  std::vector<std::int32_t> ProgressLog() const;
  // Every (sent, total) report of the image run, in order.
  std::vector<std::pair<std::size_t, std::size_t>> ProgrammedLog() const;
  std::vector<MessageRecord> Messages() const;
  std::vector<MenuItem> MenuItems() const;
  std::vector<FileChooserRequest> ChooserRequests() const;
  std::vector<std::pair<int, bool>> Icons() const;
  std::vector<std::pair<int, std::uint32_t>> TimersStarted() const;
  std::vector<int> TimersStopped() const;
  std::optional<int> EndResult() const;
  int AboutRuns() const;
  int PortReads() const;
  DialogLoop& Loop() { return loop_; }

  // ---- WindowOps ------------------------------------------------------------
  int RunModal(UpgradeDialog& dialog) override;
  void SetWindowText(const std::string& text) override;
  std::string GetWindowText() override;
  void SetControlText(int id, const std::string& text) override;
  std::string GetControlText(int id) override;
  void EnableControl(int id, bool enable) override;
  void ShowControl(int id, bool show) override;
  void ListAppend(int id, const std::string& line) override;
  void ListClear(int id) override;
  void SetProgressRange(int id, std::int32_t low, std::int32_t high) override;
  void SetProgressPos(int id, std::int32_t position) override;
  void ProgrammingProgress(std::size_t sent, std::size_t total) override;
  MessageResult MessageBox(const std::string& text, const std::string& caption, MessageButtons buttons,
                           MessageIcon icon) override;
  FileChoice ChooseFile(const FileChooserRequest& request) override;
  bool HasSystemMenu() override;
  void AppendSystemMenuSeparator() override;
  void AppendSystemMenuItem(int command, const std::string& text) override;
  void SetIcon(int iconResource, bool large) override;
  void StartTimer(int id, std::uint32_t periodMs) override;
  void StopTimer(int id) override;
  void EndDialog(int result) override;
  void RunAboutDialog() override;

  // Operations carried out on a thread other than the dialog's (must stay 0).
  int OffThreadOperations() const;

 private:
  // Runs `op` on the dialog's thread, counting one that is not; `fallback`
  // when the dialog has ended and the call is dropped.
  template <typename F, typename... Fallback>
  auto OnDialog(F&& op, Fallback&&... fallback) -> decltype(op());
  void Record(std::string operation);
  // A copy of recorded state, taken under the lock.
  template <typename T>
  T Copy(const T& member) const {
    std::lock_guard<std::mutex> guard(mutex_);
    return member;
  }

  DialogLoop loop_;
  UpgradeDialog* dialog_ = nullptr;
  std::thread::id dialogThread_;

  mutable std::mutex mutex_;
  std::vector<std::string> operations_;
  std::string windowText_;
  std::map<int, std::string> texts_;
  std::map<int, bool> enabled_;
  std::map<int, bool> shown_;
  std::vector<std::string> list_;
  std::pair<std::int32_t, std::int32_t> range_{0, 100};
  std::int32_t position_ = 0;
  std::vector<std::int32_t> progressLog_;
  std::vector<MessageRecord> messages_;
  std::vector<MenuItem> menu_;
  std::vector<FileChooserRequest> chooserRequests_;
  std::vector<std::pair<int, bool>> icons_;
  std::vector<std::pair<int, std::uint32_t>> timersStarted_;
  std::vector<int> timersStopped_;
  std::optional<int> endResult_;
  std::deque<MessageResult> messageAnswers_;
  std::deque<FileChoice> chooserAnswers_;
  int aboutRuns_ = 0;
  int portReads_ = 0;
  int offThread_ = 0;
  std::function<void(const std::string&)> listHook_;
  std::function<void(std::size_t, std::size_t)> programmedHook_;
  std::vector<std::pair<std::size_t, std::size_t>> programmedLog_;
};

}  // namespace wizard::testing
