#include "gui/port_texts.h"

#include "gui/window_text.h"
#include "i18n/notices.h"

namespace gui {

PortTexts PortTextsFrom(const i18n::LanguageTable& table) {
  const platform::CodePage codePage = table.CodePage();
  return PortTexts{StatusNoticeTextsFrom(table), FromCodePage(codePage, table.GetText(i18n::PortNotPermittedTip)),
                   FromCodePage(codePage, table.GetText(i18n::PortStableNameTip))};
}

PortTexts EnglishPortTexts() {
  const auto english = [](i18n::Entry entry) { return QString::fromStdString(std::string(i18n::BuiltInNotice(entry.index))); };
  return PortTexts{EnglishStatusNoticeTexts(), english(i18n::PortNotPermittedTip), english(i18n::PortStableNameTip)};
}

}  // namespace gui
