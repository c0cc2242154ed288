#include "cli/gang_session.h"

#include <atomic>
#include <cctype>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "cli/console_write.h"
#include "cli/exit_codes.h"
#include "cli/exit_statuses.h"
#include "cli/gang_board.h"
#include "cli/port_list_file.h"
#include "cli/run_preparation.h"
#include "platform/port_discovery.h"
#include "platform/trace.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// One device's window texts, sent to its row of the board.
class RowSink final : public ConsoleSink {
 public:
  RowSink(GangBoard& board, std::size_t row) : board_(board), row_(row) {}
  void StatusLine(const std::string& line) override { board_.Status(row_, line); }
  void Message(const std::string& line) override { board_.Message(row_, line); }
  // The row's port marks the line as the terminal's.
  void Complaint(const std::string& text) override { board_.Message(row_, text); }
  void InterfaceKind(const std::string& kind) override { board_.Model(row_, kind); }
  void SerialNumber(const std::string& serial) override { board_.Serial(row_, serial); }
  void Programmed(std::int64_t sent, std::int64_t total) override {
    if (sent == 0) board_.ProgressRange(row_, 0, total);
    board_.Progress(row_, sent);
  }
  void Finish() override {}

 private:
  GangBoard& board_;
  std::size_t row_;
};

// The ports of the run, in the order given: --port, then the list file,
// then what discovery finds. Empty, with the reason on `err`, when they
// cannot all be had.
std::vector<std::string> CollectPorts(const Options& options, std::FILE* err) {
  std::vector<std::string> ports;
  std::string problem = AddPorts(ports, options.ports);
  if (problem.empty() && options.portsFile) {
    const PortListResult listed = ReadPortListFile(*options.portsFile);
    problem = listed.error.empty() ? AddPorts(ports, listed.ports) : listed.error;
  }
  if (problem.empty() && options.allPorts) {
    const platform::Discovery found = platform::DiscoverSystemPorts();
    std::vector<std::string> paths;
    for (const auto& port : found.ports) paths.push_back(port.path);
    problem = found.ok ? AddPorts(ports, paths) : "--all-ports: the device manager (udev) cannot be read";
  }
  if (problem.empty() && ports.empty()) problem = "no ports to upgrade";
  if (!problem.empty()) {
    Complain(err, problem);
    ports.clear();
  }
  return ports;
}

// "COM3.trace", "_dev_ttyUSB0.trace", "rfc2217___lab_4001.trace".
std::string TraceFileName(const std::string& port) {
  std::string name;
  for (char c : port) name += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.') ? c : '_';
  return name + ".trace";
}

// One per port, in the order of the ports; null: not traced.
using TraceSinks = std::vector<std::shared_ptr<platform::TraceSink>>;

// One trace per port in the folder --trace names; false when one cannot be
// made (nothing has been sent then).
bool OpenTraceFolder(const Options& options, const std::vector<std::string>& ports, std::FILE* err,
                     TraceSinks& sinks) {
  sinks.assign(ports.size(), nullptr);
  if (!options.traceFile) return true;
  std::error_code error;
  fs::create_directories(*options.traceFile, error);
  if (!fs::is_directory(*options.traceFile, error)) {
    Complain(err, "cannot write the traces to " + *options.traceFile + ": a gang run needs a folder there");
    return false;
  }
  for (std::size_t row = 0; row < ports.size(); ++row) {
    auto made = platform::MakeFileTraceSink((fs::path(*options.traceFile) / TraceFileName(ports[row])).string());
    if (!made.ok()) {
      Complain(err, "cannot write the trace of " + ports[row] + ": " + made.detail);
      return false;
    }
    sinks[row] = std::move(made.value);
  }
  return true;
}

// Narrower than this, live lines would wrap and redraw over each other: the
// board falls back to lines prefixed with their port.
constexpr std::size_t kLiveLineColumns = 60;

bool ShowsLiveLines(const ConsoleStreams& streams) {
  return streams.errIsTerminal && (streams.errColumns == 0 || streams.errColumns >= kLiveLineColumns);
}

// The last column stays free, so that a full row does not wrap.
std::size_t RowWidth(const ConsoleStreams& streams) { return streams.errColumns > 0 ? streams.errColumns - 1 : 100; }

GangResult ResultOf(const DeviceRun& run) {
  std::string serial = run.facts.serialWritten.value_or(run.facts.serialRead.value_or(""));
  return GangResult{run.port, serial, OutcomeWord(run.exitCode), run.exitCode, Seconds(run.start, run.end)};
}

}  // namespace

int RunGang(const Options& options, const ConsoleStreams& streams, const wizard::StopRequest* stop) {
  const std::vector<std::string> ports = CollectPorts(options, streams.err);
  if (ports.empty()) return kExitUsage;
  PreparedRun prepared;
  if (const int refused = PrepareRun(options, streams.err, prepared); refused != kExitSuccess) return refused;
  if (const int refused = RefuseUnusableLockFolder(ports, *prepared.table, streams.err); refused != kExitSuccess) {
    return refused;
  }
  TraceSinks traces;
  if (!OpenTraceFolder(options, ports, streams.err, traces)) return kExitUsage;
  if (!CheckRunRecordFile(options, streams.err)) return kExitUsage;

  const bool live = ShowsLiveLines(streams);
  GangBoard board(live ? streams.err : streams.out, streams.err, live, RowWidth(streams), ports, prepared.table.get());

  const RunSetup setup{prepared.layout, prepared.table.get(), DialogOptionsOf(options, stop)};
  std::vector<DeviceRun> runs(ports.size());
  std::atomic<bool> allRecorded{true};
  std::vector<std::thread> devices;
  for (std::size_t row = 0; row < ports.size(); ++row) {
    devices.emplace_back([&, row] {
      RowSink sink(board, row);
      // Each device reports to its own row and trace, whatever name it opened under.
      runs[row] = RunDevice(setup, options, ports[row], sink, traces[row]);
      // Written as soon as the device ends: a kill later loses nothing.
      if (!WriteRunRecord(options, runs[row], streams.err, stop)) allRecorded = false;
    });
  }
  for (auto& device : devices) device.join();
  board.Finish();

  std::vector<GangResult> results;
  bool allSucceeded = true;
  for (const DeviceRun& run : runs) {
    results.push_back(ResultOf(run));
    allSucceeded = allSucceeded && run.exitCode == kExitSuccess;
  }
  WriteConsoleText(streams.out, FormatGangSummary(results), streams.err);
  return allSucceeded ? StatusWithRecord(kExitSuccess, allRecorded) : kExitSomeFailed;
}

}  // namespace cli
