#include "app/dialog_setup.h"

#include "platform/install_paths.h"

namespace app {

wizard::DialogContext MakeDialogContext(const Layout& layout, const i18n::LanguageTable& table,
                                        const DialogOptions& options) {
  wizard::DialogContext context;
  context.baseFolder = layout.baseFolder;
  context.patchFilePath = layout.patchFilePath;
  context.languageTable = &table;
  context.imageActions = options.imageActions;
  context.passwordFill = options.passwordFill;
  context.recoverySerialNumber = options.recoverySerialNumber;
  context.terminalAdvice = options.terminalAdvice;
  context.acceptImageForOtherModel = options.acceptImageForOtherModel;
  context.stopRequest = options.stopRequest;
  context.journalFolder = platform::UserStateFolder();
  context.deviceObserver = options.deviceObserver;
  return context;
}

}  // namespace app
