#include "cli/options.h"

#include <charconv>

#include "device/serial_number.h"

namespace cli {
namespace {

template <typename T>
std::optional<T> ParseNumber(const std::string& text, int base, unsigned long max) {
  unsigned long value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || ec != std::errc() || ptr != end || value > max) return std::nullopt;
  return static_cast<T>(value);
}

// Takes the value of an option that needs one; false when it is missing.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, std::string& value) {
  if (i + 1 >= args.size()) return false;
  value = args[++i];
  return true;
}

// One image goes to many interfaces, and each keeps the serial number it has.
std::string CheckGangCombination(const Options& options) {
  if (!options.image) return "several ports need --image";
  if (options.recovery || options.serial) return "--recovery upgrades one interface at a time (with its --serial)";
  return {};
}

std::string CheckCombination(const Options& options) {
  if (options.help) return {};
  if (options.listPorts) return options.ports.empty() && !options.image ? std::string() : "--list-ports goes alone";
  if (IsGangRun(options)) return CheckGangCombination(options);
  if (options.ports.empty()) return "--port is required";
  if (options.serial && !options.recovery) return "--serial goes with --recovery";
  if (options.serial && !device::IsExactSerialNumber(*options.serial))
    return "--serial " + *options.serial +
           " is not a serial number: it has exactly 10 characters, \"QR\", a letter or digit, then 7 digits "
           "(QRA1234567)";
  return {};
}

}  // namespace

bool IsGangRun(const Options& options) {
  return options.ports.size() > 1 || options.portsFile.has_value() || options.allPorts;
}

ParseResult ParseOptions(const std::vector<std::string>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    auto needValue = [&]() { return TakeValue(args, i, value); };
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--list-ports") {
      options.listPorts = true;
    } else if (arg == "--recovery") {
      options.recovery = true;
    } else if (arg == "--all-ports") {
      options.allPorts = true;
    } else if (arg == "--verify") {
      options.verify = true;
    } else if (arg == "--force") {
      options.force = true;
    } else if (arg == "--port" || arg == "--image" || arg == "--serial" || arg == "--lang" ||
               arg == "--password-fill" || arg == "--trace" || arg == "--ports-file" || arg == "--report") {
      if (!needValue()) return {std::nullopt, arg + " needs a value"};
      if (arg == "--port") {
        options.ports.push_back(value);
      } else if (arg == "--ports-file") {
        options.portsFile = value;
      } else if (arg == "--report") {
        options.reportFile = value;
      } else if (arg == "--image") {
        options.image = value;
      } else if (arg == "--serial") {
        options.serial = value;
      } else if (arg == "--trace") {
        options.traceFile = value;
      } else if (arg == "--lang") {
        options.languageId = ParseNumber<std::uint16_t>(value, 10, 0xFFFF);
        if (!options.languageId) return {std::nullopt, "--lang takes a language identifier from 0 to 65535"};
      } else {
        options.passwordFill = ParseNumber<std::uint8_t>(value, 16, 0xFF);
        if (!options.passwordFill) return {std::nullopt, "--password-fill takes one byte in hexadecimal (00 to FF)"};
      }
    } else {
      return {std::nullopt, "unknown option " + arg};
    }
  }
  if (std::string problem = CheckCombination(options); !problem.empty()) return {std::nullopt, problem};
  return {options, {}};
}

