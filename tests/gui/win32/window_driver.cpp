#include "gui/win32/window_driver.h"

#include <chrono>
#include <thread>

namespace win32test {
namespace {

constexpr int kPollMs = 50;
// The chooser's file-name field.
constexpr int kChooserNameField = 0x47C;

bool IsDialogClass(HWND window) {
  wchar_t name[16] = L"";
  GetClassNameW(window, name, 16);
  return std::wstring(name) == L"#32770";
}

// The first visible dialog box of the desktop that `matches`.
struct DialogSearch {
  const std::function<bool(HWND)>* matches;
  HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<DialogSearch*>(lParam);
  if (!IsWindowVisible(window) || !IsDialogClass(window) || !(*search->matches)(window)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND WaitForDialogWhere(const std::function<bool(HWND)>& matches, int ms) {
  DialogSearch search{&matches, nullptr};
  WaitUntil(
      [&] {
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      ms);
  return search.found;
}

BOOL CALLBACK CollectStatic(HWND window, LPARAM lParam) {
  wchar_t name[16] = L"";
  GetClassNameW(window, name, 16);
  const LONG type = GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK;
  if (std::wstring(name) != L"Static" || type == SS_ICON || type == SS_BITMAP) return TRUE;  // pictures
  reinterpret_cast<std::wstring*>(lParam)->append(TextOf(window));
  return TRUE;
}

BOOL CALLBACK FindEdit(HWND window, LPARAM lParam) {
  wchar_t name[16] = L"";
  GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"Edit") return TRUE;
  *reinterpret_cast<HWND*>(lParam) = window;
  return FALSE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  return true;
}

HWND WaitForBox(HWND owner, int ms, HWND other) {
  return WaitForDialogWhere([&](HWND window) { return window != other && GetWindow(window, GW_OWNER) == owner; },
                            ms);
}

HWND WaitForDialog(DWORD pid, const std::wstring& title, int ms) {
  return WaitForDialogWhere(
      [&](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return owner == pid && (title.empty() || TextOf(window) == title);
      },
      ms);
}

std::wstring TextOf(HWND window) {
  // Sent, so another process's window answers too, with room for the text
  // it says it has (a larger room is not carried across processes by Wine).
  std::wstring text(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

std::wstring ControlText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

std::wstring BoxMessage(HWND box) {
  std::wstring message;
  EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&message));
  return message;
}

std::vector<std::wstring> ListLines(HWND dialog, int id) {
  HWND list = GetDlgItem(dialog, id);
  std::vector<std::wstring> lines;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring line(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    line.resize(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()))));
    lines.push_back(line);
  }
  return lines;
}

void Click(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool ChooseItem(HWND dialog, int id, const std::wstring& item) {
  HWND list = GetDlgItem(dialog, id);
  const LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(item.c_str()));
  if (index == CB_ERR) return false;
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  return true;
}

void AnswerChooser(HWND chooser, const std::wstring& name) {
  // The name field is an edit, or holds one inside its combo box; its text is
  // set by a message the system carries to another process too.
  HWND field = GetDlgItem(chooser, kChooserNameField);
  EnumChildWindows(field, FindEdit, reinterpret_cast<LPARAM>(&field));
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
  PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
}

std::string WindowsPath(const std::string& path) {
  std::string windows = "Z:" + path;
  for (char& c : windows) {
    if (c == '/') c = '\\';
  }
  return windows;
}

}  // namespace win32test
