#include "cli/device_run.h"

#include <filesystem>

#include "bootloader/firmware_image.h"
#include "cli/console_window.h"
#include "cli/device_notices.h"
#include "cli/exit_codes.h"
#include "cli/exit_statuses.h"
#include "cli/run_preparation.h"
#include "platform/port_hold.h"
#include "platform/port_names.h"
#include "platform/serial_device.h"
#include "platform/utc_time.h"
#include "resources/dialog_ids.h"
#include "wizard/hold_refusal.h"

namespace cli {
namespace {

using wizard::DetectionOutcome;
using wizard::UpgradeOutcome;

// Presses the buttons a user would: File..., Upgrade, and Exit after a
// failure. A stop asked for meanwhile is the dialog's to report.
void PressButtons(bool recovery, wizard::UpgradeDialog& dialog, wizard::DialogLoop& loop) {
  if (recovery) dialog.OnSysCommand(resources::kCmdRecovery);
  dialog.OnFileButton();
  if (dialog.LastDetection() != DetectionOutcome::ImageChosen) {
    dialog.OnOK();
    return;
  }
  dialog.OnUpgradeButton();
  loop.RunUntil([&] { return !dialog.WorkerRunning() && dialog.LastUpgrade() != UpgradeOutcome::None; });
  if (dialog.LastUpgrade() != UpgradeOutcome::Succeeded) dialog.OnOK();
}

int DetectionExitCode(DetectionOutcome outcome) {
  switch (outcome) {
    case DetectionOutcome::PortNotOpened: return kExitPortNotOpened;
    case DetectionOutcome::NoReply: return kExitNoIdentifyReply;
    case DetectionOutcome::UnknownModel: return kExitUnknownModel;
    case DetectionOutcome::Cancelled: return kExitNoImage;
    case DetectionOutcome::ImageRefused: return kExitImageDamaged;
    case DetectionOutcome::PatchRefused: return kExitPatchDamaged;
    case DetectionOutcome::ImageForOtherModel: return kExitImageForOtherModel;
    case DetectionOutcome::Stopped: return kExitStoppedUntouched;
    default: return kExitInternal;
  }
}

int UpgradeExitCode(UpgradeOutcome outcome) {
  switch (outcome) {
    case UpgradeOutcome::Succeeded: return kExitSuccess;
    case UpgradeOutcome::ModelMismatch: return kExitModelMismatch;
    case UpgradeOutcome::IdentifyTimedOut: return kExitIdentifyTimeout;
    case UpgradeOutcome::SerialTimedOut: return kExitSerialTimeout;
    case UpgradeOutcome::LinkNotOpened: return kExitLinkNotOpened;
    case UpgradeOutcome::EraseFailed: return kExitEraseFailed;
    case UpgradeOutcome::ProgrammingFailed: return kExitProgramFailed;
    case UpgradeOutcome::LoaderRestartFailed: return kExitLoaderRestartFailed;
    case UpgradeOutcome::SerialNotWritten: return kExitSerialNotWritten;
    case UpgradeOutcome::ThreadNotStarted: return kExitWorkerNotStarted;
    case UpgradeOutcome::PortInUse: return kExitPortInUse;
    case UpgradeOutcome::StoppedUntouched: return kExitStoppedUntouched;
    case UpgradeOutcome::StoppedInLoader: return kExitStoppedInLoader;
    case UpgradeOutcome::JournalNotWritten: return kExitJournalNotWritten;
    default: return kExitInternal;
  }
}

int ExitCodeOf(const wizard::UpgradeDialog& dialog) {
  const DetectionOutcome detection = dialog.LastDetection();
  if (detection != DetectionOutcome::ImageChosen) return DetectionExitCode(detection);
  return UpgradeExitCode(dialog.LastUpgrade());
}

// The image the dialog took, else the one the options name: the record of a
// port that never opened still says which image was meant for it.
std::string ImagePathOf(const wizard::UpgradeDialog* dialog, const Options& options) {
  if (dialog && !dialog->ImagePath().empty()) return dialog->ImagePath();
  if (!options.image) return {};
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(*options.image, error);
  return error ? *options.image : absolute.string();
}

std::string VerifyWord(wizard::UpgradeFacts::Verify verify) {
  switch (verify) {
    case wizard::UpgradeFacts::Verify::Passed: return "passed";
    case wizard::UpgradeFacts::Verify::Failed: return "failed";
    case wizard::UpgradeFacts::Verify::NotRun: break;
  }
  return "not-run";
}

// Says why the port could not be held; the status of that refusal.
int RefuseUnheld(const RunSetup& setup, const std::string& port, platform::Error error, const std::string& detail,
                 ConsoleSink& sink) {
  switch (error) {
    case platform::Error::Busy:
      sink.Complaint(port + " is " + detail + ": another run is using the interface; nothing was sent");
      return kExitPortHeld;
    case platform::Error::LockFolderUnusable:
    case platform::Error::LockNotTaken:
      sink.Complaint(wizard::DescribeRefusedHold(setup.table, port, error, detail));
      return error == platform::Error::LockNotTaken ? kExitLockNotTaken : kExitLockFolderUnusable;
    default:
      sink.Complaint(DescribeOpenFailure(port, platform::OpenResult{nullptr, error, detail}));
      return kExitPortNotOpened;
  }
}

}  // namespace

DeviceRun RunDevice(const RunSetup& setup, const Options& options, const std::string& port, ConsoleSink& sink,
                    const std::shared_ptr<platform::TraceSink>& trace) {
  DeviceRun run;
  run.port = port;
  run.start = std::chrono::system_clock::now();
  // One run holds its port from start to end, across the opens of its phases.
  const auto held = platform::HoldPort(port);
  if (!held.ok()) {
    run.exitCode = RefuseUnheld(setup, port, held.error, held.detail, sink);
    run.imagePath = ImagePathOf(nullptr, options);
    run.end = std::chrono::system_clock::now();
    return run;
  }
  ConsoleWindow window(sink, ConsoleAnswers{port, options.image, options.recovery}, setup.table,
                       [&](wizard::UpgradeDialog& dialog, wizard::DialogLoop& loop) {
                         PressButtons(options.recovery, dialog, loop);
                       });
  wizard::DialogOptions dialogOptions = setup.dialog;
  dialogOptions.deviceObserver = std::make_shared<DeviceNotices>(sink, trace);
  wizard::UpgradeDialog dialog(window, app::MakeDialogContext(setup.layout, *setup.table, dialogOptions));
  window.RunModal(dialog);
  if (dialog.SerialPortIsOpen()) dialog.CloseSerialPort();
  run.exitCode = ExitCodeOf(dialog);
  run.model = window.GetControlText(resources::kIdKindLabel);
  run.facts = dialog.Facts();
  run.image = dialog.Image();
  run.imagePath = ImagePathOf(&dialog, options);
  run.identifyReply = dialog.LastIdentifyReply();
  run.journalFound = dialog.JournalNotesFound();
  run.end = std::chrono::system_clock::now();
  return run;
}

double Seconds(std::chrono::system_clock::time_point from, std::chrono::system_clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

RunRecord RecordOf(const DeviceRun& run, const std::string& host, const std::string& version) {
  RunRecord record;
  record.startTime = platform::UtcTimestamp(run.start);
  record.endTime = platform::UtcTimestamp(run.end);
  record.host = host;
  record.programVersion = version;
  record.port = run.port;
  record.device = platform::ResolvePortName(run.port);
  if (!run.model.empty()) record.model = run.model;
  record.serialRead = run.facts.serialRead;
  record.serialWritten = run.facts.serialWritten;
  record.loaderVersion = run.facts.loaderVersion;
  record.patchLoaded = run.facts.patchLoaded;
  if (!run.imagePath.empty()) record.imagePath = run.imagePath;
  if (run.image) {
    record.imageSize = static_cast<std::int64_t>(run.image->fileBytes);
    record.imageSha256 = run.image->sha256;
  }
  record.outcome = OutcomeWord(run.exitCode);
  record.exitStatus = run.exitCode;
  record.bytesProgrammed = run.facts.bytesProgrammed;
  record.verify = VerifyWord(run.facts.verify);
  record.durationSeconds = Seconds(run.start, run.end);
  return record;
}

// What the note cannot know (how and when the run ended, what the loader
// said) stays null.
RunRecord InterruptedRecordOf(const wizard::JournalNote& note, const std::string& host, const std::string& version) {
  RunRecord record;
  record.startTime = note.time;
  record.host = host;
  record.programVersion = version;
  record.port = note.port;
  record.device = note.device;
  record.adapterSerial = note.adapterSerial;
  if (!note.model.empty()) record.model = note.model;
  if (note.serialSource == wizard::SerialSource::Read) record.serialRead = note.serialNumber;
  if (!note.imagePath.empty()) record.imagePath = note.imagePath;
  if (!note.imageSha256.empty()) {
    record.imageSize = note.imageSize;
    record.imageSha256 = note.imageSha256;
  }
  record.outcome = "interrupted";
  record.exitStatus = std::nullopt;
  record.verify = VerifyWord(wizard::UpgradeFacts::Verify::NotRun);
  record.durationSeconds = std::nullopt;
  return record;
}

}  // namespace cli
