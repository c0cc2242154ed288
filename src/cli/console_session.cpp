#include "cli/console_session.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>

#include "app/layout.h"
#include "cli/console_window.h"
#include "cli/exit_codes.h"
#include "i18n/language_table.h"
#include "platform/codepage.h"
#include "platform/port_hold.h"
#include "platform/port_names.h"
#include "platform/process.h"
#include "platform/trace.h"
#include "resources/dialog_ids.h"
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

// Troubles the port classes keep to themselves. A device that has gone also
// refuses every line setting after it: say only that it disappeared.
void ReportLineTroubles(std::FILE* err) {
  auto lost = std::make_shared<std::atomic<bool>>(false);
  platform::SetLineTroubleListener([err, lost](const std::string& device, platform::LineTrouble trouble,
                                               const std::string& detail) {
    const std::string name = platform::StripDevicePrefix(device);
    if (trouble == platform::LineTrouble::Lost) {
      lost->store(true);
      Complain(err, "the device " + name + " disappeared (" + detail + "); check the cable and the adapter");
    } else if (!lost->load()) {
      Complain(err, name + " refused the line settings " + detail);
    }
  });
}

// One run holds its port from start to end, across the opens of its phases.
std::unique_ptr<platform::PortHold> HoldTheRun(const Options& options, std::FILE* err) {
  platform::HoldResult held = platform::HoldPort(options.port);
  if (!held.hold) {
    Complain(err, options.port + " is held by " + platform::DescribeHolder(held.owner) +
                      ": another run is using the interface; nothing was sent");
  }
  return std::move(held.hold);
}

bool StartTrace(const Options& options, std::FILE* err) {
  if (!options.traceFile) return true;
  std::string error;
  auto sink = platform::MakeFileTraceSink(*options.traceFile, &error);
  if (!sink) {
    Complain(err, "cannot write the trace to " + *options.traceFile + ": " + error);
    return false;
  }
  platform::SetTraceSink(std::move(sink));
  return true;
}

bool ImageReadable(const Options& options, std::FILE* err) {
  if (!options.image) return true;
  std::ifstream file(*options.image, std::ios::binary);
  if (file) return true;
  Complain(err, "cannot read the image " + *options.image);
  return false;
}

// Presses the buttons a user would: File..., Upgrade, and Exit after a failure.
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
    default: return kExitInternal;
  }
}

int ExitCodeOf(const wizard::UpgradeDialog& dialog) {
  if (dialog.LastDetection() != DetectionOutcome::ImageChosen) return DetectionExitCode(dialog.LastDetection());
  return UpgradeExitCode(dialog.LastUpgrade());
}

}  // namespace

int RunConsoleUpgrade(const Options& options, const ConsoleStreams& streams) {
  if (!ImageReadable(options, streams.err)) return kExitImageMissing;
  const std::unique_ptr<platform::PortHold> hold = HoldTheRun(options, streams.err);
  if (!hold) return kExitPortHeld;
  if (!StartTrace(options, streams.err)) return kExitUsage;
  ReportPortFailures(streams.err);
  ReportLineTroubles(streams.err);

  const app::Layout layout = app::ComputeLayout(platform::CurrentDirectory());
  i18n::LanguageTable table(platform::SystemCodePage());
  table.Load(layout.baseFolder, options.languageId.value_or(platform::SystemDefaultLanguageId()));

  wizard::DialogContext context;
  context.baseFolder = layout.baseFolder;
  context.patchFilePath = layout.patchFilePath;
  context.languageTable = &table;
  context.imageActions = bootloader::kActionProgram | (options.verify ? bootloader::kActionVerify : 0);
  context.passwordFill = options.passwordFill.value_or(bootloader::kDefaultPasswordFill);
  context.recoverySerialNumber = options.serial;

  ConsoleOutput output(streams.out, streams.err, streams.errIsTerminal);
  ConsoleWindow window(output, ConsoleAnswers{options.port, options.image, options.recovery},
                       [&](wizard::UpgradeDialog& dialog, wizard::DialogLoop& loop) {
                         PressButtons(options.recovery, dialog, loop);
                       });
  wizard::UpgradeDialog dialog(window, context);
  window.RunModal(dialog);
  if (dialog.SerialPortIsOpen()) dialog.CloseSerialPort();
  const int code = ExitCodeOf(dialog);
  platform::SetOpenFailureListener({});
  platform::SetLineTroubleListener({});
  platform::SetTraceSink(nullptr);
  return code;
}

}  // namespace cli
