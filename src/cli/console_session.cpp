#include "cli/console_session.h"

#include <memory>

#include "cli/console_output.h"
#include "cli/console_write.h"
#include "cli/device_run.h"
#include "cli/exit_codes.h"
#include "cli/gang_session.h"
#include "cli/run_preparation.h"
#include "platform/regular_file.h"
#include "platform/trace.h"

namespace cli {
namespace {

// The trace file, or null when none was asked for; false when it cannot be
// written (nothing has been sent then).
bool OpenTraceFile(const Options& options, std::FILE* err, std::shared_ptr<platform::TraceSink>& sink) {
  if (!options.traceFile) return true;
  // A pipe or a device would block the program, a folder cannot take it.
  if (!platform::IsAbsentOrRegularFile(*options.traceFile)) {
    Complain(err, "cannot write the trace to " + *options.traceFile + ": it is not a regular file");
    return false;
  }
  auto made = platform::MakeFileTraceSink(*options.traceFile);
  if (!made.ok()) Complain(err, "cannot write the trace to " + *options.traceFile + ": " + made.detail);
  sink = std::move(made.value);
  return made.ok();
}

int RunOneInterface(const Options& options, const ConsoleStreams& streams, const wizard::StopRequest* stop) {
  PreparedRun prepared;
  if (const int refused = PrepareRun(options, streams.err, prepared); refused != kExitSuccess) return refused;
  if (const int refused = RefuseUnusableLockFolder(options.ports, *prepared.table, streams.err); refused != kExitSuccess) {
    return refused;
  }
  std::shared_ptr<platform::TraceSink> trace;
  if (!OpenTraceFile(options, streams.err, trace)) return kExitUsage;
  if (!CheckRunRecordFile(options, streams.err)) return kExitUsage;

  const RunSetup setup{prepared.layout, prepared.table.get(), DialogOptionsOf(options, stop)};
  ConsoleOutput output(streams.out, streams.err, streams.errIsTerminal, prepared.table.get());
  const DeviceRun run = RunDevice(setup, options, options.ports.front(), output, trace);
  ExplainDetection(run, streams.err);
  if (trace && trace->Failed()) Complain(streams.err, "the trace " + *options.traceFile + " could not be written completely");
  const bool recorded = WriteRunRecord(options, run, streams.err, stop);
  return StatusWithRecord(run.exitCode, recorded);
}

}  // namespace

int RunConsoleUpgrade(const Options& options, const ConsoleStreams& streams, const wizard::StopRequest* stop) {
  if (IsGangRun(options)) return RunGang(options, streams, stop);
  return RunOneInterface(options, streams, stop);
}

}  // namespace cli
