#include "app/dialog_setup.h"

#include "platform/install_paths.h"

namespace app {

wizard::DialogContext MakeDialogContext(const Layout& layout, const i18n::LanguageTable& table,
                                        const wizard::DialogOptions& options) {
  wizard::DialogContext context;
  context.baseFolder = layout.baseFolder;
  context.patchFilePath = layout.patchFilePath;
  context.languageTable = &table;
  context.journalFolder = platform::UserStateFolder();
  context.options = options;
  return context;
}

}  // namespace app
