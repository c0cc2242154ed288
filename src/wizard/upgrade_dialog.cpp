#include "wizard/upgrade_dialog.h"

#include "bootloader/boot_loader.h"

// First cut: the handlers follow in the next commits.
namespace wizard {

UpgradeDialog::UpgradeDialog(WindowOps& window, DialogContext context)
    : m_window(window), m_context(std::move(context)) {}
UpgradeDialog::~UpgradeDialog() {
  if (m_worker.joinable()) m_worker.join();
}
bool UpgradeDialog::OnInitDialog() { return true; }
bool UpgradeDialog::OnSysCommand(int) { return false; }
void UpgradeDialog::OnFileButton() {}
void UpgradeDialog::OnUpgradeButton() {}
void UpgradeDialog::OnTimer(int) {}
void UpgradeDialog::OnOK() {
  if (!Busy()) m_window.EndDialog(kResultOk);
}
void UpgradeDialog::OnCancel() {
  if (!Busy()) m_window.EndDialog(kResultCancel);
}
void UpgradeDialog::ApplyCaptions() {}
bool UpgradeDialog::SerialPortIsOpen() const { return false; }
void UpgradeDialog::CloseSerialPort() {}
std::string UpgradeDialog::SerialNumber() const { return m_serialNumber; }
void UpgradeDialog::SetWorkerEndedListener(std::function<void(UpgradeOutcome)> listener) {
  m_workerEnded = std::move(listener);
}

}  // namespace wizard
