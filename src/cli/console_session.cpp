#include "cli/console_session.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/layout.h"
#include "bootloader/firmware_image.h"
#include "cli/console_window.h"
#include "cli/exit_codes.h"
#include "i18n/language_table.h"
#include "platform/codepage.h"
#include "platform/port_names.h"
#include "platform/process.h"
#include "platform/regular_file.h"
#include "platform/trace.h"
#include "resources/dialog_ids.h"
#include "wizard/image_file.h"
#include "wizard/upgrade_dialog.h"

namespace cli {
namespace {

using wizard::DetectionOutcome;
using wizard::UpgradeOutcome;

void Complain(std::FILE* err, const std::string& text) {
  std::fprintf(err, "quorrel-upgrade: %s\n", text.c_str());
}

// A port that does not open gets a line saying why; the dialog logic goes on
// as it would in the window.
void ReportPortFailures(std::FILE* err) {
  platform::SetOpenFailureListener([err](const std::string& name, const platform::OpenResult& result) {
    // The port classes put a prefix before long names; the user never typed it.
    std::string text = "cannot open " + platform::StripDevicePrefix(name) + ": " + platform::DescribeOpenError(result.error);
    if (!result.detail.empty()) text += " (" + result.detail + ")";
    Complain(err, text);
  });
}

bool StartTrace(const Options& options, std::FILE* err) {
  if (!options.traceFile) return true;
  // A pipe or a device would block the program, a folder cannot take it.
  if (!platform::IsAbsentOrRegularFile(*options.traceFile)) {
    Complain(err, "cannot write the trace to " + *options.traceFile + ": it is not a regular file");
    return false;
  }
  std::string error;
  auto sink = platform::MakeFileTraceSink(*options.traceFile, &error);
  if (!sink) {
    Complain(err, "cannot write the trace to " + *options.traceFile + ": " + error);
    return false;
  }
  platform::SetTraceSink(std::move(sink));
  return true;
}

// The image and the patch are checked before any port opens; the dialog
// checks them again when File... takes the image, and programs what it read.
int CheckFiles(const Options& options, const std::string& patchPath, const i18n::LanguageTable& table,
               std::FILE* err) {
  if (!options.image) return kExitSuccess;
  const bootloader::ImageReadResult image = bootloader::ReadFirmwareImage(*options.image);
  if (image.damage.problem == bootloader::ImageProblem::NotOpened) {
    Complain(err, "cannot read the image " + *options.image + ": " + image.damage.systemText);
    return kExitImageMissing;
  }
  if (!image.image) {
    Complain(err, wizard::DescribeRefusedFile(&table, *options.image, image.damage, false));
    return kExitImageDamaged;
  }
  std::error_code error;
  if (!std::filesystem::exists(patchPath, error)) return kExitSuccess;
  const bootloader::ImageReadResult patch = bootloader::ReadFirmwareImage(patchPath);
  if (patch.image) return kExitSuccess;
  Complain(err, wizard::DescribeRefusedFile(&table, patchPath, patch.damage, true));
  return kExitPatchDamaged;
}

// Presses the buttons a user would: File..., Upgrade, and Exit after a failure.
void PressButtons(bool recovery, wizard::UpgradeDialog& dialog, wizard::DialogLoop& loop,
                  const wizard::StopRequest* stop) {
  if (recovery) dialog.OnSysCommand(resources::kCmdRecovery);
  dialog.OnFileButton();
  if (dialog.LastDetection() != DetectionOutcome::ImageChosen || (stop && stop->Requested())) {
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
    default: return kExitInternal;
  }
}

int ExitCodeOf(const wizard::UpgradeDialog& dialog, const wizard::StopRequest* stop) {
  const DetectionOutcome detection = dialog.LastDetection();
  if (detection == DetectionOutcome::ImageChosen && dialog.LastUpgrade() == UpgradeOutcome::None && stop &&
      stop->Requested()) {
    return kExitStoppedUntouched;
  }
  if (detection != DetectionOutcome::ImageChosen) return DetectionExitCode(detection);
  return UpgradeExitCode(dialog.LastUpgrade());
}

// What the window shows as "Unknown", the terminal spells out.
void ExplainDetection(const wizard::UpgradeDialog& dialog, std::FILE* err) {
  if (dialog.LastDetection() != DetectionOutcome::UnknownModel) return;
  Complain(err, "the interface answered \"" + dialog.LastIdentifyReply() +
                    "\", which is not a known Quorrel model (Quorrel Apex, Quorrel Tern, Quorrel Tern II Memory)");
}

void ReportTraceFailure(const Options& options, std::FILE* err) {
  const std::shared_ptr<platform::TraceSink> sink = platform::CurrentTraceSink();
  if (sink && sink->Failed()) Complain(err, "the trace " + *options.traceFile + " could not be written completely");
}

}  // namespace

int RunConsoleUpgrade(const Options& options, const ConsoleStreams& streams, const wizard::StopRequest* stop) {
  const app::Layout layout = app::ChooseLayout(platform::CurrentDirectory(), app::InstalledFoldersOfThisProgram());
  i18n::LanguageTable table(platform::SystemCodePage());
  table.Load(layout.baseFolder, options.languageId.value_or(platform::SystemDefaultLanguageId()));
  if (const int refused = CheckFiles(options, layout.patchFilePath, table, streams.err); refused != kExitSuccess) {
    return refused;
  }
  if (!StartTrace(options, streams.err)) return kExitUsage;
  ReportPortFailures(streams.err);

  wizard::DialogContext context;
  context.baseFolder = layout.baseFolder;
  context.patchFilePath = layout.patchFilePath;
  context.languageTable = &table;
  context.imageActions = bootloader::kActionProgram | (options.verify ? bootloader::kActionVerify : 0);
  context.passwordFill = options.passwordFill.value_or(bootloader::kDefaultPasswordFill);
  context.recoverySerialNumber = options.serial;
  context.terminalAdvice = true;
  context.stopRequest = stop;

  ConsoleOutput output(streams.out, streams.err, streams.errIsTerminal);
  ConsoleWindow window(output, ConsoleAnswers{options.port, options.image, options.recovery},
                       [&](wizard::UpgradeDialog& dialog, wizard::DialogLoop& loop) {
                         PressButtons(options.recovery, dialog, loop, stop);
                       });
  wizard::UpgradeDialog dialog(window, context);
  window.RunModal(dialog);
  if (dialog.SerialPortIsOpen()) dialog.CloseSerialPort();
  ExplainDetection(dialog, streams.err);
  const int code = ExitCodeOf(dialog, stop);
  ReportTraceFailure(options, streams.err);
  platform::SetOpenFailureListener({});
  platform::SetTraceSink(nullptr);
  return code;
}

}  // namespace cli
