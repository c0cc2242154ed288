#include "cli/console_window.h"

#include <filesystem>

#include "cli/image_listing.h"
#include "resources/dialog_ids.h"
#include "wizard/upgrade_dialog.h"

namespace cli {

namespace fs = std::filesystem;

ConsoleWindow::ConsoleWindow(ConsoleSink& output, ConsoleAnswers answers, const i18n::LanguageTable* language,
                             Script script)
    : output_(output), answers_(std::move(answers)), language_(language), script_(std::move(script)) {
  texts_[resources::kIdPortCombo] = answers_.port;
}

int ConsoleWindow::RunModal(wizard::UpgradeDialog& dialog) {
  loop_.SetTimerHandler([&dialog](int id) { dialog.OnTimer(id); });
  dialog.SetWorkerEndedListener([this](wizard::UpgradeOutcome) { loop_.Wake(); });
  dialog.OnInitDialog();
  script_(dialog, loop_);
  const int result = loop_.RunUntilEnded();
  output_.Finish();
  return result;
}

void ConsoleWindow::SetWindowText(const std::string& text) {
  loop_.Invoke([&] { title_ = text; });
}

std::string ConsoleWindow::GetWindowText() {
  return loop_.Call([&] { return title_; });
}

void ConsoleWindow::SetControlText(int id, const std::string& text) {
  loop_.Invoke([&] {
    std::string& held = texts_[id];
    const bool changed = held != text;
    held = text;
    if (!changed) return;
    if (id == resources::kIdKindLabel) output_.InterfaceKind(text);
    if (id == resources::kIdSerialLabel) output_.SerialNumber(text);
  });
}

std::string ConsoleWindow::GetControlText(int id) {
  return loop_.Call([&] {
    auto found = texts_.find(id);
    return found == texts_.end() ? std::string() : found->second;
  });
}

void ConsoleWindow::EnableControl(int, bool) {}
void ConsoleWindow::ShowControl(int, bool) {}

void ConsoleWindow::ListAppend(int, const std::string& line) {
  loop_.Invoke([&] { output_.StatusLine(line); });
}

void ConsoleWindow::ListClear(int) {}

// The window's bar follows the file, patch run included; the terminal's bar
// shows only the image's programmed bytes (ProgrammingProgress).
void ConsoleWindow::SetProgressRange(int, std::int32_t, std::int32_t) {}
void ConsoleWindow::SetProgressPos(int, std::int32_t) {}

void ConsoleWindow::ProgrammingProgress(std::size_t sent, std::size_t total) {
  loop_.Invoke([&] { output_.Programmed(static_cast<std::int64_t>(sent), static_cast<std::int64_t>(total)); });
}

wizard::MessageResult ConsoleWindow::MessageBox(const std::string& text, const std::string& caption,
                                                wizard::MessageButtons buttons, wizard::MessageIcon) {
  return loop_.Call(
      [&] {
        // A question is answered by the options; nobody is asked it.
        if (wizard::IsQuestion(buttons)) {
          return answers_.recoveryYes ? wizard::MessageResult::Yes : wizard::MessageResult::No;
        }
        output_.Message(caption + ": " + text);
        return wizard::MessageResult::Ok;
      },
      wizard::UnseenAnswer(buttons));
}

wizard::FileChoice ConsoleWindow::ChooseFile(const wizard::FileChooserRequest& request) {
  return loop_.Call([&] {
    lastChooser_ = request;
    if (!answers_.image) {
      output_.Complaint(DescribeImages(request.initialFolder, request.defaultExtension, language_));
      return wizard::FileChoice{};
    }
    const fs::path image = fs::absolute(*answers_.image);
    return wizard::FileChoice{true, image.string(), image.filename().string()};
  });
}

void ConsoleWindow::StartTimer(int id, std::uint32_t periodMs) {
  loop_.Invoke([&] { loop_.StartTimer(id, periodMs); });
}

void ConsoleWindow::StopTimer(int id) {
  loop_.Invoke([&] { loop_.StopTimer(id); });
}

void ConsoleWindow::EndDialog(int result) { loop_.EndDialog(result); }

}  // namespace cli
