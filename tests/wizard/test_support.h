#pragma once
// Shared pieces of the dialog tests: a base folder with image folders, image
// and patch files in the loader's text format, and a fixture that runs one
// dialog against a simulated interface on a virtual clock.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog_setup.h"
#include "i18n/language_table.h"
#include "platform/clock.h"
#include "sim/sim_interface.h"
#include "sim/sim_ports.h"
#include "support/recording_window.h"
#include "wizard/upgrade_dialog.h"
#include "platform/process.h"

namespace wizard::testing {

// Bytes by address, as an image file places them.
using Segments = std::map<std::uint16_t, std::vector<std::uint8_t>>;

// Writes segments as "@ADDR" lines, data lines of 16 values and CR LF, and "q".
void WriteImageFile(const std::filesystem::path& path, const Segments& segments);
// A small application: code at C000 and the vector area at FFE0 whose reset
// vector points at it. `seed` varies the content.
Segments MakeApplication(std::uint8_t seed);
// The loader patch the simulated old loaders run, placed at 0220.
Segments MakePatch();

// A temporary base folder holding Image/, Image/Apex/, Image/Tern/ and PATCH.TXT.
class BaseFolder {
 public:
  BaseFolder();
  ~BaseFolder();
  BaseFolder(const BaseFolder&) = delete;
  BaseFolder& operator=(const BaseFolder&) = delete;
  // The base folder as the program writes it, ending with the system's separator.
  std::string Path() const { return root_.string() + platform::kFolderSeparator; }
  // A folder under it ("Image/Apex") as the program writes it.
  std::string Folder(const std::string& relative) const;
  std::string PatchPath() const { return (root_ / "PATCH.TXT").string(); }
  // Writes an image under the base folder (e.g. "Image/Apex/QRA0200.mbl").
  std::string AddImage(const std::string& relative, const Segments& segments);

 private:
  std::filesystem::path root_;
};

// One dialog on the recording host, with the English texts, a virtual clock
// and the port "COM3" leading to a simulated interface.
class DialogFixture : public ::testing::Test {
 protected:
  DialogFixture();
  ~DialogFixture() override;

  // Puts a simulated interface with these options (the text after "sim:")
  // behind COM3, selects COM3 and opens the dialog (with the English texts
  // unless the context brings a table).
  // The dialog's context is made as every host makes it; `table` replaces
  // the English texts.
  void OpenDialog(const std::string& simOptions, const wizard::DialogOptions& options = {},
                  const i18n::LanguageTable* table = nullptr);
  std::shared_ptr<sim::SimInterface> Device() const;
  // Replaces the interface behind COM3 (another device on the same cable).
  void PlugIn(const std::string& simOptions);

  void ChooseImage(const std::string& path);  // File..., chooser answers `path`
  void Upgrade();                             // Upgrade, then serve the worker to its end
  void ChooseRecovery();                      // system menu, Interface Recovery, Yes
  std::string Text(i18n::Entry entry) const { return table_.GetText(entry); }
  // Whether the device's memory holds every byte of the segments.
  ::testing::AssertionResult FlashHolds(const Segments& segments) const;
  bool ListHas(const std::string& line) const;

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  sim::ScopedSimInterfaces sims_;
  BaseFolder base_;
  i18n::LanguageTable table_{65001};
  RecordingWindow host_;
  std::unique_ptr<UpgradeDialog> dialog_;
};

}  // namespace wizard::testing
