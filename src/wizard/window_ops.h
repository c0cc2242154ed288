#pragma once
// The window operations the dialog logic reaches its window through. Three
// hosts implement them: the Qt window (src/gui), the terminal (src/cli) and a
// recording host in the tests. Texts are narrow strings in the system code
// page, as the language table holds them.
//
// Threads: the dialog's handlers run on the dialog's thread. The upgrade
// worker calls these operations from its own thread; a host carries each such
// call out synchronously on the dialog's thread, and the dialog's thread
// never waits for the worker.

#include <cstddef>
#include <cstdint>
#include <string>

namespace wizard {

// YesNoDefaultNo: a question whose safe answer is No, which Enter gives.
enum class MessageButtons : std::uint8_t { Ok, YesNo, YesNoDefaultNo };
enum class MessageIcon : std::uint8_t { None, Stop, Warning };
// The platform's button identifiers.
enum class MessageResult : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

inline bool IsQuestion(MessageButtons buttons) { return buttons != MessageButtons::Ok; }

// What a message box asked after its dialog has ended answers: nobody saw it,
// so a question gets No.
inline MessageResult UnseenAnswer(MessageButtons buttons) {
  return IsQuestion(buttons) ? MessageResult::No : MessageResult::Ok;
}

// The open-file dialog: one file, owned by the main dialog, default title.
struct FileChooserRequest {
  std::string initialFolder;     // base folder plus the model's image folder
  std::string filterLabel;       // "MyType Files (*.mbl)", no pattern of its own
  std::string defaultExtension;  // the model's pattern, e.g. "QRA*.mbl"
};

struct FileChoice {
  bool ok = false;       // false: the user cancelled
  std::string fullPath;  // the chosen file's full path
  std::string fileName;  // name and extension, without the folder
};

// Dialog results of the modal run.
inline constexpr int kResultOk = 1;
inline constexpr int kResultCancel = 2;

class WindowOps {
 public:
  virtual ~WindowOps() = default;

  virtual void SetWindowText(const std::string& text) = 0;
  virtual std::string GetWindowText() = 0;
  // For the drop-down list, reading yields the selected item, empty when none.
  virtual void SetControlText(int id, const std::string& text) = 0;
  virtual std::string GetControlText(int id) = 0;
  virtual void EnableControl(int id, bool enable) = 0;
  virtual void ShowControl(int id, bool show) = 0;

  virtual void ListAppend(int id, const std::string& line) = 0;
  virtual void ListClear(int id) = 0;

  virtual void SetProgressRange(int id, std::int32_t low, std::int32_t high) = 0;
  virtual void SetProgressPos(int id, std::int32_t position) = 0;
  // The image's data bytes programmed so far and their total, while the image
  // is programmed; (0, 0) when that run ends. The window's bar follows the
  // file instead; a host may show this as well.
  virtual void ProgrammingProgress(std::size_t /*sent*/, std::size_t /*total*/) {}

  // Modal to the dialog; returns the button pressed.
  virtual MessageResult MessageBox(const std::string& text, const std::string& caption,
                                   MessageButtons buttons, MessageIcon icon) = 0;
  virtual FileChoice ChooseFile(const FileChooserRequest& request) = 0;

  virtual bool HasSystemMenu() = 0;
  virtual void AppendSystemMenuSeparator() = 0;
  virtual void AppendSystemMenuItem(int command, const std::string& text) = 0;

  virtual void SetIcon(int iconResource, bool large) = 0;

  // Timer events come back to the dialog's OnTimer on the dialog's thread.
  virtual void StartTimer(int id, std::uint32_t periodMs) = 0;
  virtual void StopTimer(int id) = 0;

  // Ends the modal run with kResultOk or kResultCancel.
  virtual void EndDialog(int result) = 0;
  // Runs the About box (template 100) modally.
  virtual void RunAboutDialog() = 0;
};

}  // namespace wizard
