#include "gui/port_texts.h"

#include "gui/window_text.h"
#include "i18n/notices.h"

namespace gui {

namespace {

template <typename Fetch, typename ToQString>
PortTexts TextsOf(Fetch text, ToQString toQString) {
  return PortTexts{text(i18n::PortPermissionDenied),
                   toQString(text(i18n::PortNotPermittedTip)),
                   toQString(text(i18n::PortStableNameTip)),
                   text(i18n::PortNoSuchDevice),
                   text(i18n::PortBusy),
                   text(i18n::PortNotOpened),
                   text(i18n::NoPortChosen),
                   text(i18n::DeviceDisappeared),
                   text(i18n::LockFolderUnusable)};
}

}  // namespace

PortTexts PortTextsFrom(const i18n::LanguageTable& table) {
  const platform::CodePage codePage = table.CodePage();
  return TextsOf([&](i18n::Entry entry) { return table.GetText(entry); },
                 [&](const std::string& text) { return FromCodePage(codePage, text); });
}

PortTexts EnglishPortTexts() {
  return TextsOf([](i18n::Entry entry) { return std::string(i18n::BuiltInNotice(entry.index)); },
                 [](const std::string& text) { return QString::fromStdString(text); });
}

}  // namespace gui
