#include "gui/port_texts.h"

#include "gui/window_text.h"
#include "i18n/notices.h"

namespace gui {

PortTexts PortTextsFrom(const i18n::LanguageTable& table) {
  const platform::CodePage codePage = table.CodePage();
  return PortTexts{table.GetText(i18n::PortPermissionDenied),
                   FromCodePage(codePage, table.GetText(i18n::PortNotPermittedTip)),
                   FromCodePage(codePage, table.GetText(i18n::PortStableNameTip)),
                   table.GetText(i18n::LockFolderUnusable)};
}

PortTexts EnglishPortTexts() {
  const auto english = [](i18n::Entry entry) { return std::string(i18n::BuiltInNotice(entry.index)); };
  return PortTexts{english(i18n::PortPermissionDenied), QString::fromStdString(english(i18n::PortNotPermittedTip)),
                   QString::fromStdString(english(i18n::PortStableNameTip)), english(i18n::LockFolderUnusable)};
}

}  // namespace gui
