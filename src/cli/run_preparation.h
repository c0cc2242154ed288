#pragma once
// What a terminal run does before any port opens, and after its devices have
// ended, whether it upgrades one interface or a gang of them: the folders and
// texts, the image and patch checked whole, the run's options for the
// dialog, and the run records.

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/layout.h"
#include "cli/device_run.h"
#include "cli/options.h"
#include "i18n/language_table.h"
#include "platform/serial_device.h"
#include "wizard/stop_request.h"

namespace cli {

struct PreparedRun {
  app::Layout layout;
  std::unique_ptr<i18n::LanguageTable> table;
};

// kExitSuccess, or the status of a file refused before anything was sent.
int PrepareRun(const Options& options, std::FILE* err, PreparedRun& prepared);

// kExitSuccess, or kExitLockFolderUnusable when the lock folder cannot take
// the lock of a port of the run, said on `err` before any port opens.
int RefuseUnusableLockFolder(const std::vector<std::string>& ports, const i18n::LanguageTable& table, std::FILE* err);

wizard::DialogOptions DialogOptionsOf(const Options& options, const wizard::StopRequest* stop);

// Why a port did not open, as the terminal says it.
std::string DescribeOpenFailure(const std::string& name, const platform::OpenResult& result);

// What the terminal says of a line in trouble. A device that has gone also
// refuses every line setting after it: once `lost` is set, only that it
// disappeared is said (empty text: nothing to say).
std::string DescribeLineTrouble(const std::string& device, platform::LineTrouble trouble, const std::string& detail,
                                std::atomic<bool>& lost);

// What the terminal adds to a detection the window leaves at "Unknown".
void ExplainDetection(const DeviceRun& run, std::FILE* err);

// Whether --report, if given, can take records: checked before any port
// opens, as the trace is. Says why not on `err`.
bool CheckRunRecordFile(const Options& options, std::FILE* err);

// Appends the run's record to --report, if given; says so on `err` when the
// record could not be written. False then. A wait for another process's lock
// on the file is bounded, and a `stop` raised during it ends it.
bool WriteRunRecord(const Options& options, const DeviceRun& run, std::FILE* err,
                    const wizard::StopRequest* stop = nullptr);

// The exit status of a run whose device ended with `deviceStatus`: what the
// device needs comes first; a missing record shows only when it needs nothing.
int StatusWithRecord(int deviceStatus, bool recorded);

}  // namespace cli
