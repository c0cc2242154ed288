#pragma once
// What the COM port backend tells the driver, and how it reads the
// driver's errors: kept apart from the I/O so that both can be checked
// without a port.

#include <windows.h>

#include "platform/serial_device.h"

namespace platform::win32 {

// The line-settings record for `settings`, on top of what the driver
// reported (`current`): binary mode, parity checked, no flow control of any
// kind, no NUL discarding, no error replacement, DTR and RTS held as asked.
// An error does not stop the port's I/O until it is cleared. Everything
// else keeps the driver's value. False when the driver could not carry the
// settings (a data size outside 5 to 8).
bool FillLineSettings(const LineSettings& settings, DCB& dcb);

// Time-outs under which a read returns at once with what waits, or else as
// soon as one byte comes, or with nothing after `readWaitMs` (1 to
// MAXDWORD - 1); and a write hands back what it could not send within
// `writeChunkMs`, so the writer sees its progress and can tell a stuck line
// from a slow one.
COMMTIMEOUTS PortTimeouts(DWORD readWaitMs, DWORD writeChunkMs);

// Errors that mean the device has gone for good: a USB adapter pulled out
// answers every call with one of these.
bool MeansDeviceGone(DWORD error);

// A read that ran into its time-out: nothing was read, nothing failed.
bool MeansNothingRead(DWORD error);

}  // namespace platform::win32
