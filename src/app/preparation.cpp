#include "app/preparation.h"

#include "app/language_loading.h"

namespace app {

Preparation PrepareFoldersAndTexts(const StartUpServices& services, std::uint16_t languageId,
                                   i18n::LanguageTable& table) {
  Preparation prepared;
  prepared.layout = ChooseLayout(services.currentDirectory(), services.installedFolders());
  prepared.languageNote = LoadLanguage(table, prepared.layout.baseFolder, languageId);
  return prepared;
}

}  // namespace app
