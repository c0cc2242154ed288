#pragma once
// The one way a host builds the dialog's context from what start-up fixed:
// the folders, the texts and the run's options. The window, the terminal
// (one run or a gang of them) and the tests all go through here.

#include "app/layout.h"
#include "i18n/language_table.h"
#include "wizard/upgrade_dialog.h"

namespace app {

// `table` must outlive the dialog the context is given to.
wizard::DialogContext MakeDialogContext(const Layout& layout, const i18n::LanguageTable& table,
                                        const wizard::DialogOptions& options);

}  // namespace app
