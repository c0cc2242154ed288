#pragma once
// One interface's upgrade from the terminal: the dialog logic with the
// buttons pressed as a user would (File..., Upgrade, Exit after a failure),
// its window's texts going to a sink. A single run has one; a gang run has
// one per port, each on its own thread.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialog_setup.h"
#include "cli/console_sink.h"
#include "cli/options.h"
#include "cli/run_record.h"
#include "i18n/language_table.h"
#include "platform/trace.h"
#include "wizard/upgrade_dialog.h"

namespace cli {

// What every device of a run shares, fixed before any port opens.
struct RunSetup {
  app::Layout layout;
  const i18n::LanguageTable* table = nullptr;
  wizard::DialogOptions dialog;
};

struct DeviceRun {
  std::string port;
  int exitCode = 0;
  std::string model;          // the kind field as the dialog showed it
  std::string identifyReply;  // what the interface answered to identify
  wizard::UpgradeFacts facts;
  std::shared_ptr<const bootloader::FirmwareImage> image;
  std::string imagePath;
  std::chrono::system_clock::time_point start, end;
  // Notes of earlier runs on the device that never ended, as this run found them.
  std::vector<wizard::FoundNote> journalFound;
};

// The run says on `sink` why its port did not open and what troubles its
// line met, and traces its traffic to `trace` (null: not traced).
DeviceRun RunDevice(const RunSetup& setup, const Options& options, const std::string& port, ConsoleSink& sink,
                    const std::shared_ptr<platform::TraceSink>& trace = nullptr);

// The record of one device's run: `host` and `version` name the machine and
// this program.
RunRecord RecordOf(const DeviceRun& run, const std::string& host, const std::string& version);
// The record of a run that left a journal note and never ended (a kill, a
// crash, a power cut), as far as its note tells.
RunRecord InterruptedRecordOf(const wizard::JournalNote& note, const std::string& host, const std::string& version);

// Seconds between two points of a run.
double Seconds(std::chrono::system_clock::time_point from, std::chrono::system_clock::time_point to);

}  // namespace cli
