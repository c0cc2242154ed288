#pragma once
// The wizard's window on Windows: a native modal dialog created from
// template 102, built in memory from the resources, that the dialog logic
// drives through the window operations. Calls from the upgrade worker are
// sent to the dialog's window and carried out on its thread while the worker
// waits.

#include "gui/win32/windows_header.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "gui/dialog_events.h"
#include "gui/status_notices.h"
#include "gui/win32/sent_calls.h"
#include "platform/codepage.h"
#include "wizard/dialog_window.h"

namespace wizard {
class StopRequest;
}

namespace gui::win32 {

struct NativeWindowOptions {
  // The module holding icon 128 and bitmap 139; null: the program's own.
  HINSTANCE instance = nullptr;
  // Called once the window's loop runs, after OnInitDialog.
  std::function<void()> shown;
  // The dialog's stop request, withdrawn once an upgrade it stopped in the
  // boot loader has ended, so that the window stays open (gui/window_stop.h).
  // Null: every stop ends the window.
  wizard::StopRequest* stopRequest = nullptr;
  // The serial ports this machine has (COM17, a driver's own names), offered
  // after COM1 to COM16 unless among them; asked at start and whenever
  // devices come and go, but not while an upgrade runs. Null: COM1 to COM16.
  std::function<std::vector<std::string>()> systemPorts;
};

class NativeDialogWindow final : public wizard::DialogWindow {
 public:
  // Texts arrive and leave in `codePage`.
  explicit NativeDialogWindow(platform::CodePage codePage, NativeWindowOptions options = {});
  ~NativeDialogWindow() override;
  NativeDialogWindow(const NativeDialogWindow&) = delete;
  NativeDialogWindow& operator=(const NativeDialogWindow&) = delete;

  int RunModal(wizard::UpgradeDialog& dialog) override;
  // The modal run with any set of handlers; `poll` (if any) runs now and
  // then on the dialog's thread; while `busy` (if any) holds, the window
  // refuses to let the user's session end. Returns the EndDialog result.
  int Run(DialogEvents events, std::function<void()> poll = {}, std::function<bool()> busy = {});

  // The dialog's window while it runs, else null.
  HWND Window() const { return window_; }

  // For the dialog's context: the status list says why a port did not open
  // and when a device went away, for as long as this window lives.
  std::shared_ptr<platform::DeviceObserver> StatusNotices(StatusNoticeTexts texts);

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

 private:
  static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void InitDialog(HWND window);
  bool Command(int id, int notification);
  bool SystemCommand(WPARAM command);
  bool PaintMinimised();
  bool MaySessionEnd();
  bool Busy() const { return busy_ && busy_(); }
  void RefreshPorts();
  void Timer(UINT_PTR id);
  // Queues a status line from any thread without waiting for the dialog's.
  void PostStatusLine(const std::string& line);
  void ShowPostedStatusLines();
  // Answers a message the dialog procedure handled with `result`.
  INT_PTR Answer(LRESULT result);

  HWND Control(int id) const { return window_ ? GetDlgItem(window_, id) : nullptr; }
  std::wstring Wide(const std::string& text) const;
  std::string Narrow(const std::wstring& text) const;
  std::wstring TextOf(HWND window) const;

  platform::CodePage codePage_;
  NativeWindowOptions options_;
  HWND window_ = nullptr;
  SentCalls calls_;
  DialogEvents events_;
  std::function<void()> poll_;
  std::function<bool()> busy_;
  std::map<bool, HICON> icons_;  // large and small, loaded by SetIcon
  bool portsChanged_ = false;    // devices came or went during an upgrade
  std::shared_ptr<StatusNoticeObserver> notices_;
  std::mutex postedMutex_;
  std::vector<std::string> postedLines_;  // under postedMutex_, shown on the poll timer
};

}  // namespace gui::win32
