#pragma once
// The terminal's window: the dialog's controls kept as plain state, the status
// list and messages written to the console, the buttons pressed by a script.
// Calls from the worker's thread run on the dialog's thread through the loop.

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "cli/console_sink.h"
#include "i18n/language_table.h"
#include "wizard/dialog_loop.h"
#include "wizard/dialog_window.h"

namespace cli {

// What a user at the window would answer.
struct ConsoleAnswers {
  std::string port;                  // the port list's selection
  std::optional<std::string> image;  // what the chooser returns; none: cancel
  bool recoveryYes = false;          // the answer to the recovery question
};

class ConsoleWindow final : public wizard::DialogWindow {
 public:
  // `script` presses the buttons; it runs on the dialog's thread after
  // OnInitDialog, and the modal run goes on until the dialog ends. `language`
  // gives the texts the terminal adds (null: the built-in English).
  using Script = std::function<void(wizard::UpgradeDialog&, wizard::DialogLoop&)>;
  ConsoleWindow(ConsoleSink& output, ConsoleAnswers answers, const i18n::LanguageTable* language, Script script);

  int RunModal(wizard::UpgradeDialog& dialog) override;

  void SetWindowText(const std::string& text) override;
  std::string GetWindowText() override;
  void SetControlText(int id, const std::string& text) override;
  std::string GetControlText(int id) override;
  void EnableControl(int id, bool enable) override;
  void ShowControl(int id, bool show) override;
  void ListAppend(int id, const std::string& line) override;
  void ListClear(int id) override;
  void SetProgressRange(int id, std::int32_t low, std::int32_t high) override;
  void SetProgressPos(int id, std::int32_t position) override;
  void ProgrammingProgress(std::size_t sent, std::size_t total) override;
  wizard::MessageResult MessageBox(const std::string& text, const std::string& caption,
                                   wizard::MessageButtons buttons, wizard::MessageIcon icon) override;
  wizard::FileChoice ChooseFile(const wizard::FileChooserRequest& request) override;
  bool HasSystemMenu() override { return true; }
  void AppendSystemMenuSeparator() override {}
  void AppendSystemMenuItem(int, const std::string&) override {}
  void SetIcon(int, bool) override {}
  void StartTimer(int id, std::uint32_t periodMs) override;
  void StopTimer(int id) override;
  void EndDialog(int result) override;
  void RunAboutDialog() override {}

  // The folder and pattern the chooser was last opened with.
  const std::optional<wizard::FileChooserRequest>& LastChooser() const { return lastChooser_; }

 private:
  ConsoleSink& output_;
  ConsoleAnswers answers_;
  const i18n::LanguageTable* language_;
  Script script_;
  wizard::DialogLoop loop_;
  std::string title_;
  std::map<int, std::string> texts_;
  std::optional<wizard::FileChooserRequest> lastChooser_;
};

}  // namespace cli
