#include "packaging/man_page_facts.h"

#include "app/option_table.h"
#include "app/window_command_line.h"
#include "cli/exit_statuses.h"
#include "sim/server/server_options.h"

namespace man {
namespace {

PageFacts FactsOfProgram(std::string_view program, unsigned uses) {
  PageFacts facts;
  facts.program = program;
  for (const app::UsageForm& form : app::UsageFormsFor(uses)) facts.synopsis.emplace_back(form.text);
  for (const app::OptionEntry* entry : app::OptionsFor(uses)) {
    facts.options.push_back({entry->name, entry->shortName, entry->argument, entry->help});
  }
  return facts;
}

PageFacts TerminalFacts() {
  PageFacts facts = FactsOfProgram(app::kTerminalProgram, app::kTerminal);
  for (const cli::ExitStatusFact& fact : cli::ExitStatusFacts()) facts.statuses.push_back({fact.code, fact.manual});
  return facts;
}

PageFacts WindowFacts() {
  PageFacts facts = FactsOfProgram(app::kWindowProgram, app::kWindow);
  for (const app::ExitStatusWording& status : app::WindowExitStatuses()) {
    facts.statuses.push_back({status.code, status.text});
  }
  return facts;
}

PageFacts SimFacts() {
  PageFacts facts;
  facts.program = sim::server::kServerProgram;
  facts.synopsis = {sim::server::ServerSynopsis()};
  for (const sim::server::ServerOptionEntry& entry : sim::server::ServerOptionTable()) {
    facts.options.push_back({entry.name, entry.shortName, entry.argument, entry.help});
  }
  for (const sim::server::ServerExitStatus& status : sim::server::ServerExitStatuses()) {
    facts.statuses.push_back({status.code, status.text});
  }
  return facts;
}

}  // namespace

std::optional<PageFacts> FactsOf(std::string_view program) {
  if (program == app::kTerminalProgram) return TerminalFacts();
  if (program == app::kWindowProgram) return WindowFacts();
  if (program == sim::server::kServerProgram) return SimFacts();
  return std::nullopt;
}

}  // namespace man
