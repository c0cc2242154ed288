#pragma once
// The application object: decides whether this process may run, fixes the
// folders, loads the texts and runs the main dialog once.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/dialog_setup.h"
#include "app/layout.h"
#include "app/preparation.h"
#include "i18n/language_table.h"
#include "platform/process.h"

namespace wizard {
class DialogWindow;
}

namespace app {

// How the last StartUp ended.
enum class StartUpEnd { NotStarted, SecondInstance, UnsupportedPlatform, DialogClosed };

class UpgradeApp {
 public:
  std::string patchFilePath;
  std::uint32_t languageId = 0;
  std::string baseFolder;  // ends with a folder separator
  i18n::LanguageTable languageTable;

  // Handed to the dialog. The window program sets a stop request that
  // follows the system's stop signals, and the observer of its window, which
  // it may set as it makes the window.
  wizard::DialogOptions dialogOptions;

  using WindowFactory = std::function<std::unique_ptr<wizard::DialogWindow>()>;

  UpgradeApp() = default;
  explicit UpgradeApp(StartUpServices services, platform::CodePage codePage = platform::SystemCodePage())
      : languageTable(codePage), services_(std::move(services)) {}

  // The whole life of the program; always false, the program then ends.
  // A second instance returns at once, without asking for a window.
  bool StartUp(const WindowFactory& makeWindow);

  StartUpEnd End() const { return end_; }
  int ModalResult() const { return modalResult_; }

 private:
  void RunDialog(const WindowFactory& makeWindow);

  StartUpServices services_;
  StartUpEnd end_ = StartUpEnd::NotStarted;
  int modalResult_ = 0;
};

}  // namespace app
