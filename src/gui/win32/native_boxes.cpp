#include "gui/win32/native_boxes.h"

#include <commdlg.h>

#include <vector>

#include "gui/file_suffix.h"
#include "gui/win32/dialog_template_bytes.h"
#include "gui/win32/wide_text.h"
#include "resources/dialog_templates.h"

namespace gui::win32 {
namespace {

// Room for a long path, as the wide calls take it.
constexpr std::size_t kPathRoom = 32768;

UINT MessageBoxType(wizard::MessageButtons buttons, wizard::MessageIcon icon) {
  UINT type = wizard::IsQuestion(buttons) ? MB_YESNO : MB_OK;
  if (buttons == wizard::MessageButtons::YesNoDefaultNo) type |= MB_DEFBUTTON2;
  if (icon == wizard::MessageIcon::Stop) type |= MB_ICONHAND;
  if (icon == wizard::MessageIcon::Warning) type |= MB_ICONWARNING;
  return type;
}

INT_PTR CALLBACK AboutProcedure(HWND box, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(box, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

wizard::MessageResult ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                                     wizard::MessageButtons buttons, wizard::MessageIcon icon) {
  const int pressed = MessageBoxW(owner, text.c_str(), caption.c_str(), MessageBoxType(buttons, icon));
  if (!wizard::IsQuestion(buttons)) return wizard::MessageResult::Ok;
  // A box closed another way counts as its safe answer.
  return pressed == IDYES ? wizard::MessageResult::Yes : wizard::MessageResult::No;
}

wizard::FileChoice ChooseFile(HWND owner, const wizard::FileChooserRequest& request, platform::CodePage codePage) {
  const platform::CodePage paths = platform::SystemCodePage();
  const std::wstring folder = WideOf(paths, request.initialFolder);
  // One entry: the label, with a pattern that lists every file.
  std::wstring filter = WideOf(codePage, request.filterLabel);
  filter.append(1, L'\0').append(L"*").append(2, L'\0');
  const std::wstring suffix = WideOf(platform::kCodePageUtf8, DefaultSuffixOf(request.defaultExtension));
  std::vector<wchar_t> file(kPathRoom, L'\0');

  OPENFILENAMEW chooser{};
  chooser.lStructSize = sizeof(chooser);
  chooser.hwndOwner = owner;
  chooser.lpstrFilter = filter.c_str();
  chooser.nFilterIndex = 1;
  chooser.lpstrFile = file.data();
  chooser.nMaxFile = static_cast<DWORD>(file.size());
  chooser.lpstrInitialDir = folder.c_str();
  chooser.lpstrDefExt = suffix.empty() ? nullptr : suffix.c_str();
  chooser.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameW(&chooser)) return {};

  const std::wstring_view chosen(file.data());
  wizard::FileChoice choice;
  choice.ok = true;
  choice.fullPath = NarrowOf(paths, chosen);
  choice.fileName = NarrowOf(codePage, chosen.substr(std::min<std::size_t>(chooser.nFileOffset, chosen.size())));
  return choice;
}

void RunAboutBox(HINSTANCE instance, HWND owner) {
  const std::vector<std::uint8_t> about = EncodeDialogTemplate(resources::AboutDialogTemplate(), Frame::Box);
  DialogBoxIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(about.data()), owner, AboutProcedure, 0);
}

}  // namespace gui::win32
