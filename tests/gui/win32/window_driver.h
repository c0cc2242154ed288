#pragma once
// Drives a native dialog as a person would, from another thread or another
// process, by the window system's own messages: finds its windows, chooses a
// port, clicks, answers the chooser and the message boxes, reads texts.

#include "gui/win32/windows_header.h"

#include <functional>
#include <string>
#include <vector>

namespace win32test {

// Polls `done` every 50 ms until it holds; false after `ms`.
bool WaitUntil(const std::function<bool()>& done, int ms);

// A visible dialog box (a message box, the chooser, About) that `owner`
// owns, other than `other`; null when none came within `ms`.
HWND WaitForBox(HWND owner, int ms, HWND other = nullptr);
// A visible top-level dialog of process `pid` (titled `title`, unless that
// is empty); null after `ms`.
HWND WaitForDialog(DWORD pid, const std::wstring& title, int ms);

std::wstring TextOf(HWND window);
std::wstring ControlText(HWND dialog, int id);
// The text of a box's static texts, one after the other (a message box's message).
std::wstring BoxMessage(HWND box);
std::vector<std::wstring> ListLines(HWND dialog, int id);

// A click on button `id` of `dialog`, posted: the handler may run long and
// open boxes of its own.
void Click(HWND dialog, int id);
// Chooses `item` in drop-down list `id`, telling the dialog as a user's choice does.
bool ChooseItem(HWND dialog, int id, const std::wstring& item);
// Types `name` into the open-file chooser's name field and presses Open.
void AnswerChooser(HWND chooser, const std::wstring& name);

// `path` (a Linux path) as Wine's programs name it.
std::string WindowsPath(const std::string& path);

}  // namespace win32test
