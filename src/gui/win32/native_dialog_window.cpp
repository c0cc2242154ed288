#include "gui/win32/native_dialog_window.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "gui/win32/dialog_template_bytes.h"
#include "gui/win32/native_boxes.h"
#include "gui/win32/wide_text.h"
#include "resources/dialog_ids.h"
#include "resources/dialog_templates.h"
#include "wizard/icon_position.h"

namespace gui::win32 {
namespace {

// The message that tells the dialog its loop runs, and the timer that
// delivers the run's poll (no timer of the dialog logic has this number).
constexpr UINT kShownMessage = WM_APP + 0x52;
constexpr UINT_PTR kPollTimer = 0x7151;
constexpr UINT kPollMs = 200;

// System-menu commands of the window system itself.
constexpr WPARAM kFirstSystemCommand = 0xF000;

void InitCommonControlsOnce() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    return InitCommonControlsEx(&controls) != FALSE;
  }();
  (void)done;
}

}  // namespace

NativeDialogWindow::NativeDialogWindow(platform::CodePage codePage, NativeWindowOptions options)
    : codePage_(codePage), options_(std::move(options)) {
  if (!options_.instance) options_.instance = GetModuleHandleW(nullptr);
  InitCommonControlsOnce();
}

NativeDialogWindow::~NativeDialogWindow() {
  if (notices_) notices_->Detach();
  for (const auto& [large, icon] : icons_) DestroyIcon(icon);
}

int NativeDialogWindow::Run(DialogEvents events, std::function<void()> poll, std::function<bool()> busy) {
  events_ = std::move(events);
  poll_ = std::move(poll);
  busy_ = std::move(busy);
  const std::vector<std::uint8_t> layout = EncodeDialogTemplate(resources::MainDialogTemplate(), Frame::Main);
  const INT_PTR result = DialogBoxIndirectParamW(options_.instance, reinterpret_cast<LPCDLGTEMPLATEW>(layout.data()),
                                                 nullptr, Procedure, reinterpret_cast<LPARAM>(this));
  calls_.Close();
  window_ = nullptr;
  events_ = {};
  poll_ = {};
  busy_ = {};
  // A window that could not be made ends the run as its close box would.
  return result <= 0 ? wizard::kResultCancel : static_cast<int>(result);
}

INT_PTR CALLBACK NativeDialogWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    reinterpret_cast<NativeDialogWindow*>(lParam)->InitDialog(window);
    return TRUE;  // the system sets the first focus
  }
  auto* self = reinterpret_cast<NativeDialogWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return self ? self->Handle(message, wParam, lParam) : FALSE;
}

