#pragma once
// The options of both programs in one table: the terminal's (quorrel-upgrade)
// for one interface, for a gang of them, or on their own, and the window's
// (quorrel-upgrade-wizard). The parsers, the help texts and the manual pages
// all read it, so none of them can name an option the others do not know.

#include <span>
#include <string_view>
#include <vector>

namespace app {

inline constexpr std::string_view kTerminalProgram = "quorrel-upgrade";
inline constexpr std::string_view kWindowProgram = "quorrel-upgrade-wizard";

enum class OptionId {
  Port,
  PortsFile,
  AllPorts,
  Image,
  Recovery,
  Serial,
  Verify,
  Force,
  Lang,
  PasswordFill,
  Trace,
  Report,
  ListPorts,
  Help,
  Version,
};

// The runs an option belongs to, as bits.
enum OptionUse : unsigned {
  kOneInterface = 1u << 0,  // quorrel-upgrade with one port
  kGang = 1u << 1,          // quorrel-upgrade with several ports at once
  kAlone = 1u << 2,         // quorrel-upgrade with nothing else (--list-ports, --help)
  kWindow = 1u << 3,        // quorrel-upgrade-wizard
  kTerminal = kOneInterface | kGang | kAlone,
};

struct OptionEntry {
  OptionId id;
  std::string_view name;       // "--port"
  std::string_view shortName;  // "-h", or empty
  std::string_view argument;   // "NAME"; empty for an option that takes no value
  unsigned uses;
  std::string_view help;  // what it does, in the help's and the manual's words
};

std::span<const OptionEntry> OptionTable();

const OptionEntry& OptionOf(OptionId id);

// The options of the runs in `uses`, in the table's order.
std::vector<const OptionEntry*> OptionsFor(unsigned uses);

// One form of a program's command line, after the program's name, as the
// help's usage lines and the manual's synopsis show it. It names exactly the
// options of its runs.
struct UsageForm {
  unsigned uses;
  std::string_view text;
};

// The forms of the program whose runs are `program` (kTerminal or kWindow).
std::vector<UsageForm> UsageFormsFor(unsigned program);

}  // namespace app
