#include "cli/exit_statuses.h"

#include "app/help_text.h"

namespace cli {
namespace {

constexpr ExitStatusFact kFacts[] = {
    {kExitSuccess, "succeeded", "the upgrade succeeded", "the upgrade succeeded"},
    {kExitUsage, "bad-options", "bad options: nothing was sent", "bad options (nothing was sent)"},
    {kExitPortNotOpened, "port-not-opened", "the port could not be opened", "the port could not be opened"},
    {kExitNoIdentifyReply, "no-reply", "the interface did not answer the identify command",
     "the interface did not answer the identify command"},
    {kExitUnknownModel, "unknown-model", "the interface is not a known Quorrel model",
     "the interface is not a known Quorrel model"},
    {kExitNoImage, "no-image", "no image was chosen (--image missing)",
     "no image chosen (`--image` missing: the images are listed)"},
    {kExitImageMissing, "image-unreadable", "the image file cannot be read", "the image file cannot be read"},
    {kExitImageDamaged, "image-damaged", "the image is damaged, holds no data or is no regular file: nothing was sent",
     "the image is damaged, holds no data, or is not a regular file: nothing was sent"},
    {kExitPatchDamaged, "patch-damaged", "PATCH.TXT is damaged: nothing was sent",
     "`PATCH.TXT` is there but damaged: nothing was sent"},
    {kExitPortInUse, "port-in-use",
     "the port is in use by another program and no serial number has been read: nothing was changed",
     "the port is in use by another program and no serial number has been read: nothing was changed"},
    {kExitModelMismatch, "model-mismatch", "the interface answered another model than at detection",
     "the interface answered another model than at detection; the device still runs its firmware"},
    {kExitIdentifyTimeout, "identify-timed-out", "no answer to identify during the upgrade",
     "no answer to identify during the upgrade; the device still runs its firmware (or is blank: use "
     "`--recovery`)"},
    {kExitSerialTimeout, "serial-read-timed-out", "no answer to the serial-number read",
     "no answer to the serial-number read; the device still runs its firmware"},
    {kExitLinkNotOpened, "loader-link-not-opened", "the boot-loader link could not be opened",
     "the boot-loader link could not be opened"},
    {kExitEraseFailed, "erase-failed", "mass erase failed: the device stays in its loader; use --recovery",
     "mass erase failed: the device stays in its loader; run again with `--recovery`"},
    {kExitProgramFailed, "programming-failed",
     "password, patch or image programming failed: the device stays in its loader; use --recovery",
     "password, patch or image programming failed: the device stays in its loader; run again with `--recovery`"},
    {kExitLoaderRestartFailed, "loader-restart-failed",
     "restarting the loader for its patch failed: the device stays in its loader; use --recovery",
     "restarting the loader for its patch failed: the device stays in its loader; run again with `--recovery`"},
    {kExitWorkerNotStarted, "not-started", "the upgrade could not be started", "the upgrade could not be started"},
    {kExitSerialNotWritten, "serial-not-written",
     "programmed, but the serial number did not arrive on the device (it is read back); run again with "
     "--recovery --serial SN to write it",
     "programmed, but the serial number did not arrive on the device (it is read back after the write): run again "
     "with `--recovery --serial SN`"},
    {kExitStoppedUntouched, "stopped-untouched",
     "stopped by a signal before anything was erased: the device was not changed (one already in its boot loader "
     "is restarted into its firmware)",
     "stopped by SIGINT, SIGTERM or SIGHUP before anything was erased: the device was not changed (one already in "
     "its boot loader is restarted into its firmware)"},
    {kExitStoppedInLoader, "stopped-needs-recovery",
     "stopped by a signal in the boot loader after the erase, after a whole block: the device has no working "
     "firmware; run again with --recovery --serial SN",
     "stopped by a signal in the boot loader after the erase, after a whole block: the device has no working "
     "firmware; run again with `--recovery --serial SN`"},
    {kExitNotWritten, "record-not-written",
     "the device succeeded, but its run record (--report) could not be written; or --list-ports, --help or "
     "--version could not write its listing",
     "the device succeeded, but its run record (`--report`) could not be written (the message says why); or "
     "`--list-ports`, `--help` or `--version` could not write its listing"},
    {kExitJournalNotWritten, "journal-not-written", "the journal could not be written: nothing was erased",
     "the journal could not be written in the state folder: nothing was erased, the device still runs its "
     "firmware"},
    {kExitPortHeld, "port-held-by-another-run", "another run holds the port (its process is named); nothing was sent",
     "another run holds the port (the message names its process); nothing was sent"},
    {kExitLockFolderUnusable, "lock-folder-unusable",
     "the lock folder (/run/lock, or $QUORREL_LOCK_DIR) is missing or cannot be written: the port cannot be "
     "locked; nothing was sent",
     "the lock folder (`/run/lock`, or `$QUORREL_LOCK_DIR`) is missing, no folder, or cannot be written: the port "
     "cannot be locked; nothing was sent"},
    {kExitLockNotTaken, "lock-not-taken", "a stale lock of the port cannot be removed by this user; nothing was sent",
     "a stale lock of the port cannot be removed by this user; nothing was sent"},
    {kExitPortsNotListed, "ports-not-listed", "--list-ports: the device manager (udev) cannot be read",
     "`--list-ports`: the device manager (udev) cannot be read"},
    {kExitImageForOtherModel, "image-for-other-model",
     "the image's name says it is for another model than the interface's: nothing was erased (--force takes it)",
     "the image's file name says it is for another model than the interface's: nothing was erased; `--force` "
     "takes it"},
    {kExitSomeFailed, "not-all-succeeded",
     "a gang run where not every device succeeded (see the summary and the records)",
     "a gang run in which not every interface succeeded: each one's status is in the summary and its record"},
    {kExitInternal, "internal-error", "an internal error",
     "an internal error: the standard streams could not be set up, or a run ended in a way the program does not "
     "know"},
};

}  // namespace

std::span<const ExitStatusFact> ExitStatusFacts() { return kFacts; }

std::string OutcomeWord(int exitCode) {
  for (const ExitStatusFact& fact : kFacts) {
    if (fact.code == exitCode) return std::string(fact.outcome);
  }
  return "internal-error";
}

std::string ExitStatusHelp() {
  std::string text;
  for (const ExitStatusFact& fact : kFacts) {
    std::string number = std::to_string(static_cast<int>(fact.code));
    text += std::string(4 - number.size(), ' ') + number + "  " + app::WrapText(fact.help, 6, 6);
  }
  return text;
}

}  // namespace cli
