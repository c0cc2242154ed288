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

std::string CheckCombination(const Options& options) {
  if (options.help) return {};
  if (options.port.empty()) return "--port is required";
  if (options.serial && !options.recovery) return "--serial goes with --recovery";
  if (options.serial && !device::IsValidSerialNumber(*options.serial))
    return "--serial " + *options.serial +
           " is not a serial number: it needs at least 10 characters, \"QR\" first and digits from the 4th to the 10th";
  return {};
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    auto needValue = [&]() { return TakeValue(args, i, value); };
    if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--recovery") {
      options.recovery = true;
    } else if (arg == "--verify") {
      options.verify = true;
    } else if (arg == "--port" || arg == "--image" || arg == "--serial" || arg == "--lang" ||
               arg == "--password-fill" || arg == "--trace") {
      if (!needValue()) return {std::nullopt, arg + " needs a value"};
      if (arg == "--port") {
        options.port = value;
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
                       [--lang ID] [--password-fill HEX] [--trace FILE]

Upgrades the application firmware of a Quorrel interface, as the wizard's window
does: File..., then Upgrade.

  --port NAME          COM1..COM16, a device path (/dev/ttyUSB0), sim[:options]
                       or rfc2217://HOST:PORT
  --image FILE         the firmware image (*.mbl); without it the images of the
                       interface's folder are listed
  --recovery           Interface Recovery: no talk with the application firmware
  --serial SN          with --recovery: the serial number to write back (from the
                       device's label) in place of QRX0000000
  --verify             read every programmed block back and compare
  --lang ID            language identifier (1033 English, 1042 Korean, ...)
  --password-fill HEX  the loader password's fill byte (default FF)
  --trace FILE         write every byte on the wire, both ways, to FILE

Standard output: the status list, one line each. Standard error: messages,
the interface kind and serial number, and a progress bar on a terminal.

Exit status:
   0  the upgrade succeeded
   1  bad options
   2  the port could not be opened
   3  the interface did not answer the identify command
   4  the interface is not a known Quorrel model
   5  no image was chosen (--image missing)
   6  the image file cannot be read
  10  the interface answered another model than at detection
  11  no answer to identify during the upgrade
  12  no answer to the serial-number read
  13  the boot-loader link could not be opened
  14  mass erase failed: the device stays in its loader; use --recovery
  15  password, patch or image programming failed: the device stays in its loader; use --recovery
  16  restarting the loader for its patch failed: the device stays in its loader; use --recovery
  17  the upgrade could not be started
  18  programmed, but the port did not open to write the serial number back;
      run again with --recovery (and --serial) to write it
  25  another run holds the port (its process is named); nothing was sent
)";
}

}  // namespace cli
