#pragma once
// The one way a host builds the dialog's context from what start-up fixed:
// the folders, the texts and the run's options. The window, the terminal
// (one run or a gang of them) and the tests all go through here.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/layout.h"
#include "bootloader/result_codes.h"
#include "i18n/language_table.h"
#include "wizard/upgrade_dialog.h"

namespace app {

// What a host chooses for its upgrades.
struct DialogOptions {
  int imageActions = bootloader::kActionProgram;  // add kActionVerify to read every block back
  std::uint8_t passwordFill = bootloader::kDefaultPasswordFill;
  std::optional<std::string> recoverySerialNumber;  // a technician's --serial
  bool terminalAdvice = false;                      // advice names options, not window controls
  bool acceptImageForOtherModel = false;            // the terminal's --force
  const wizard::StopRequest* stopRequest = nullptr;
  // Where the devices of this dialog report (its trace, failed opens, line
  // troubles); each dialog of a gang has its own.
  std::shared_ptr<platform::DeviceObserver> deviceObserver;
};

// `table` must outlive the dialog the context is given to.
wizard::DialogContext MakeDialogContext(const Layout& layout, const i18n::LanguageTable& table,
                                        const DialogOptions& options);

}  // namespace app
