#include "app/language_loading.h"

namespace app {

std::string LoadLanguage(i18n::LanguageTable& table, const std::string& baseFolder, std::uint16_t languageId) {
  const i18n::LanguageSource source = table.Load(baseFolder, languageId);
  if (!source.opened) {
    return "no language file can be read (" + source.path + ", nor 1033.txt beside it): the texts are empty";
  }
  if (table.TextCount() == 0) {
    return "the language file " + source.path + " holds no texts (its first line must be \";!@Language@!UTF-8!\"): "
           "the texts are empty";
  }
  return {};
}

}  // namespace app
