// Upgrade: the button handler, the worker thread with its three phases
// (interface, boot loader, closing) and the closing timer.

#include <system_error>

#include "bootloader/boot_loader.h"
#include "bootloader/firmware_image.h"
#include "device/interface_commands.h"
#include "i18n/language_table.h"
#include "i18n/notices.h"
#include "platform/clock.h"
#include "platform/port_hold.h"
#include "resources/dialog_ids.h"
#include "wizard/hold_refusal.h"
#include "wizard/upgrade_dialog.h"

namespace wizard {

using namespace resources;

namespace {

void Pause(std::uint32_t ms) { platform::CurrentClock()->Sleep(ms); }

// Pauses of the run, in the order they come, each with the reason it exists.
// A port that detection left open is closed first; the adapter and the
// interface see the lines settle before the worker opens it again.
constexpr std::uint32_t kAfterClosingOpenPortMs = 1500;
// The failure message stays alone a moment before the buttons come back.
constexpr std::uint32_t kThreadNotStartedMs = 1000;
// The firmware finishes its reply line (and the user reads the status line)
// before the next command goes out.
constexpr std::uint32_t kAfterReplyLineMs = 1000;
// Before a close the last bytes leave and the watcher stops; after it the
// interface sees an idle line before the port opens again.
constexpr std::uint32_t kAroundPortCloseMs = 300;
// The port is wholly released before the loader link opens it at another
// speed and parity, and the link is set up before its first request.
constexpr std::uint32_t kAroundLinkCreationMs = 500;
// The loader's wait for each byte of a reply: a byte takes about 1.15 ms at
// 9600 8E1, so this covers a loader busy with its flash.
constexpr std::uint32_t kLinkByteTimeoutMs = 300;
// A reply's whole wait grows with its length by this factor.
constexpr std::uint32_t kLinkReplyFactor = 4;
// One erase command may leave cells not wholly erased; the loader's erase
// cycle is short, so the command is repeated.
constexpr int kMassEraseCommands = 20;
// The loader finishes writing the last block into its flash before the reset.
constexpr std::uint32_t kBeforeFinishMs = 1000;
// The new firmware boots after the reset before the port opens for it.
constexpr std::uint32_t kAfterFinishMs = 1500;
// The firmware is up (and the user has read the status lines) before the
// serial number is written back.
constexpr std::uint32_t kAfterProgrammedLinesMs = 1000;
// The firmware stores the number in its own memory before the port closes.
constexpr std::uint32_t kAfterSuccessMessageMs = 1500;
// The window shows its success a moment before it closes by itself.
constexpr std::uint32_t kCloseTimerPeriodMs = 1000;

// Kept as written, misspelling and all, on purpose: it is the notice the
// small models' users have always been shown, and it is no language text.
constexpr const char* kSmallModelNotice = "Please Wiating long time......";

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
  NoteFact([](UpgradeFacts& facts) { facts = UpgradeFacts{}; });
  std::string textBuffer = PortName();
  const std::string portName = textBuffer;  // the buffer turns into the reply buffer
  // The run opens and closes the port between its phases: held for the whole
  // run, no other run slips in between them. Held elsewhere, the opens below
  // are refused and say by whom.
  const auto hold = platform::HoldPort(textBuffer);
  AppendWithBlank(textBuffer + Text(i18n::UpgradeList2));
  // A port whose lock cannot be made is never run unlocked.
  if (const std::string refused = DescribeRefusedHold(m_context.languageTable, textBuffer, hold.error, hold.detail);
      !refused.empty()) {
    EndSaying(refused, UpgradeOutcome::PortInUse);
    return;
  }
  if (InterfacePhase(textBuffer) == PhaseResult::Ended) return;
  // Up to here the device still runs its firmware: a stop leaves it untouched.
  if (StopRequested()) {
    EndStoppedUntouched();
    return;
  }
  if (WriteJournal(portName) == PhaseResult::Ended) return;
  if (BootLoaderPhase(textBuffer) == PhaseResult::Ended) return;
  ClosingPhase();
}

UpgradeFacts UpgradeDialog::Facts() const {
  std::lock_guard<std::mutex> guard(m_factsMutex);
  return m_facts;
}

bool UpgradeDialog::StopRequested() const {
  return m_context.options.stopRequest != nullptr && m_context.options.stopRequest->Requested();
}

std::string UpgradeDialog::Advice(i18n::Entry window, i18n::Entry terminal) const {
  return Text(m_context.options.terminalAdvice ? terminal : window);
}

// ---- Interface phase --------------------------------------------------------

UpgradeDialog::PhaseResult UpgradeDialog::InterfacePhase(std::string& textBuffer) {
  // A stop asked for before the run began: nothing is opened.
  if (StopRequested()) return EndStoppedUntouched();
  if (m_recoveryMode) {
    LookUpRecoveryNote(textBuffer);
    const std::string serialNumber = RecoverySerialNumber();
    SetSerialNumber(serialNumber);
    m_window.SetControlText(kIdSerialLabel, serialNumber);
    AppendWithBlank(Text(i18n::UpgradeList7));
    SayWhereTheNumberCameFrom(serialNumber);
    return PhaseResult::Continue;
  }
  device::InterfaceCommands commands(m_serialPort, [this] { return StopRequested(); });
  if (!commands.OpenForCommands(textBuffer)) {
    Pause(kAroundPortCloseMs);
    m_serialPort.Close();
    Pause(kAroundPortCloseMs);
    // Erasing would take the device's serial number with its firmware; with
    // none known to write back, the device is left as it is.
    if (!m_serialNumberRead && !m_context.options.recoverySerialNumber) return EndPortInUse(textBuffer);
    // The boot loader may still answer; the number read earlier goes back.
    if (m_serialNumberRead) SetSerialNumber(*m_serialNumberRead);
    return PhaseResult::Continue;
  }
  AppendWithBlank(Text(i18n::UpgradeList3));
  return ReadInterface(textBuffer);
}

UpgradeDialog::PhaseResult UpgradeDialog::ReadInterface(std::string& textBuffer) {
  device::InterfaceCommands commands(m_serialPort, [this] { return StopRequested(); });
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
  if (identified == device::ExchangeResult::Stopped) return EndStoppedUntouched();
  if (identified == device::ExchangeResult::TimedOut) {
    AppendWithBlank(Text(i18n::UpgradeList6));
    if (m_serialPort.IsOpen()) m_serialPort.Close();
    return EndInterfaceCheck(UpgradeOutcome::IdentifyTimedOut);
  }

  std::string serialNumber = SerialNumber();
  const device::ExchangeResult read = commands.ReadSerialNumber(textBuffer, serialNumber, [&] {
    SetSerialNumber(serialNumber);
    NoteFact([&](UpgradeFacts& facts) { facts.serialRead = textBuffer; });
    // The text buffer holds the payload: only a well-formed one was read from
    // the interface, a placeholder was not.
    if (device::IsValidSerialNumber(textBuffer)) m_serialNumberRead = serialNumber;
    m_window.SetControlText(kIdSerialLabel, serialNumber);
    AppendWithBlank(Text(i18n::UpgradeList7));
    Pause(kAfterReplyLineMs);
  });
  if (read == device::ExchangeResult::Stopped) return EndStoppedUntouched();
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
// recovery writes that back rather than the placeholder. Next comes the
// technician's, then the one the journal kept of a run that never ended.
std::string UpgradeDialog::RecoverySerialNumber() const {
  const std::string held = SerialNumber();
  if (m_serialNumberRead && held == *m_serialNumberRead && device::IsValidSerialNumber(held)) return held;
  if (m_context.options.recoverySerialNumber && device::IsValidSerialNumber(*m_context.options.recoverySerialNumber)) {
    return *m_context.options.recoverySerialNumber;
  }
  {
    std::lock_guard<std::mutex> guard(m_serialMutex);
    if (m_recoveryNote) return m_recoveryNote->note.serialNumber;
  }
  return std::string(device::PlaceholderSerialNumber);
}

// ---- Boot-loader phase ------------------------------------------------------

UpgradeDialog::PhaseResult UpgradeDialog::BootLoaderPhase(const std::string& textBuffer) {
  AppendLine(Text(i18n::UpgradeList9));
  AppendWithBlank(textBuffer);
  Pause(kAroundLinkCreationMs);
  m_bootLoader = std::make_unique<bootloader::BootLoader>(
      [this](std::int32_t position) { m_window.SetProgressPos(kIdProgressBar, position); }, m_context.options.deviceObserver);
  m_bootLoader->SetPasswordFill(m_context.options.passwordFill);
  m_bootLoader->SetStopCheck([this] { return StopRequested(); });
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
    if (StopRequested()) return i == 0 ? EndStoppedBeforeErase() : EndStoppedInLoader();
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
  NoteFact([&](UpgradeFacts& facts) { facts.loaderVersion = loader.loaderVersion; });
}

UpgradeDialog::PhaseResult UpgradeDialog::LoadPatchIfRequired() {
  bootloader::BootLoader& loader = *m_bootLoader;
  if (loader.patchRequired == 0) return PhaseResult::Continue;
  if (loader.Command(bootloader::kCmdLoadProgramCounter, bootloader::kLoaderRestartAddress, 0, nullptr,
                     loader.replyData.data()) != bootloader::kOk ||
      loader.SendPassword() != bootloader::kOk) {
    return EndProgrammingFailed(i18n::UpgradeList14, UpgradeOutcome::LoaderRestartFailed);
  }
  if (!m_patch) return EndPatchMissing();
  const int result = loader.ProgramImage(*m_patch, bootloader::kActionProgram | bootloader::kActionVerify);
  if (result == bootloader::kStopped) return EndStoppedInLoader();
  if (result != bootloader::kOk) return EndProgrammingFailed(i18n::UpgradeList13);
  loader.patchLoaded = 1;
  NoteFact([](UpgradeFacts& facts) { facts.patchLoaded = true; });
  return PhaseResult::Continue;
}

UpgradeDialog::PhaseResult UpgradeDialog::ProgramImage() {
  if (m_smallModel) AppendWithBlank(kSmallModelNotice);
  m_bootLoader->SetBlockProgress([this](std::size_t sent, std::size_t total) {
    NoteFact([&](UpgradeFacts& facts) { facts.bytesProgrammed = static_cast<std::int64_t>(sent); });
    m_window.ProgrammingProgress(sent, total);
  });
  const int result = m_bootLoader->ProgramImage(*m_image, m_context.options.imageActions);
  m_bootLoader->SetBlockProgress(nullptr);
  m_window.ProgrammingProgress(0, 0);
  NoteVerifyResult(result);
  if (result == bootloader::kStopped) return EndStoppedInLoader();
  if (result != bootloader::kOk) return EndProgrammingFailed(i18n::UpgradeList13);
  return PhaseResult::Continue;
}

void UpgradeDialog::NoteVerifyResult(int programResult) {
  if ((m_context.options.imageActions & bootloader::kActionVerify) == 0) return;
  using Verify = UpgradeFacts::Verify;
  const Verify verify = programResult == bootloader::kOk               ? Verify::Passed
                        : programResult == bootloader::kVerifyMismatch ? Verify::Failed
                                                                       : Verify::NotRun;
  NoteFact([&](UpgradeFacts& facts) { facts.verify = verify; });
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
  if (!WriteBackAndConfirm(portName)) {
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

// The number is read back on the same port: a line that died during the
// write, or a firmware that did not store it, shows here and not as success.
bool UpgradeDialog::WriteBackAndConfirm(const std::string& portName) {
  device::InterfaceCommands commands(m_serialPort);
  const std::string serialNumber = SerialNumber();
  if (!commands.WriteSerialNumber(portName, serialNumber)) return false;
  std::string payload;
  std::string readBack;
  const device::ExchangeResult read = commands.ReadSerialNumber(payload, readBack, nullptr);
  if (read == device::ExchangeResult::Completed && payload == serialNumber) {
    NoteFact([&](UpgradeFacts& facts) { facts.serialWritten = serialNumber; });
    ForgetJournal();
    return true;
  }
  AppendWithBlank(i18n::FillIn(Text(i18n::SerialReadBackFailed), {{"serial", serialNumber}}));
  return false;
}

// ---- Endings of a failed upgrade ----------------------------------------------

// The new firmware runs, but the mass erase took the device's own copy of its
// serial number: reporting success here would lose it for good. The dialog
// keeps the number it read, and Interface Recovery writes it back.
void UpgradeDialog::EndSerialNotWritten() {
  const std::string text = i18n::FillIn(Advice(i18n::SerialNotWrittenWindow, i18n::SerialNotWrittenTerminal),
                                        {{"serial", SerialNumber()}});
  AppendWithBlank(text);
  ShowMessage(text);
  if (m_serialPort.IsOpen()) m_serialPort.Close();
  HandBack(UpgradeOutcome::SerialNotWritten);
}

UpgradeDialog::PhaseResult UpgradeDialog::EndInterfaceCheck(UpgradeOutcome outcome) {
  HandBack(outcome);
  return PhaseResult::Ended;
}

UpgradeDialog::PhaseResult UpgradeDialog::EndPortInUse(const std::string& portName) {
  return EndSaying(i18n::FillIn(Text(i18n::PortInUse), {{"port", portName}}), UpgradeOutcome::PortInUse);
}

// The reason stands in the status list and in a box.
UpgradeDialog::PhaseResult UpgradeDialog::EndSaying(const std::string& text, UpgradeOutcome outcome) {
  AppendWithBlank(text);
  ShowMessage(text);
  HandBack(outcome);
  return PhaseResult::Ended;
}

UpgradeDialog::PhaseResult UpgradeDialog::EndStoppedUntouched() {
  if (m_serialPort.IsOpen()) m_serialPort.Close();
  AppendWithBlank(Text(i18n::StoppedUntouched));
  HandBack(UpgradeOutcome::StoppedUntouched);
  return PhaseResult::Ended;
}

// The loader has erased nothing yet: the normal restart takes the device
// back to its firmware, whole.
UpgradeDialog::PhaseResult UpgradeDialog::EndStoppedBeforeErase() {
  m_bootLoader->Finish();
  m_bootLoader.reset();
  return EndStoppedUntouched();
}

// The device is in its loader with part of its flash written: it needs
// Interface Recovery, and the number recovery must write goes with the word.
UpgradeDialog::PhaseResult UpgradeDialog::EndStoppedInLoader() {
  const std::string text = i18n::FillIn(Advice(i18n::StoppedInLoaderWindow, i18n::StoppedInLoaderTerminal),
                                        {{"serial", RecoverySerialNumber()}});
  AppendWithBlank(text);
  m_bootLoader->Close();
  m_bootLoader.reset();
  m_window.SetProgressPos(kIdProgressBar, 0);
  HandBack(UpgradeOutcome::StoppedInLoader);
  return PhaseResult::Ended;
}

UpgradeDialog::PhaseResult UpgradeDialog::EndPatchMissing() {
  const std::string text = i18n::FillIn(Advice(i18n::PatchMissingWindow, i18n::PatchMissingTerminal),
                                        {{"file", m_patchPath}, {"serial", RecoverySerialNumber()}});
  ShowMessage(text);
  return EndProgrammingFailed(i18n::UpgradeList13);
}

UpgradeDialog::PhaseResult UpgradeDialog::EndLinkNotOpened() {
  m_bootLoader.reset();
  HandBack(UpgradeOutcome::LinkNotOpened);
  return PhaseResult::Ended;
}

UpgradeDialog::PhaseResult UpgradeDialog::EndEraseFailed() {
  m_window.SetProgressPos(kIdProgressBar, 0);
  ShowMessage(m_context.options.terminalAdvice
                  ? i18n::FillIn(Text(i18n::EraseFailedTerminal), {{"serial", RecoverySerialNumber()}})
                  : Text(i18n::prjProDlg3));
  AppendWithBlank(Text(i18n::UpgradeList12));
  m_bootLoader->Close();
  m_bootLoader.reset();
  HandBack(UpgradeOutcome::EraseFailed);
  return PhaseResult::Ended;
}

UpgradeDialog::PhaseResult UpgradeDialog::EndProgrammingFailed(const i18n::Entry& listText,
                                                               UpgradeOutcome outcome) {
  AppendWithBlank(Text(listText));
  // The window's list line is advice enough; the terminal names its option.
  if (m_context.options.terminalAdvice) {
    ShowMessage(i18n::FillIn(Text(i18n::ProgrammingFailedTerminal), {{"serial", RecoverySerialNumber()}}));
  }
  m_bootLoader->Close();
  m_bootLoader.reset();
  m_window.SetProgressPos(kIdProgressBar, 0);
  HandBack(outcome);
  return PhaseResult::Ended;
}

// The buttons come back before m_busy is cleared: once Exit can end the
// dialog, the worker needs nothing more from the dialog's thread.
void UpgradeDialog::HandBack(UpgradeOutcome outcome) {
  SettleJournal(outcome);
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
