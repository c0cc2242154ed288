#pragma once
// Exit statuses of quorrel-upgrade: one for each way detection or an upgrade
// ends, so scripts and production lines can tell them apart. What each one
// means, in the help's, the manual's and the run record's words, is in the
// table of exit_statuses.cpp.

namespace cli {

enum ExitCode : int {
  kExitSuccess = 0,
  kExitUsage = 1,
  kExitPortNotOpened = 2,
  kExitNoIdentifyReply = 3,
  kExitUnknownModel = 4,
  kExitNoImage = 5,
  kExitImageMissing = 6,
  kExitImageDamaged = 7,
  kExitPatchDamaged = 8,
  kExitPortInUse = 9,
  kExitModelMismatch = 10,
  kExitIdentifyTimeout = 11,
  kExitSerialTimeout = 12,
  kExitLinkNotOpened = 13,
  kExitEraseFailed = 14,
  kExitProgramFailed = 15,
  kExitLoaderRestartFailed = 16,
  kExitWorkerNotStarted = 17,
  kExitSerialNotWritten = 18,
  kExitStoppedUntouched = 19,
  kExitStoppedInLoader = 20,
  kExitNotWritten = 21,
  kExitJournalNotWritten = 22,
  kExitPortHeld = 25,
  kExitLockFolderUnusable = 26,
  kExitLockNotTaken = 27,
  kExitPortsNotListed = 30,
  kExitImageForOtherModel = 35,
  kExitSomeFailed = 36,
  kExitInternal = 70,
};

}  // namespace cli
