#pragma once
// The Telnet stream that carries a network serial port: the byte FF (IAC)
// doubled in data, option negotiation, and the com-port subnegotiations that
// set the line. Pure functions and small state machines, shared by the
// network port and the simulated interface's server, so both read the stream
// the same way; interoperability tests against a peer of another origin keep
// that honest.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/serial_device.h"

namespace platform::telnet {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kIac = 0xFF;
inline constexpr std::uint8_t kDont = 0xFE;
inline constexpr std::uint8_t kDo = 0xFD;
inline constexpr std::uint8_t kWont = 0xFC;
inline constexpr std::uint8_t kWill = 0xFB;
inline constexpr std::uint8_t kSb = 0xFA;
inline constexpr std::uint8_t kSe = 0xF0;

inline constexpr std::uint8_t kOptionBinary = 0;
inline constexpr std::uint8_t kOptionEcho = 1;
inline constexpr std::uint8_t kOptionSuppressGoAhead = 3;
inline constexpr std::uint8_t kOptionComPort = 44;

// Com-port commands as the client sends them; the server answers with the
// same code plus kServerCodeOffset.
enum class ComPortCommand : std::uint8_t {
  SetBaudRate = 1,
  SetDataSize = 2,
  SetParity = 3,
  SetStopSize = 4,
  SetControl = 5,
  NotifyLineState = 6,
  NotifyModemState = 7,
  FlowControlSuspend = 8,
  FlowControlResume = 9,
  SetLineStateMask = 10,
  SetModemStateMask = 11,
  PurgeData = 12,
};
inline constexpr std::uint8_t kServerCodeOffset = 100;

// Values of SET-CONTROL.
inline constexpr std::uint8_t kControlRequestFlow = 0;
inline constexpr std::uint8_t kControlNoFlowControl = 1;
inline constexpr std::uint8_t kControlRequestBreak = 4;
inline constexpr std::uint8_t kControlBreakOn = 5;
inline constexpr std::uint8_t kControlBreakOff = 6;
inline constexpr std::uint8_t kControlRequestDtr = 7;
inline constexpr std::uint8_t kControlDtrOn = 8;
inline constexpr std::uint8_t kControlDtrOff = 9;
inline constexpr std::uint8_t kControlRequestRts = 10;
inline constexpr std::uint8_t kControlRtsOn = 11;
inline constexpr std::uint8_t kControlRtsOff = 12;
inline constexpr std::uint8_t kControlRequestInboundFlow = 13;
inline constexpr std::uint8_t kControlNoInboundFlowControl = 14;

// Values of PURGE-DATA, named from the server's side: its receive buffer
// holds what the device sent (the client's input).
inline constexpr std::uint8_t kPurgeReceive = 1;
inline constexpr std::uint8_t kPurgeTransmit = 2;
inline constexpr std::uint8_t kPurgeBoth = 3;

// Line values on the wire and back. Each decoder refuses values it does not
// know, so a malformed request never becomes a setting.
Bytes EncodeBaudRate(std::uint32_t baud);  // four bytes, most significant first
std::optional<std::uint32_t> DecodeBaudRate(std::span<const std::uint8_t> value);
std::uint8_t EncodeParity(Parity parity);
std::optional<Parity> DecodeParity(std::uint8_t value);
std::uint8_t EncodeStopBits(StopBits stopBits);
std::optional<StopBits> DecodeStopBits(std::uint8_t value);
std::uint8_t EncodePurge(PurgeSide side);
std::optional<PurgeSide> DecodePurge(std::uint8_t value);

// Appends `data` with every IAC doubled.
void AppendEscaped(std::span<const std::uint8_t> data, Bytes& out);
// IAC verb option.
Bytes OptionCommand(std::uint8_t verb, std::uint8_t option);
// IAC SB COM-PORT-OPTION code value IAC SE, with IAC in the value doubled.
Bytes ComPortMessage(std::uint8_t code, std::span<const std::uint8_t> value);

// One thing found in the stream, in the order it came.
struct Item {
  enum class Kind : std::uint8_t { Data, Negotiation, Subnegotiation, Command };
  Kind kind = Kind::Data;
  std::uint8_t verb = 0;    // DO/DONT/WILL/WONT, or a bare command byte
  std::uint8_t option = 0;  // the negotiated or subnegotiated option
  Bytes bytes;              // data, or the subnegotiation's content after its option byte
  friend bool operator==(const Item&, const Item&) = default;
};

// Splits a received stream into items. Bytes may arrive cut anywhere: a
// doubled IAC or a subnegotiation split across packets is joined again.
class Decoder {
 public:
  // A subnegotiation longer than this is dropped whole; nothing the com-port
  // option sends comes near it.
  static constexpr std::size_t kMaxSubnegotiation = 64;

  void Feed(std::span<const std::uint8_t> received, std::vector<Item>& out);

 private:
  enum class State : std::uint8_t { Data, Iac, Verb, SubOption, SubData, SubIac };
  void EmitData(std::uint8_t byte, std::vector<Item>& out);
  void AfterIac(std::uint8_t byte, std::vector<Item>& out);
  void AfterSubIac(std::uint8_t byte, std::vector<Item>& out);

  State state_ = State::Data;
  std::uint8_t verb_ = 0;
  std::uint8_t subOption_ = 0;
  bool subTooLong_ = false;
  Bytes sub_;
};

// A com-port subnegotiation split into its code and value.
struct ComPortRecord {
  std::uint8_t code = 0;
  Bytes value;
};
std::optional<ComPortRecord> ParseComPort(const Item& item);

// Keeps track of which options each side has switched on and answers the
// peer's requests: supported options are agreed to, others refused, and a
// request that changes nothing gets no answer, so two peers never loop.
class Negotiator {
 public:
  Negotiator(std::span<const std::uint8_t> localOptions, std::span<const std::uint8_t> remoteOptions);

  // Asks to switch on an option on our side (WILL) or the peer's (DO).
  Bytes RequestLocal(std::uint8_t option);
  Bytes RequestRemote(std::uint8_t option);
  // Takes the peer's DO/DONT/WILL/WONT; returns what to send back.
  Bytes Receive(std::uint8_t verb, std::uint8_t option);

  bool LocalEnabled(std::uint8_t option) const { return local_[option].enabled; }
  bool RemoteEnabled(std::uint8_t option) const { return remote_[option].enabled; }
  // Whether the peer has answered our request for a local option yet.
  bool LocalAnswered(std::uint8_t option) const { return !local_[option].pending; }
  // Whether the peer has refused an option we asked for, on either side.
  bool Refused(std::uint8_t option) const { return local_[option].refused || remote_[option].refused; }

 private:
  struct Side {
    bool supported = false;
    bool enabled = false;
    bool pending = false;
    bool refused = false;
  };
  static Bytes Agree(Side& side, bool on, std::uint8_t yes, std::uint8_t no, std::uint8_t option);

  std::array<Side, 256> local_{};
  std::array<Side, 256> remote_{};
};

}  // namespace platform::telnet
