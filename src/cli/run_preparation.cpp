#include "cli/run_preparation.h"

#include "app/command_line.h"
#include "app/preparation.h"
#include "app/upgrade_app.h"
#include "bootloader/firmware_image.h"
#include "cli/console_write.h"
#include "cli/exit_codes.h"
#include "cli/record_file.h"
#include "i18n/notices.h"
#include "platform/host_name.h"
#include "platform/port_discovery.h"
#include "platform/port_hold.h"
#include "platform/port_names.h"
#include "platform/serial_device.h"
#include "platform/process.h"
#include "wizard/hold_refusal.h"
#include "wizard/image_file.h"

namespace cli {
namespace {

// The image and the patch are checked before any port opens; the dialog
// checks them again when File... takes the image, and programs what it read.
int CheckFiles(const Options& options, const std::string& patchPath, const i18n::LanguageTable& table,
               std::FILE* err) {
  if (!options.image) return kExitSuccess;
  const wizard::CheckedFiles files = wizard::CheckImageAndPatch(*options.image, patchPath);
  if (files.image) return kExitSuccess;
  if (!files.patchRefused && files.damage.problem == bootloader::ImageProblem::NotOpened) {
    Complain(err, "cannot read the image " + *options.image + ": " + files.damage.systemText);
    return kExitImageMissing;
  }
  const std::string& refused = files.patchRefused ? patchPath : *options.image;
  Complain(err, wizard::DescribeRefusedFile(&table, refused, files.damage, files.patchRefused));
  return files.patchRefused ? kExitPatchDamaged : kExitImageDamaged;
}

// A stop that came before the wait (the run was stopped, and its record
// matters most then) leaves it to its bound; one that comes during it ends it.
RecordWait RecordWaitFor(const std::string& path, const wizard::StopRequest* stop, std::FILE* err) {
  RecordWait wait;
  if (stop && !stop->Requested()) wait.stopped = [stop] { return stop->Requested(); };
  wait.waiting = [path, err] {
    Complain(err, "another process holds the lock on the run records " + path + "; waiting for it at most " +
                      std::to_string(kRecordLockWaitMs / 1000) + " seconds (Ctrl-C ends the wait)");
  };
  return wait;
}

// The runs on this device that left a note and never ended get their record
// first, each once: the note then says so.
void WriteInterruptedRecords(const std::string& reportFile, const DeviceRun& run, std::FILE* err,
                             const wizard::StopRequest* stop) {
  for (const wizard::FoundNote& found : run.journalFound) {
    if (found.note.run != wizard::RunState::Running) continue;
    const RunRecord record = InterruptedRecordOf(found.note, platform::HostName(), std::string(app::ProgramVersion()));
    const AppendResult appended =
        AppendRecordLine(reportFile, FormatRunRecord(record), RecordWaitFor(reportFile, stop, err));
    if (!appended.ok) {
      Complain(err,
               "the record of the interrupted run on " + found.note.port + " was not written: " + appended.reason);
      continue;
    }
    wizard::Journal(found.folder).MarkRun(found, wizard::RunState::Interrupted);
  }
}

}  // namespace

int PrepareRun(const Options& options, std::FILE* err, PreparedRun& prepared) {
  const app::StartUpServices system;
  prepared.table = std::make_unique<i18n::LanguageTable>(platform::SystemCodePage());
  const app::Preparation made =
      app::PrepareFoldersAndTexts(system, options.languageId.value_or(system.languageId()), *prepared.table);
  prepared.layout = made.layout;
  if (!made.languageNote.empty()) Complain(err, made.languageNote);
  return CheckFiles(options, prepared.layout.patchFilePath, *prepared.table, err);
}

int RefuseUnusableLockFolder(const std::vector<std::string>& ports, const i18n::LanguageTable& table, std::FILE* err) {
  for (const std::string& port : ports) {
    if (platform::CheckLockFolder(port)) {
      Complain(err, wizard::FillInLockFolderNotice(table.GetText(i18n::LockFolderUnusable), port));
      return kExitLockFolderUnusable;
    }
  }
  return kExitSuccess;
}

wizard::DialogOptions DialogOptionsOf(const Options& options, const wizard::StopRequest* stop) {
  wizard::DialogOptions dialog;
  dialog.imageActions = bootloader::kActionProgram | (options.verify ? bootloader::kActionVerify : 0);
  dialog.passwordFill = options.passwordFill.value_or(bootloader::kDefaultPasswordFill);
  dialog.recoverySerialNumber = options.serial;
  dialog.terminalAdvice = true;
  dialog.acceptImageForOtherModel = options.force;
  dialog.stopRequest = stop;
  return dialog;
}

std::string DescribeOpenFailure(const std::string& name, const platform::OpenResult& result) {
  // The port classes put a prefix before long names; the user never typed it.
  std::string text = "cannot open " + platform::StripDevicePrefix(name) + ": " + platform::DescribeOpenError(result.error);
  if (!result.detail.empty()) text += " (" + result.detail + ")";
  return text;
}

std::string DescribeLineTrouble(const std::string& device, platform::LineTrouble trouble, const std::string& detail,
                                std::atomic<bool>& lost) {
  const std::string name = platform::StripDevicePrefix(device);
  if (trouble == platform::LineTrouble::Lost) {
    lost = true;
    return "the device " + name + " disappeared (" + detail + "); check the cable and the adapter";
  }
  return lost ? std::string() : name + " refused the line settings " + detail;
}

void ExplainDetection(const DeviceRun& run, std::FILE* err) {
  if (run.exitCode != kExitUnknownModel) return;
  Complain(err, "the interface answered \"" + run.identifyReply +
                    "\", which is not a known Quorrel model (Quorrel Apex, Quorrel Tern, Quorrel Tern II Memory)");
}

bool CheckRunRecordFile(const Options& options, std::FILE* err) {
  if (!options.reportFile) return true;
  const AppendResult checked = CheckRecordFile(*options.reportFile);
  if (!checked.ok) Complain(err, "cannot write the run records to " + *options.reportFile + ": " + checked.reason);
  return checked.ok;
}

bool WriteRunRecord(const Options& options, const DeviceRun& run, std::FILE* err, const wizard::StopRequest* stop) {
  if (!options.reportFile) return true;
  WriteInterruptedRecords(*options.reportFile, run, err, stop);
  RunRecord record = RecordOf(run, platform::HostName(), std::string(app::ProgramVersion()));
  record.adapterSerial = platform::AdapterSerialOf(record.device);
  const AppendResult appended = AppendRecordLine(*options.reportFile, FormatRunRecord(record),
                                                 RecordWaitFor(*options.reportFile, stop, err));
  if (!appended.ok) Complain(err, "the run record for " + run.port + " was not written: " + appended.reason);
  return appended.ok;
}

int StatusWithRecord(int deviceStatus, bool recorded) {
  return deviceStatus == kExitSuccess && !recorded ? kExitNotWritten : deviceStatus;
}

}  // namespace cli