std::string UsageText() {
  return R"(Usage: quorrel-upgrade --port NAME --image FILE [--recovery [--serial SN]] [--verify]
                       [--force] [--lang ID] [--password-fill HEX] [--trace FILE]
                       [--report FILE]
       quorrel-upgrade --port NAME --port NAME ... | --ports-file FILE | --all-ports
                       --image FILE [--verify] [--force] [--trace DIR] [--report FILE]
       quorrel-upgrade --list-ports

Upgrades the application firmware of a Quorrel interface, as the wizard's window
does: File..., then Upgrade.

  --port NAME          COM1..COM16, a device path (/dev/ttyUSB0), sim[:options]
                       or rfc2217://HOST:PORT
  --image FILE         the firmware image (*.mbl); without it the images of the
                       interface's folder are listed
  --recovery           Interface Recovery: no talk with the application firmware
  --serial SN          with --recovery: the serial number to write back (from the
                       device's label, exactly as QRA1234567); without it, the
                       number an earlier run on the device kept in the journal,
                       else QRX0000000
  --verify             read every programmed block back and compare
  --force              program an image whose name says it is for another
                       model (QRA*.mbl is for the Apex, QRT*.mbl for the Tern
                       and Tern II Memory); without it such an image is refused
  --lang ID            language identifier (1033 English, 1042 Korean, ...)
  --password-fill HEX  the loader password's fill byte (default FF)
  --trace FILE         write every byte on the wire, both ways, to FILE (a
                       regular file; a folder, pipe or device is refused)
  --report FILE        append one JSON line per device upgrade to FILE (see
                       the README for its fields); FILE is checked before any
                       port opens, and a record waits at most 5 seconds for
                       another process's lock on it (Ctrl-C ends the wait)
  --ports-file FILE    upgrade the ports FILE names (one a line, # comments)
                       at once, with --port too; --all-ports takes every port
                       --list-ports finds. A gang run shows one line per
                       device on a terminal, else lines prefixed [PORT], and
                       ends with a summary; --trace then names a folder that
                       gets one trace per port
  --list-ports         list the serial ports this machine has (device path,
                       /dev/serial/by-id name, driver, USB ids and names) and
                       whether you may open each one

The image and PATCH.TXT are read whole and checked before anything is sent:
a damaged file is refused with its line and what is wrong, and nothing is
erased. Ctrl-C (or SIGTERM, SIGHUP) stops at a safe point: before the boot
loader the device is left as it was; in the loader the block under way is
finished and the serial number to recover with is named. Before the first
erase, a note of the device and its serial number goes into the journal
($XDG_STATE_HOME/quorrel-upgrade/, by default ~/.local/state/quorrel-upgrade/);
it stays while the device may be left in its loader, so the next run finds it.

Standard output: the status list, one line each. Standard error: messages,
the interface kind and serial number, and a progress bar of the programmed
bytes on a terminal. Output that cannot be written (a reader that went away,
a full disk) is noted once and never stops the run.

Exit status:
   0  the upgrade succeeded
   1  bad options
   2  the port could not be opened
   3  the interface did not answer the identify command
   4  the interface is not a known Quorrel model
   5  no image was chosen (--image missing)
   6  the image file cannot be read
   7  the image is damaged, holds no data or is no regular file: nothing was sent
   8  PATCH.TXT is damaged: nothing was sent
   9  the port is in use by another program and no serial number has been read:
      nothing was changed
  10  the interface answered another model than at detection
  11  no answer to identify during the upgrade
  12  no answer to the serial-number read
  13  the boot-loader link could not be opened
  14  mass erase failed: the device stays in its loader; use --recovery
  15  password, patch or image programming failed: the device stays in its loader; use --recovery
  16  restarting the loader for its patch failed: the device stays in its loader; use --recovery
  17  the upgrade could not be started
  18  programmed, but the serial number did not arrive on the device (it is
      read back); run again with --recovery --serial SN to write it
  19  stopped by a signal before anything was erased: the device was not
      changed (one already in its boot loader is restarted into its firmware)
  20  stopped by a signal in the boot loader after the erase, after a whole
      block: the device has no working firmware; run again with --recovery
      --serial SN
  21  the device succeeded, but its run record (--report) could not be written;
      or --list-ports or --help could not write its listing
  22  the journal could not be written: nothing was erased
  25  another run holds the port (its process is named); nothing was sent
  26  the lock folder (/run/lock, or $QUORREL_LOCK_DIR) is missing or cannot
      be written: the port cannot be locked; nothing was sent
  27  a stale lock of the port cannot be removed by this user; nothing was sent
  30  --list-ports: the device manager (udev) cannot be read
  35  the image's name says it is for another model than the interface's:
      nothing was erased (--force takes it)
  36  a gang run where not every device succeeded (see the summary and the record)
When a device fails and its record cannot be written either, the device's
status wins (a gang's 36 too): it says what the device needs.
)";
}

}  // namespace cli
