#include "wizard/upgrade_dialog.h"

#include <utility>

#include "bootloader/boot_loader.h"
#include "i18n/language_table.h"
#include "i18n/notices.h"
#include "resources/dialog_ids.h"
#include "resources/dialog_templates.h"

namespace wizard {

using namespace resources;

static_assert(UpgradeDialog::kIconResource == kIconMain);

UpgradeDialog::UpgradeDialog(WindowOps& window, DialogContext context)
    : m_window(window), m_context(std::move(context)), m_serialPort(m_context.options.deviceObserver) {}

UpgradeDialog::~UpgradeDialog() { JoinWorker(); }

bool UpgradeDialog::OnInitDialog() {
  if (m_window.HasSystemMenu()) AppendSystemMenuItems();
  m_window.SetIcon(kIconMain, /*large=*/true);
  m_window.SetIcon(kIconMain, /*large=*/false);
  ApplyCaptions();
  m_patchPath = m_context.patchFilePath;
  m_window.ShowControl(kIdPortEdit, false);
  m_window.ShowControl(kIdPortCombo, true);
  m_window.EnableControl(kIdUpgradeButton, false);
  return true;
}

void UpgradeDialog::AppendSystemMenuItems() {
  const auto load = m_context.loadString ? m_context.loadString : LoadString;
  const std::string about = load(kStringAbout);
  const std::string help = load(kStringHelp);
  const std::string recovery = load(kStringRecovery);
  // An empty About entry means the table is missing: no items at all.
  if (about.empty()) return;
  m_window.AppendSystemMenuSeparator();
  m_window.AppendSystemMenuItem(kCmdHelp, help);
  m_window.AppendSystemMenuItem(kCmdAbout, about);
  m_window.AppendSystemMenuItem(kCmdRecovery, recovery);
}

void UpgradeDialog::ApplyCaptions() {
  for (int index = 0; index < static_cast<int>(m_captions.size()); ++index) {
    m_captions[static_cast<std::size_t>(index)] = Text(i18n::Entry{i18n::LanguageSection::MainDialog, index});
  }
  m_window.SetWindowText(m_captions[0]);
  static constexpr int kCaptionControls[] = {kIdGroupBox,      kIdPortLabel,     kIdKindCaption,
                                             kIdFileCaption,   kIdSerialCaption, kIdStatusCaption,
                                             kIdFileButton,    kIdUpgradeButton, kIdOk};
  for (std::size_t i = 0; i < std::size(kCaptionControls); ++i) {
    m_window.SetControlText(kCaptionControls[i], m_captions[i + 1]);
  }
}

bool UpgradeDialog::OnSysCommand(int command) {
  switch (command) {
    case kCmdHelp:
      return true;
    case kCmdAbout:
      m_window.RunAboutDialog();
      return true;
    case kCmdRecovery:
      // No never takes recovery mode back.
      if (ShowMessage(Text(i18n::prjProDlg7), MessageButtons::YesNo, MessageIcon::Stop) == MessageResult::Yes) {
        m_recoveryMode = 1;
      }
      return true;
    default:
      return false;
  }
}

void UpgradeDialog::OnOK() {
  if (Busy()) return;
  m_window.EndDialog(kResultOk);
}

void UpgradeDialog::OnCancel() {
  if (Busy()) return;
  m_window.EndDialog(kResultCancel);
}

bool UpgradeDialog::SerialPortIsOpen() const { return m_serialPort.IsOpen(); }

void UpgradeDialog::CloseSerialPort() {
  JoinWorker();
  m_serialPort.Close();
}

std::string UpgradeDialog::SerialNumber() const {
  std::lock_guard<std::mutex> guard(m_serialMutex);
  return m_serialNumber;
}

void UpgradeDialog::SetSerialNumber(const std::string& serialNumber) {
  std::lock_guard<std::mutex> guard(m_serialMutex);
  m_serialNumber = serialNumber;
}

void UpgradeDialog::SetWorkerEndedListener(std::function<void(UpgradeOutcome)> listener) {
  JoinWorker();
  m_workerEnded = std::move(listener);
}

void UpgradeDialog::JoinWorker() {
  if (m_worker.joinable()) m_worker.join();
}

std::string UpgradeDialog::Text(i18n::Entry entry) const {
  if (m_context.languageTable) return m_context.languageTable->GetText(entry);
  // Without a table the captions and lines are empty; a notice still says its piece.
  if (entry.section == i18n::LanguageSection::Notice) return std::string(i18n::BuiltInNotice(entry.index));
  return std::string();
}

void UpgradeDialog::AppendLine(const std::string& line) { m_window.ListAppend(kIdStatusList, line); }

void UpgradeDialog::AppendWithBlank(const std::string& line) {
  AppendLine(line);
  AppendLine(std::string());
}

MessageResult UpgradeDialog::ShowMessage(const std::string& text, MessageButtons buttons, MessageIcon icon) {
  return m_window.MessageBox(text, kMessageCaption, buttons, icon);
}

std::string UpgradeDialog::PortName() { return m_window.GetControlText(kIdPortCombo); }

}  // namespace wizard
