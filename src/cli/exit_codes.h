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
  kExitModelMismatch = 10,    // upgrade: the interface answered another model
  kExitIdentifyTimeout = 11,  // upgrade: no answer to identify
  kExitSerialTimeout = 12,    // upgrade: no answer to the serial-number read
  kExitLinkNotOpened = 13,    // upgrade: the boot-loader link did not open
  kExitEraseFailed = 14,      // upgrade: mass erase failed; the device stays in its loader
  kExitProgramFailed = 15,    // upgrade: password, patch or image failed; the device stays in its loader
  kExitLoaderRestartFailed = 16,  // upgrade: restarting the loader for the patch failed
  kExitWorkerNotStarted = 17,
  kExitSerialNotWritten = 18,  // programmed, but the serial number was not written back: use --recovery
  kExitPortHeld = 25,          // another run holds the port; nothing was sent
  kExitInternal = 70,
};

}  // namespace cli
