// quorrel-upgrade-wizard.exe itself, under Wine on a virtual display, driven
// from this process by the window system's messages as a person would drive
// it: started in the data tree with COM3 leading to the simulated interface,
// it upgrades it and ends by itself after the success message.

#include "gui/win32/windows_header.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "gui/win32/dialog_template_bytes.h"
#include "gui/win32/window_driver.h"
#include "i18n/language_table.h"
#include "resources/dialog_ids.h"
#include "support/test_os.h"

namespace {

using namespace resources;

constexpr int kStartMs = 60'000;
constexpr int kBoxMs = 20'000;
constexpr int kUpgradeMs = 180'000;

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = gui::win32::Utf16Of(utf8);
  return std::wstring(text.begin(), text.end());
}

// The program, started in `folder`, ended if a test leaves it running.
class Program {
 public:
  Program(const std::string& program, const std::string& folder) {
    std::wstring commandLine = L"\"" + Wide(program) + L"\"";
    const std::wstring directory = Wide(folder);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    // Its own reports (a language file without texts) join the test's output.
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(),
                              &startup, &process_) != FALSE;
  }
  ~Program() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Started() const { return started_; }
  DWORD Id() const { return process_.dwProcessId; }
  // The exit status once it has ended within `ms`, else -1.
  long ExitStatus(int ms) const {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(ms)) != WAIT_OBJECT_0) return -1;
    DWORD status = 0;
    GetExitCodeProcess(process_.hProcess, &status);
    return static_cast<long>(status);
  }

 private:
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

TEST(WizardProgram, UpgradesTheSimulatedInterfaceFromTheDataTreeAndEndsByItself) {
  const testsupport::EnvVar com3("QUORREL_COM3", "sim:model=Apex,serial=QRA1234567");
  Program wizard(win32test::WindowsPath(QUORREL_WIZARD_EXE), win32test::WindowsPath(QUORREL_SOURCE_DIR "/data"));
  ASSERT_TRUE(wizard.Started());
  HWND dialog = win32test::WaitForDialog(wizard.Id(), L"", kStartMs);
  ASSERT_NE(dialog, nullptr);
  ASSERT_NE(GetDlgItem(dialog, kIdStatusList), nullptr);
  // The texts of the system's language (English here) from the tree's Lang folder.
  i18n::LanguageTable english(platform::kCodePageUtf8);
  english.Load(QUORREL_SOURCE_DIR "/data/", 1033);
  EXPECT_EQ(win32test::TextOf(dialog), Wide(english.GetText(i18n::DialogTitle)));

  ASSERT_TRUE(win32test::ChooseItem(dialog, kIdPortCombo, L"COM3"));
  win32test::Click(dialog, kIdFileButton);
  HWND chooser = win32test::WaitForBox(dialog, kBoxMs);
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(win32test::ControlText(dialog, kIdKindLabel), L"Quorrel Apex");
  win32test::AnswerChooser(chooser, L"QRA0203.mbl");
  ASSERT_TRUE(win32test::WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, kIdUpgradeButton)) != FALSE; },
                                   kBoxMs));

  win32test::Click(dialog, kIdUpgradeButton);
  HWND success = win32test::WaitForBox(dialog, kUpgradeMs);
  ASSERT_NE(success, nullptr);
  EXPECT_EQ(win32test::TextOf(success), L"Quorrel Upgrade Wizard");
  EXPECT_EQ(win32test::ControlText(dialog, kIdSerialLabel), L"QRA1234567");
  EXPECT_EQ(win32test::ListLines(dialog, kIdStatusList).back(), Wide(english.GetText(i18n::UpgradeList18)));
  // Programmed to its end: the bar stands at the last position the run gave it.
  EXPECT_GT(SendMessageW(GetDlgItem(dialog, kIdProgressBar), PBM_GETPOS, 0, 0), 0);
  PostMessageW(success, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(wizard.ExitStatus(kBoxMs), 0);
}

}  // namespace
