#include "app/option_table.h"

#include <cstdlib>

namespace app {
namespace {

constexpr unsigned kUpgrade = kOneInterface | kGang;

constexpr OptionEntry kOptions[] = {
    {OptionId::Port, "--port", "", "NAME", kUpgrade,
     "COM1..COM16, a device path (/dev/ttyUSB0), sim[:options] or rfc2217://HOST:PORT; given more than once, "
     "every port is upgraded at once"},
    {OptionId::PortsFile, "--ports-file", "", "FILE", kGang,
     "upgrade the ports FILE names too, all at once (one a line; blank lines and # comments are skipped)"},
    {OptionId::AllPorts, "--all-ports", "", "", kGang, "upgrade every port --list-ports finds, all at once"},
    {OptionId::Image, "--image", "", "FILE", kUpgrade,
     "the firmware image (*.mbl); without it the images of the interface's folder are listed"},
    {OptionId::Recovery, "--recovery", "", "", kOneInterface,
     "Interface Recovery: no talk with the application firmware"},
    {OptionId::Serial, "--serial", "", "SN", kOneInterface,
     "with --recovery: the serial number to write back (from the device's label, exactly as QRA1234567); without "
     "it, the number an earlier run on the device kept in the journal, else QRX0000000"},
    {OptionId::Verify, "--verify", "", "", kUpgrade, "read every programmed block back and compare"},
    {OptionId::Force, "--force", "", "", kUpgrade,
     "program an image whose name says it is for another model (QRA*.mbl is for the Apex, QRT*.mbl for the Tern "
     "and Tern II Memory); without it such an image is refused"},
    {OptionId::Lang, "--lang", "", "ID", kUpgrade, "language identifier (1033 English, 1042 Korean, 1031 German)"},
    {OptionId::PasswordFill, "--password-fill", "", "HEX", kUpgrade, "the loader password's fill byte (default FF)"},
    {OptionId::Trace, "--trace", "", "FILE", kUpgrade,
     "write every byte on the wire, both ways, to FILE (a regular file; a folder, pipe or device is refused); in "
     "a gang run FILE is a folder that gets one trace per port"},
    {OptionId::Report, "--report", "", "FILE", kUpgrade,
     "append one JSON line per device upgrade to FILE; FILE is checked before any port opens, and a record waits "
     "at most 5 seconds for another process's lock on it (Ctrl-C ends the wait)"},
    {OptionId::ListPorts, "--list-ports", "", "", kAlone,
     "list the serial ports this machine has (device path, /dev/serial/by-id name, driver, USB ids and names) and "
     "whether you may open each one"},
    {OptionId::Help, "--help", "-h", "", kAlone | kWindow, "show this help and end"},
    {OptionId::Version, "--version", "", "", kAlone | kWindow, "show the program's version and end"},
};

constexpr UsageForm kForms[] = {
    {kOneInterface,
     "--port NAME --image FILE [--recovery [--serial SN]] [--verify] [--force] [--lang ID] [--password-fill HEX] "
     "[--trace FILE] [--report FILE]"},
    {kGang,
     "--port NAME --port NAME ... | --ports-file FILE | --all-ports --image FILE [--verify] [--force] [--lang ID] "
     "[--password-fill HEX] [--trace DIR] [--report FILE]"},
    {kAlone, "--list-ports | --help | --version"},
    {kWindow, "[--help | --version]"},
};

}  // namespace

std::span<const OptionEntry> OptionTable() { return kOptions; }

const OptionEntry& OptionOf(OptionId id) {
  for (const OptionEntry& entry : kOptions) {
    if (entry.id == id) return entry;
  }
  std::abort();  // every id has its row
}

std::vector<const OptionEntry*> OptionsFor(unsigned uses) {
  std::vector<const OptionEntry*> options;
  for (const OptionEntry& entry : kOptions) {
    if ((entry.uses & uses) != 0) options.push_back(&entry);
  }
  return options;
}

std::vector<UsageForm> UsageFormsFor(unsigned program) {
  std::vector<UsageForm> forms;
  for (const UsageForm& form : kForms) {
    if ((form.uses & program) != 0) forms.push_back(form);
  }
  return forms;
}

}  // namespace app
