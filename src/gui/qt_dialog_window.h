#pragma once
// The wizard's window on Qt: a dialog laid out from template 102 that the
// dialog logic drives through the window operations. Calls from the upgrade
// worker are carried out on the dialog's thread while the worker waits.

#include <QMenu>
#include <functional>
#include <memory>
#include <optional>

#include "gui/dialog_builder.h"
#include "gui/dialog_events.h"
#include "gui/dialog_thread_calls.h"
#include "gui/dialog_timers.h"
#include "gui/host_dialog.h"
#include "platform/codepage.h"
#include "wizard/dialog_window.h"

class QDialog;

namespace wizard {
class StopRequest;
}

namespace gui {

struct QtWindowOptions {
  // Timers follow platform::CurrentClock() rather than the event loop's
  // wall-clock timers (window tests under a virtual clock).
  bool clockTimers = false;
  // Called with each modal box (message box, chooser, About) once its own
  // loop runs; a test answers the real widget here instead of a person.
  std::function<void(QDialog& box)> modalShown;
  // Called once the window's loop runs, after OnInitDialog.
  std::function<void()> shown;
  // The dialog's stop request, which the window withdraws once an upgrade it
  // stopped in the boot loader has ended, so that the window stays open
  // (gui/window_stop.h). Null: every stop ends the window.
  wizard::StopRequest* stopRequest = nullptr;
};

class QtDialogWindow final : public wizard::DialogWindow {
 public:
  // Texts arrive and leave in `codePage`.
  explicit QtDialogWindow(platform::CodePage codePage, QtWindowOptions options = {});
  ~QtDialogWindow() override;
  QtDialogWindow(const QtDialogWindow&) = delete;
  QtDialogWindow& operator=(const QtDialogWindow&) = delete;

  int RunModal(wizard::UpgradeDialog& dialog) override;
  // The modal run with any set of handlers: returns the EndDialog result.
  int Run(DialogEvents events);

  // The widgets, for the screenshot and the tests.
  QDialog& Dialog();
  QWidget* Control(int id) const;
  QMenu& SystemMenu();
  void ShowSystemMenu(const QPoint& globalPos);
  // Replaces the options' `shown` listener.
  void SetShownListener(std::function<void()> shown) { options_.shown = std::move(shown); }

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
  wizard::MessageResult MessageBox(const std::string& text, const std::string& caption,
                                   wizard::MessageButtons buttons, wizard::MessageIcon icon) override;
  wizard::FileChoice ChooseFile(const wizard::FileChooserRequest& request) override;
  bool HasSystemMenu() override;
  void AppendSystemMenuSeparator() override;
  void AppendSystemMenuItem(int command, const std::string& text) override;
  void SetIcon(int iconResource, bool large) override;
  void StartTimer(int id, std::uint32_t periodMs) override;
  void StopTimer(int id) override;
  void EndDialog(int result) override;
  void RunAboutDialog() override;

  // Appends a line to the status list on the dialog's thread without waiting
  // for it: for reports from threads the dialog's thread may be waiting for.
  void PostStatusLine(const std::string& line);

 private:
  void ConnectButtons();
  void BuildSystemMenu();
  void Deliver(const std::function<void()>& handler) const;
  void SystemCommand(int command) const;
  int RunBox(QDialog& box);

  // Direct, on the dialog's thread.
  void DoSetControlText(int id, const QString& text);
  QString DoGetControlText(int id) const;

  platform::CodePage codePage_;
  QtWindowOptions options_;
  std::unique_ptr<HostDialog> dialog_;
  ControlMap controls_;
  QMenu* systemMenu_ = nullptr;  // owned by the dialog
  DialogThreadCalls calls_;
  DialogTimers timers_;
  DialogEvents events_;
  std::optional<int> endedResult_;  // EndDialog came before the loop ran
};

}  // namespace gui