void NativeDialogWindow::InitDialog(HWND window) {
  window_ = window;
  calls_.Open(window);
  // The port list's initial items, then nothing chosen until the user picks one.
  HWND ports = Control(resources::kIdPortCombo);
  for (const std::string& item : resources::PortListItems()) {
    SendMessageW(ports, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
  }
  SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  RefreshPorts();
  if (events_.initDialog) events_.initDialog();
  SetTimer(window, kPollTimer, kPollMs, nullptr);
  PostMessageW(window, kShownMessage, 0, 0);
}

INT_PTR NativeDialogWindow::Answer(LRESULT result) {
  SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR NativeDialogWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case SentCalls::kMessage:
      SentCalls::Carry(lParam);
      return Answer(1);
    case kShownMessage:
      // The modal loop shows its window once idle; the listener sees it shown.
      if (!IsWindowVisible(window_)) ShowWindow(window_, SW_SHOWNORMAL);
      UpdateWindow(window_);
      if (options_.shown) options_.shown();
      return TRUE;
    case WM_COMMAND: return Command(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_SYSCOMMAND: return SystemCommand(wParam) ? Answer(0) : FALSE;
    case WM_TIMER:
      Timer(wParam);
      return TRUE;
    case WM_PAINT: return PaintMinimised() ? TRUE : FALSE;
    case WM_DEVICECHANGE:
      // An adapter plugged in or pulled out; the list waits for a running upgrade.
      portsChanged_ = true;
      if (!Busy()) RefreshPorts();
      return Answer(TRUE);
    case WM_QUERYENDSESSION: return Answer(MaySessionEnd() ? TRUE : FALSE);
    case WM_ENDSESSION:
      if (wParam) ShutdownBlockReasonDestroy(window_);
      return Answer(0);
    case WM_QUERYDRAGICON: return reinterpret_cast<INT_PTR>(icons_.count(true) ? icons_.at(true) : nullptr);
    default: return FALSE;
  }
}

bool NativeDialogWindow::Command(int id, int notification) {
  // Enter and the Exit button give IDOK; Escape and the close box IDCANCEL.
  const std::function<void()>* handler = nullptr;
  if (id == IDOK) handler = &events_.ok;
  if (id == IDCANCEL) handler = &events_.cancel;
  if (notification == BN_CLICKED && id == resources::kIdFileButton) handler = &events_.fileButton;
  if (notification == BN_CLICKED && id == resources::kIdUpgradeButton) handler = &events_.upgradeButton;
  if (!handler) return false;
  if (*handler) (*handler)();
  return true;
}

bool NativeDialogWindow::SystemCommand(WPARAM command) {
  // Move, close and the like keep the window system's own handling; Close
  // comes back as IDCANCEL.
  if (command >= kFirstSystemCommand || !events_.sysCommand) return false;
  return events_.sysCommand(static_cast<int>(command));
}

bool NativeDialogWindow::PaintMinimised() {
  if (!IsIconic(window_) || !icons_.count(true)) return false;
  PAINTSTRUCT paint;
  HDC context = BeginPaint(window_, &paint);
  SendMessageW(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
  RECT client;
  GetClientRect(window_, &client);
  const wizard::Point at = wizard::IconPosition(client.right - client.left, client.bottom - client.top,
                                                GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  DrawIcon(context, at.x, at.y, icons_.at(true));
  EndPaint(window_, &paint);
  return true;
}

// A log-off or shutdown in the middle of an upgrade would kill the worker
// between two blocks, or before the serial number is back on the device: the
// session waits, saying why, until the upgrade has ended.
bool NativeDialogWindow::MaySessionEnd() {
  if (!busy_ || !busy_()) {
    ShutdownBlockReasonDestroy(window_);
    return true;
  }
  ShutdownBlockReasonCreate(window_, L"Quorrel Upgrade Wizard: an upgrade is running");
  return false;
}

void NativeDialogWindow::Timer(UINT_PTR id) {
  if (id == kPollTimer) {
    ShowPostedStatusLines();
    if (portsChanged_ && !Busy()) RefreshPorts();
    if (poll_) poll_();
    return;
  }
  if (events_.timer) events_.timer(static_cast<int>(id));
}

std::shared_ptr<platform::DeviceObserver> NativeDialogWindow::StatusNotices(StatusNoticeTexts texts) {
  if (notices_) notices_->Detach();
  notices_ = std::make_shared<StatusNoticeObserver>([this](const std::string& line) { PostStatusLine(line); },
                                                    std::move(texts));
  return notices_;
}

// A device's watcher thread must not wait for the dialog's thread, which may
// itself be waiting for that device: the line is shown on the next poll.
void NativeDialogWindow::PostStatusLine(const std::string& line) {
  std::lock_guard<std::mutex> guard(postedMutex_);
  postedLines_.push_back(line);
}

void NativeDialogWindow::ShowPostedStatusLines() {
  std::vector<std::string> lines;
  {
    std::lock_guard<std::mutex> guard(postedMutex_);
    lines.swap(postedLines_);
  }
  for (const std::string& line : lines) ListAppend(resources::kIdStatusList, line);
}

// The items after COM1 to COM16 become the system's other ports; the chosen
// port stays chosen while it is offered, and none is chosen once it is gone.
void NativeDialogWindow::RefreshPorts() {
  portsChanged_ = false;
  if (!options_.systemPorts) return;
  HWND ports = Control(resources::kIdPortCombo);
  const std::wstring chosen = Wide(GetControlText(resources::kIdPortCombo));
  const auto fixed = static_cast<LRESULT>(resources::PortListItems().size());
  while (SendMessageW(ports, CB_GETCOUNT, 0, 0) > fixed) {
    SendMessageW(ports, CB_DELETESTRING, static_cast<WPARAM>(SendMessageW(ports, CB_GETCOUNT, 0, 0) - 1), 0);
  }
  for (const std::string& port : options_.systemPorts()) {
    const std::wstring name = Wide(port);
    if (SendMessageW(ports, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name.c_str())) ==
        CB_ERR) {
      SendMessageW(ports, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
  }
  const LRESULT again = chosen.empty() ? CB_ERR
                                       : SendMessageW(ports, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                      reinterpret_cast<LPARAM>(chosen.c_str()));
  SendMessageW(ports, CB_SETCURSEL, static_cast<WPARAM>(again), 0);
}

std::wstring NativeDialogWindow::Wide(const std::string& text) const { return WideOf(codePage_, text); }

std::string NativeDialogWindow::Narrow(const std::wstring& text) const { return NarrowOf(codePage_, text); }

std::wstring NativeDialogWindow::TextOf(HWND window) const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

void NativeDialogWindow::SetWindowText(const std::string& text) {
  calls_.Run([&] {
    if (window_) SetWindowTextW(window_, Wide(text).c_str());
  });
}

std::string NativeDialogWindow::GetWindowText() {
  return calls_.Run([&] { return window_ ? Narrow(TextOf(window_)) : std::string(); }, std::string());
}

void NativeDialogWindow::SetControlText(int id, const std::string& text) {
  calls_.Run([&] {
    HWND control = Control(id);
    if (!control) return;
    if (id == resources::kIdPortCombo) {
      // Choosing the item of that text, or none.
      const LRESULT index = SendMessageW(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(Wide(text).c_str()));
      SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
      return;
    }
    SetWindowTextW(control, Wide(text).c_str());
  });
}

std::string NativeDialogWindow::GetControlText(int id) {
  return calls_.Run(
      [&] {
        HWND control = Control(id);
        if (!control) return std::string();
        if (id != resources::kIdPortCombo) return Narrow(TextOf(control));
        // The chosen item, empty when none is chosen.
        const LRESULT index = SendMessageW(control, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR) return std::string();
        std::wstring item(static_cast<std::size_t>(SendMessageW(control, CB_GETLBTEXTLEN, index, 0)) + 1, L'\0');
        item.resize(static_cast<std::size_t>(
            SendMessageW(control, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item.data()))));
        return Narrow(item);
      },
      std::string());
}

void NativeDialogWindow::EnableControl(int id, bool enable) {
  calls_.Run([&] {
    HWND control = Control(id);
    if (!control) return;
    // A button disabled while it has the focus hands it on, so the keyboard keeps working.
    if (!enable && GetFocus() == control) SendMessageW(window_, WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(control, enable ? TRUE : FALSE);
  });
}

void NativeDialogWindow::ShowControl(int id, bool show) {
  calls_.Run([&] {
    if (HWND control = Control(id)) ShowWindow(control, show ? SW_SHOW : SW_HIDE);
  });
}

void NativeDialogWindow::ListAppend(int id, const std::string& line) {
  calls_.Run([&] {
    HWND list = Control(id);
    if (!list) return;
    const LRESULT index = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(line).c_str()));
    // The newest step stays in view.
    if (index >= 0) SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
  });
}

void NativeDialogWindow::ListClear(int id) {
  calls_.Run([&] {
    if (HWND list = Control(id)) SendMessageW(list, LB_RESETCONTENT, 0, 0);
  });
}

void NativeDialogWindow::SetProgressRange(int id, std::int32_t low, std::int32_t high) {
  calls_.Run([&] {
    if (HWND bar = Control(id)) SendMessageW(bar, PBM_SETRANGE32, static_cast<WPARAM>(low), std::max(low, high));
  });
}

void NativeDialogWindow::SetProgressPos(int id, std::int32_t position) {
  // The bar stops a position outside its range at the nearer end.
  calls_.Run([&] {
    if (HWND bar = Control(id)) SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  });
}

wizard::MessageResult NativeDialogWindow::MessageBox(const std::string& text, const std::string& caption,
                                                     wizard::MessageButtons buttons, wizard::MessageIcon icon) {
  return calls_.Run([&] { return ShowMessageBox(window_, Wide(text), Wide(caption), buttons, icon); },
                    wizard::UnseenAnswer(buttons));
}

wizard::FileChoice NativeDialogWindow::ChooseFile(const wizard::FileChooserRequest& request) {
  return calls_.Run([&] { return win32::ChooseFile(window_, request, codePage_); }, wizard::FileChoice{});
}

bool NativeDialogWindow::HasSystemMenu() {
  return calls_.Run([&] { return window_ && GetSystemMenu(window_, FALSE) != nullptr; }, false);
}

void NativeDialogWindow::AppendSystemMenuSeparator() {
  calls_.Run([&] {
    if (HMENU menu = window_ ? GetSystemMenu(window_, FALSE) : nullptr) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  });
}

void NativeDialogWindow::AppendSystemMenuItem(int command, const std::string& text) {
  calls_.Run([&] {
    if (HMENU menu = window_ ? GetSystemMenu(window_, FALSE) : nullptr) {
      AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), Wide(text).c_str());
    }
  });
}

void NativeDialogWindow::SetIcon(int iconResource, bool large) {
  calls_.Run([&] {
    if (!window_) return;
    const int side = GetSystemMetrics(large ? SM_CXICON : SM_CXSMICON);
    auto icon = static_cast<HICON>(
        LoadImageW(options_.instance, MAKEINTRESOURCEW(iconResource), IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
    if (!icon) return;
    SendMessageW(window_, WM_SETICON, large ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    if (icons_.count(large)) DestroyIcon(icons_.at(large));
    icons_[large] = icon;
  });
}

void NativeDialogWindow::StartTimer(int id, std::uint32_t periodMs) {
  calls_.Run([&] {
    if (window_) SetTimer(window_, static_cast<UINT_PTR>(id), periodMs, nullptr);
  });
}

void NativeDialogWindow::StopTimer(int id) {
  calls_.Run([&] {
    if (window_) KillTimer(window_, static_cast<UINT_PTR>(id));
  });
}

void NativeDialogWindow::EndDialog(int result) {
  calls_.Run([&] {
    if (window_) ::EndDialog(window_, result);
  });
}

void NativeDialogWindow::RunAboutDialog() {
  calls_.Run([&] { RunAboutBox(options_.instance, window_); });
}

}  // namespace gui::win32
