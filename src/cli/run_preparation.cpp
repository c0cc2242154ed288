#include "cli/run_preparation.h"

#include <unistd.h>

#include <filesystem>

#include "app/upgrade_app.h"
#include "bootloader/firmware_image.h"
#include "cli/exit_codes.h"
#include "cli/record_file.h"
#include "platform/port_discovery.h"
#include "platform/port_names.h"
#include "platform/process.h"
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

// The USB adapter's own serial number, when the device is one the device
// manager knows (a by-id name counts as the node it links to).
std::optional<std::string> AdapterSerialOf(const std::string& device) {
  if (!device.starts_with("/dev/")) return std::nullopt;
  std::error_code error;
  const std::string node = std::filesystem::weakly_canonical(device, error).string();
  for (const platform::PortInfo& port : platform::DiscoverSystemPorts().ports) {
    if ((port.path == node || port.path == device) && port.usb && !port.serialNumber.empty()) return port.serialNumber;
  }
  return std::nullopt;
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace

void Complain(std::FILE* err, const std::string& text) { std::fprintf(err, "quorrel-upgrade: %s\n", text.c_str()); }

int PrepareRun(const Options& options, std::FILE* err, PreparedRun& prepared) {
  const app::StartUpServices system;
  prepared.layout = app::ChooseLayout(system.currentDirectory(), system.installedFolders());
  prepared.table = std::make_unique<i18n::LanguageTable>(platform::SystemCodePage());
  prepared.table->Load(prepared.layout.baseFolder, options.languageId.value_or(system.languageId()));
  return CheckFiles(options, prepared.layout.patchFilePath, *prepared.table, err);
}

app::DialogOptions DialogOptionsOf(const Options& options, const wizard::StopRequest* stop) {
  app::DialogOptions dialog;
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

bool WriteRunRecord(const Options& options, const DeviceRun& run, std::FILE* err) {
  if (!options.reportFile) return true;
  RunRecord record = RecordOf(run, HostName(), QUORREL_VERSION);
  record.adapterSerial = AdapterSerialOf(record.device);
  const AppendResult appended = AppendRecordLine(*options.reportFile, FormatRunRecord(record));
  if (!appended.ok) Complain(err, "the run record for " + run.port + " was not written: " + appended.reason);
  return appended.ok;
}

}  // namespace cli
