#pragma once
// Exit statuses of quorrel-upgrade: one for each way detection or an upgrade
// ends, so scripts and production lines can tell them apart.

namespace cli {

enum ExitCode : int {
  kExitSuccess = 0,
  kExitUsage = 1,             // bad options
  kExitPortNotOpened = 2,     // detection: the port could not be opened
  kExitNoIdentifyReply = 3,   // detection: the interface did not answer
  kExitUnknownModel = 4,      // detection: not a known Quorrel model
  kExitNoImage = 5,           // no --image given, or the image was not taken
  kExitImageMissing = 6,      // --image names no readable file
  kExitImageDamaged = 7,      // the image is damaged, empty or no regular file: nothing was sent
  kExitPatchDamaged = 8,      // PATCH.TXT is there but damaged: nothing was sent
  kExitPortInUse = 9,         // upgrade: the port is held by another program and no serial number is known
  kExitModelMismatch = 10,    // upgrade: the interface answered another model
  kExitIdentifyTimeout = 11,  // upgrade: no answer to identify
  kExitSerialTimeout = 12,    // upgrade: no answer to the serial-number read
  kExitLinkNotOpened = 13,    // upgrade: the boot-loader link did not open
  kExitEraseFailed = 14,      // upgrade: mass erase failed; the device stays in its loader
  kExitProgramFailed = 15,    // upgrade: password, patch or image failed; the device stays in its loader
  kExitLoaderRestartFailed = 16,  // upgrade: restarting the loader for the patch failed
  kExitWorkerNotStarted = 17,
  kExitSerialNotWritten = 18,  // programmed, but the serial number was not written back: use --recovery
  kExitStoppedUntouched = 19,  // stopped by a signal before the erase: the device was not changed
  kExitStoppedInLoader = 20,   // stopped by a signal after the erase: the device needs --recovery
  kExitNotWritten = 21,        // the run record of a device that succeeded, or a listing, was not written
  kExitJournalNotWritten = 22,  // the journal could not be written: nothing was erased
  kExitPortHeld = 25,          // another run holds the port; nothing was sent
  kExitLockFolderUnusable = 26,  // the lock folder is missing or cannot be written; nothing was sent
  kExitLockNotTaken = 27,        // a stale lock of the port cannot be removed; nothing was sent
  kExitPortsNotListed = 30,  // --list-ports: the device manager cannot be read
  kExitImageForOtherModel = 35,  // the image's name says another model (no --force); nothing was erased
  kExitSomeFailed = 36,          // gang: not every device succeeded (each one's status is in the summary)
  kExitInternal = 70,
};

}  // namespace cli
