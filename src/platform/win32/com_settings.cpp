#include "platform/win32/com_settings.h"

namespace platform::win32 {

bool FillLineSettings(const LineSettings& settings, DCB& dcb) {
  if (settings.dataBits < 5 || settings.dataBits > 8) return false;
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = settings.baudRate;
  dcb.ByteSize = settings.dataBits;
  // The record's encodings are the driver's own: 0 none .. 4 space; 0 one,
  // 1 one and a half, 2 two stop bits.
  dcb.Parity = static_cast<BYTE>(settings.parity);
  dcb.StopBits = static_cast<BYTE>(settings.stopBits);
  dcb.fBinary = TRUE;
  dcb.fParity = TRUE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = settings.dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
  dcb.fRtsControl = settings.rts ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fNull = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.XonLim = 100;
  dcb.XoffLim = 100;
  // With abort-on-error, one parity error would fail every read and write
  // until someone cleared it: a byte would go missing without a word.
  dcb.fAbortOnError = FALSE;
  return true;
}

COMMTIMEOUTS PortTimeouts(DWORD readWaitMs, DWORD writeChunkMs) {
  COMMTIMEOUTS timeouts{};
  // Both MAXDWORD and a constant between: the system's setting for "return
  // what waits, else the first byte that comes, else nothing in time".
  timeouts.ReadIntervalTimeout = MAXDWORD;
  timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
  timeouts.ReadTotalTimeoutConstant = readWaitMs < 1 ? 1 : readWaitMs >= MAXDWORD ? MAXDWORD - 1 : readWaitMs;
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = writeChunkMs;
  return timeouts;
}

bool MeansDeviceGone(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_OPERATION_ABORTED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_GEN_FAILURE:
    case ERROR_INVALID_HANDLE:
    case ERROR_FILE_NOT_FOUND:
    // What Wine gives for a tty whose line has gone.
    case ERROR_NOT_READY:
    case ERROR_IO_DEVICE:
    case ERROR_DEV_NOT_EXIST:
      return true;
    default:
      return false;
  }
}

bool MeansNothingRead(DWORD error) { return error == ERROR_TIMEOUT || error == ERROR_SEM_TIMEOUT; }

}  // namespace platform::win32
