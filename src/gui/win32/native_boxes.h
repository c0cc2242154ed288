#pragma once
// The modal boxes the dialog shows: message boxes, the open-file chooser and
// the About box (template 100), each owned by the dialog's window.

#include "gui/win32/windows_header.h"

#include <string>

#include "platform/codepage.h"
#include "wizard/window_ops.h"

namespace gui::win32 {

wizard::MessageResult ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                                     wizard::MessageButtons buttons, wizard::MessageIcon icon);

// The open-file chooser: one existing file, opened in the request's folder,
// one file-type entry showing the request's label and listing every file, the
// pattern's suffix added to a typed name. The full path comes back in the
// system code page, as the platform opens it; the file name in `codePage`
// for display. The current directory is left as it was.
wizard::FileChoice ChooseFile(HWND owner, const wizard::FileChooserRequest& request, platform::CodePage codePage);

// Runs the About box until its OK button or Escape ends it.
void RunAboutBox(HINSTANCE instance, HWND owner);

}  // namespace gui::win32
