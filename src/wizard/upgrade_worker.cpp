// Upgrade: the button handler, the worker thread with its three phases
// (interface, boot loader, closing) and the closing timer.

#include <system_error>

#include "bootloader/boot_loader.h"
#include "device/interface_commands.h"
#include "i18n/language_table.h"
#include "platform/clock.h"
#include "platform/port_hold.h"
#include "resources/dialog_ids.h"
#include "wizard/upgrade_dialog.h"

namespace wizard {

using namespace resources;

namespace {

void Pause(std::uint32_t ms) { platform::CurrentClock().Sleep(ms); }

// Pauses of the run, in the order they come.
constexpr std::uint32_t kAfterClosingOpenPortMs = 1500;
constexpr std::uint32_t kThreadNotStartedMs = 1000;
constexpr std::uint32_t kAfterReplyLineMs = 1000;
constexpr std::uint32_t kAroundPortCloseMs = 300;
constexpr std::uint32_t kAroundLinkCreationMs = 500;
constexpr std::uint32_t kLinkByteTimeoutMs = 300;
constexpr std::uint32_t kLinkReplyFactor = 4;
constexpr int kMassEraseCommands = 20;
constexpr std::uint32_t kBeforeFinishMs = 1000;
constexpr std::uint32_t kAfterFinishMs = 1500;
constexpr std::uint32_t kAfterProgrammedLinesMs = 1000;
constexpr std::uint32_t kAfterSuccessMessageMs = 1500;
constexpr std::uint32_t kCloseTimerPeriodMs = 1000;

constexpr const char* kSmallModelNotice = "Please Wiating long time......";
// The port did not open for the write-back; the number follows the text.
constexpr const char* kSerialNotWrittenNotice =
    "The port did not open: the serial number was not written back. Use Interface Recovery, then Upgrade, "
    "to write it: ";

}  // namespace

void UpgradeDialog::OnUpgradeButton() {
  // A worker that has handed the dialog back may still be on its way out.
  JoinWorker();
  m_busy = 1;
  m_lastUpgrade = UpgradeOutcome::None;
  m_window.ListClear(kIdStatusList);
  m_window.EnableControl(kIdUpgradeButton, false);
  m_window.EnableControl(kIdOk, false);
  if (m_serialPort.IsOpen()) {
    m_serialPort.Close();
    Pause(kAfterClosingOpenPortMs);
  }
  AppendWithBlank(Text(i18n::UpgradeList1));
  m_workerRunning = true;
  try {
    m_worker = std::thread([this] { UpgradeWorker(); });
  } catch (const std::system_error&) {
    m_workerRunning = false;
    ShowMessage(Text(i18n::prjProDlg1));
    if (m_serialPort.IsOpen()) m_serialPort.Close();
    Pause(kThreadNotStartedMs);
    HandBack(UpgradeOutcome::ThreadNotStarted);
  }
}

void UpgradeDialog::OnTimer(int timerId) {
  if (timerId != kCloseTimer) return;
  m_window.StopTimer(kCloseTimer);
  // The success path ends the dialog although m_busy is still set.
  m_window.EndDialog(kResultOk);
}

void UpgradeDialog::UpgradeWorker() {
  std::string textBuffer = PortName();
  // The run opens and closes the port between its phases: held for the whole
  // run, no other run slips in between them. Held elsewhere, the opens below
  // are refused and say by whom.
  const platform::HoldResult hold = platform::HoldPort(textBuffer);
  AppendWithBlank(textBuffer + Text(i18n::UpgradeList2));
  if (InterfacePhase(textBuffer) == PhaseResult::Ended) return;
  if (BootLoaderPhase(textBuffer) == PhaseResult::Ended) return;
  ClosingPhase();
}

// ---- Interface phase --------------------------------------------------------

UpgradeDialog::PhaseResult UpgradeDialog::InterfacePhase(std::string& textBuffer) {
  if (m_recoveryMode) {
    const std::string serialNumber = RecoverySerialNumber();
    SetSerialNumber(serialNumber);
    m_window.SetControlText(kIdSerialLabel, serialNumber);
    AppendWithBlank(Text(i18n::UpgradeList7));
    return PhaseResult::Continue;
  }
  device::InterfaceCommands commands(m_serialPort);
  if (!commands.OpenForCommands(textBuffer)) {
    // The boot loader may still answer; the serial number held is kept.
    Pause(kAroundPortCloseMs);
    m_serialPort.Close();
    Pause(kAroundPortCloseMs);
    return PhaseResult::Continue;
  }
  AppendWithBlank(Text(i18n::UpgradeList3));
  return ReadInterface(textBuffer);
}

UpgradeDialog::PhaseResult UpgradeDialog::ReadInterface(std::string& textBuffer) {
  device::InterfaceCommands commands(m_serialPort);
  bool mismatch = false;
  const device::ExchangeResult identified = commands.IdentifyInterface(textBuffer, [&](std::string& payload) {
    if (payload == m_window.GetControlText(kIdKindLabel)) {
      AppendWithBlank(Text(i18n::UpgradeList4));
      Pause(kAfterReplyLineMs);
      return device::LineVerdict::Complete;
    }
    AppendWithBlank(Text(i18n::UpgradeList5));
    if (m_serialPort.IsOpen()) m_serialPort.Close();
    Pause(kAfterReplyLineMs);
    mismatch = true;
    return device::LineVerdict::Failed;
  });
  if (mismatch) return EndInterfaceCheck(UpgradeOutcome::ModelMismatch);
  if (identified == device::ExchangeResult::TimedOut) {
    AppendWithBlank(Text(i18n::UpgradeList6));
    if (m_serialPort.IsOpen()) m_serialPort.Close();
    return EndInterfaceCheck(UpgradeOutcome::IdentifyTimedOut);
  }

  std::string serialNumber = SerialNumber();
  const device::ExchangeResult read = commands.ReadSerialNumber(textBuffer, serialNumber, [&] {
    SetSerialNumber(serialNumber);
    // The text buffer holds the payload: only a well-formed one was read from
    // the interface, a placeholder was not.
    if (device::IsValidSerialNumber(textBuffer)) m_serialNumberRead = serialNumber;
    m_window.SetControlText(kIdSerialLabel, serialNumber);
    AppendWithBlank(Text(i18n::UpgradeList7));
    Pause(kAfterReplyLineMs);
  });
  if (read == device::ExchangeResult::TimedOut) {
    AppendWithBlank(Text(i18n::UpgradeList8));
    if (m_serialPort.IsOpen()) m_serialPort.Close();
    return EndInterfaceCheck(UpgradeOutcome::SerialTimedOut);
  }
  Pause(kAroundPortCloseMs);
  m_serialPort.Close();
  Pause(kAroundPortCloseMs);
  return PhaseResult::Continue;
}

// After a failed erase or programming run the device's own copy of its serial
// number is gone; the one an earlier attempt read is its identity, so
// recovery writes that back rather than the placeholder.
std::string UpgradeDialog::RecoverySerialNumber() const {
  const std::string held = SerialNumber();
  if (m_serialNumberRead && held == *m_serialNumberRead && device::IsValidSerialNumber(held)) return held;
  if (m_context.recoverySerialNumber && device::IsValidSerialNumber(*m_context.recoverySerialNumber)) {
    return *m_context.recoverySerialNumber;
  }
  return std::string(device::PlaceholderSerialNumber);
}

// ---- Boot-loader phase ------------------------------------------------------

UpgradeDialog::PhaseResult UpgradeDialog::BootLoaderPhase(const std::string& textBuffer) {
  AppendLine(Text(i18n::UpgradeList9));
  AppendWithBlank(textBuffer);
  Pause(kAroundLinkCreationMs);
  m_bootLoader = std::make_unique<bootloader::BootLoader>(
      [this](std::int32_t position) { m_window.SetProgressPos(kIdProgressBar, position); });
  m_bootLoader->SetPasswordFill(m_context.passwordFill);
  Pause(kAroundLinkCreationMs);
  AppendWithBlank(Text(i18n::UpgradeList10));

  if (m_bootLoader->Open(PortName(), kLinkByteTimeoutMs, kLinkReplyFactor) != bootloader::kOk) {
    ShowMessage(Text(i18n::prjProDlg2));
    AppendWithBlank(Text(i18n::UpgradeList11));
    return EndLinkNotOpened();
  }
  m_bootLoader->Reset(/*enterLoader=*/true);
  if (EraseAndUnlock() == PhaseResult::Ended) return PhaseResult::Ended;
  ReadLoaderVersion();
  if (LoadPatchIfRequired() == PhaseResult::Ended) return PhaseResult::Ended;
  if (ProgramImage() == PhaseResult::Ended) return PhaseResult::Ended;

  Pause(kBeforeFinishMs);
  m_bootLoader->Finish();
  m_bootLoader.reset();
  Pause(kAfterFinishMs);
  return PhaseResult::Continue;
}

UpgradeDialog::PhaseResult UpgradeDialog::EraseAndUnlock() {
  bootloader::BootLoader& loader = *m_bootLoader;
  for (int i = 0; i < kMassEraseCommands; ++i) {
    if (loader.Command(bootloader::kCmdMassErase, bootloader::kMassEraseAddress, bootloader::kMassEraseLength,
                       nullptr, loader.replyData.data()) != bootloader::kOk) {
      return EndEraseFailed();
    }
  }
  if (loader.SendPassword() != bootloader::kOk) {
    return EndProgrammingFailed(i18n::UpgradeList13);
  }
  return PhaseResult::Continue;
}

// A loader that cannot tell its version is taken to need no patch.
void UpgradeDialog::ReadLoaderVersion() {
  bootloader::BootLoader& loader = *m_bootLoader;
  if (loader.Command(bootloader::kCmdReadBlock, bootloader::kLoaderVersionAddress, 2, nullptr,
                     loader.replyData.data()) != bootloader::kOk) {
    return;
  }
  loader.loaderVersion = static_cast<std::uint16_t>(loader.replyData[0] * 256 + loader.replyData[1]);
  loader.patchRequired = loader.loaderVersion <= bootloader::kLastVersionNeedingPatch ? 1 : 0;
}

UpgradeDialog::PhaseResult UpgradeDialog::LoadPatchIfRequired() {
  bootloader::BootLoader& loader = *m_bootLoader;
  if (loader.patchRequired == 0) return PhaseResult::Continue;
  if (loader.Command(bootloader::kCmdLoadProgramCounter, bootloader::kLoaderRestartAddress, 0, nullptr,
                     loader.replyData.data()) != bootloader::kOk ||
      loader.SendPassword() != bootloader::kOk) {
    return EndProgrammingFailed(i18n::UpgradeList14, UpgradeOutcome::LoaderRestartFailed);
  }
  if (loader.ProgramFile(m_patchPath, bootloader::kActionProgram | bootloader::kActionVerify) != bootloader::kOk) {
    return EndProgrammingFailed(i18n::UpgradeList13);
  }
  loader.patchLoaded = 1;
  return PhaseResult::Continue;
}

UpgradeDialog::PhaseResult UpgradeDialog::ProgramImage() {
  if (m_smallModel) AppendWithBlank(kSmallModelNotice);
  if (m_bootLoader->ProgramFile(m_imagePath, m_context.imageActions) != bootloader::kOk) {
    return EndProgrammingFailed(i18n::UpgradeList13);
  }
  return PhaseResult::Continue;
}

// ---- Closing phase ----------------------------------------------------------

void UpgradeDialog::ClosingPhase() {
  // The image run has just brought the bar to its end; it stays there.
  m_window.SetProgressPos(kIdProgressBar, m_imageSize);
  AppendWithBlank(Text(i18n::UpgradeList15));
  AppendWithBlank(Text(i18n::UpgradeList16));
  Pause(kAfterProgrammedLinesMs);

  const std::string portName = PortName();
  AppendWithBlank(portName + Text(i18n::UpgradeList17));
  if (!device::InterfaceCommands(m_serialPort).WriteSerialNumber(portName, SerialNumber())) {
    EndSerialNotWritten();
    return;
  }
  AppendLine(Text(i18n::UpgradeList18));
  ShowMessage(Text(i18n::prjProDlg4));
  Pause(kAfterSuccessMessageMs);
  m_serialPort.Close();
  // The buttons stay disabled and m_busy stays set: the timer ends the dialog.
  m_lastUpgrade = UpgradeOutcome::Succeeded;
  m_window.StartTimer(kCloseTimer, kCloseTimerPeriodMs);
  WorkerEnded(UpgradeOutcome::Succeeded);
}

// ---- Endings of a failed upgrade ----------------------------------------------

// The new firmware runs, but the mass erase took the device's own copy of its
// serial number: reporting success here would lose it for good. The dialog
// keeps the number it read, and Interface Recovery writes it back.
void UpgradeDialog::EndSerialNotWritten() {
  const std::string text = std::string(kSerialNotWrittenNotice) + SerialNumber();
  AppendWithBlank(text);
  ShowMessage(text);
  if (m_serialPort.IsOpen()) m_serialPort.Close();
  HandBack(UpgradeOutcome::SerialNotWritten);
}

UpgradeDialog::PhaseResult UpgradeDialog::EndInterfaceCheck(UpgradeOutcome outcome) {
  HandBack(outcome);
  return PhaseResult::Ended;
}

UpgradeDialog::PhaseResult UpgradeDialog::EndLinkNotOpened() {
  m_bootLoader.reset();
  HandBack(UpgradeOutcome::LinkNotOpened);
  return PhaseResult::Ended;
}

UpgradeDialog::PhaseResult UpgradeDialog::EndEraseFailed() {
  m_window.SetProgressPos(kIdProgressBar, 0);
  ShowMessage(Text(i18n::prjProDlg3));
  AppendWithBlank(Text(i18n::UpgradeList12));
  m_bootLoader->Close();
  m_bootLoader.reset();
  HandBack(UpgradeOutcome::EraseFailed);
  return PhaseResult::Ended;
}

UpgradeDialog::PhaseResult UpgradeDialog::EndProgrammingFailed(const i18n::Entry& listText,
                                                               UpgradeOutcome outcome) {
  AppendWithBlank(Text(listText));
  m_bootLoader->Close();
  m_bootLoader.reset();
  m_window.SetProgressPos(kIdProgressBar, 0);
  HandBack(outcome);
  return PhaseResult::Ended;
}

// The buttons come back before m_busy is cleared: once Exit can end the
// dialog, the worker needs nothing more from the dialog's thread.
void UpgradeDialog::HandBack(UpgradeOutcome outcome) {
  m_window.EnableControl(kIdUpgradeButton, true);
  m_window.EnableControl(kIdOk, true);
  m_busy = 0;
  WorkerEnded(outcome);
}

void UpgradeDialog::WorkerEnded(UpgradeOutcome outcome) {
  m_lastUpgrade = outcome;
  m_workerRunning = false;
  if (m_workerEnded) m_workerEnded(outcome);
}

}  // namespace wizard
