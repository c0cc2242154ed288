// Linked into every Windows program and test: a crash ends the process with
// a failure status and a line on standard error, never with a dialog or a
// debugger. (Under Wine a crash left to the system can even end with
// status 0, and a crashing test would pass.)

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Not the exception code: Wine hands only its low byte to Linux, which can
// be 0. No exit status of the programs' own is this one.
constexpr UINT kCrashStatus = 255;

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
  const DWORD code = info != nullptr && info->ExceptionRecord != nullptr ? info->ExceptionRecord->ExceptionCode : 0;
  char text[80];
  const int length = std::snprintf(text, sizeof text, "\nthe program crashed: exception 0x%08lX\n",
                                   static_cast<unsigned long>(code));
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(length), &written, nullptr);
  TerminateProcess(GetCurrentProcess(), kCrashStatus);
  return EXCEPTION_EXECUTE_HANDLER;
}

struct CrashExit {
  CrashExit() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(OnUnhandledException);
  }
};

const CrashExit installed;

}  // namespace
