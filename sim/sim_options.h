#pragma once
// What one simulated Quorrel interface is like: its model, its stored serial
// number, its loader version, whether its line keeps wire time, and the faults
// it should show.
//
// Option text (the part after "sim:"): comma-separated key=value pairs, keys
// in any order, each at most once except "fault", which may repeat. In a
// value, %HH (two hex digits) stands for any byte, so "%2C" is a comma and
// "%0D" a carriage return.
//
//   model=Apex | Tern | TernII | "Quorrel Apex" | "Quorrel Tern" | "Quorrel Tern II Memory"
//                    the hardware: flash size, programming speed, reply name
//   name=TEXT        the model name the firmware answers with (default: the model's)
//   serial=TEXT      serial number in information flash (up to 64 characters)
//   loader=HHHH      loader version, four hex digits (0110 and lower need the patch)
//   paced=0|1        bytes take their wire time; erase and programming take time
//   delay=MS         the firmware's reply comes MS milliseconds after the command
//   lead=C           the character in front of a reply payload (default "[")
//   trail=CC         the two characters after it, before the line feed (default "]%0D")
//   blank=0|1        the flash starts erased: no application runs
//   boot=MS          the firmware's start-up time after a reset is released
//                    (and the port opened): it ignores bytes meanwhile (default 500)
//   txqueue=N        the host's transmit queue holds N bytes and refuses writes
//                    while full, as a driver with a few transfer buffers does
//                    (default 0: unbounded); the writer waits for room
//   fault=KIND[@N | @N+ | @N-M]
//                    fires at every occurrence (no suffix), only the Nth, the
//                    Nth on, or the Nth to the Mth (counted from 1, per kind):
//     no-reply        the firmware answers nothing (counts commands)
//     second-line     a second line follows the reply
//     empty-line      an empty line (CR LF) comes before the reply
//     long-line       the reply line is longer than 128 characters
//     bad-serial      the serial number reply is malformed ("QRX12345A7")
//     no-sync         the loader does not answer the sync byte (counts sync bytes)
//     password-nak, write-nak, read-nak, erase-nak, jump-nak
//                     A0 instead of the command's answer (counts commands of the code)
//     password-fail, write-fail, read-fail, erase-fail, jump-fail
//                     70 instead of the command's answer
//     bad-checksum    a read's data frame carries a wrong checksum (counts data frames)
//     unequal-length  a read's data frame carries two different length bytes
//     oversize-frame  a read's data frame carries 252 data bytes
//     early-nak       A0 as soon as a frame's length bytes arrive (counts frames)
//     dead@N          after N bytes have reached the device the line goes dead for good
//
// Example: "sim:model=Tern,serial=QRT7654321,loader=0110,fault=write-fail@3".

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// The hardware families: they differ in flash size and programming speed.
enum class Hardware : std::uint8_t { Apex, Tern, TernIIMemory };

enum class FaultKind : std::uint8_t {
  NoReply,
  SecondLine,
  EmptyLine,
  LongLine,
  BadSerial,
  NoSync,
  Nak,   // with `command`
  Fail,  // with `command`
  BadChecksum,
  UnequalLength,
  OversizeFrame,
  EarlyNak,
  Dead,  // `first` is the byte count
};

struct Fault {
  FaultKind kind = FaultKind::NoReply;
  std::uint8_t command = 0;  // loader command code for Nak and Fail
  std::uint32_t first = 1;   // occurrences first..last fire (1-based, inclusive)
  std::uint32_t last = UINT32_MAX;
  bool Fires(std::uint32_t occurrence) const { return occurrence >= first && occurrence <= last; }
  friend bool operator==(const Fault&, const Fault&) = default;
};

struct SimOptions {
  Hardware hardware = Hardware::Apex;
  std::string model = "Quorrel Apex";  // what the identify reply names
  std::string serialNumber = "QRA1234567";
  std::uint16_t loaderVersion = 0x0120;
  bool paced = false;
  std::uint32_t replyDelayMs = 0;
  char replyLead = '[';
  std::string replyTrail = "]\r";  // always two characters
  bool blank = false;
  std::uint32_t bootMs = 500;
  std::uint32_t transmitQueue = 0;  // bytes; 0 for no bound
  std::vector<Fault> faults;

  bool Has(FaultKind kind) const;
  friend bool operator==(const SimOptions&, const SimOptions&) = default;
};

// Parses the text after "sim:" (empty text: the defaults). Strict: an unknown
// key, a repeated key, a bad value or a stray character gives nullopt and, when
// `error` is given, one sentence saying what is wrong.
std::optional<SimOptions> ParseSimOptions(std::string_view text, std::string* error);

// The keys the option text takes, in the order above: a key must be here to
// be taken, and quorrel-sim's manual page names each one.
std::span<const std::string_view> SimOptionKeys();

// The full model name of a hardware family.
std::string_view ModelName(Hardware hardware);

}  // namespace sim
