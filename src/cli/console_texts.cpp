#include "cli/console_texts.h"

#include "i18n/notices.h"

namespace cli {

std::string InterfaceKindLine(const i18n::LanguageTable* table, const std::string& kind) {
  return i18n::FillIn(i18n::NoticeText(table, i18n::InterfaceKindLabel), {{"interface", kind}});
}

std::string SerialNumberLine(const i18n::LanguageTable* table, const std::string& serial) {
  return i18n::FillIn(i18n::NoticeText(table, i18n::SerialNumberLabel), {{"serial", serial}});
}

}  // namespace cli
