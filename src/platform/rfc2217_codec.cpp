#include "platform/rfc2217_codec.h"

namespace platform::telnet {

Bytes EncodeBaudRate(std::uint32_t baud) {
  return {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
          static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
}

std::optional<std::uint32_t> DecodeBaudRate(std::span<const std::uint8_t> value) {
  if (value.size() != 4) return std::nullopt;
  return (std::uint32_t{value[0]} << 24) | (std::uint32_t{value[1]} << 16) |
         (std::uint32_t{value[2]} << 8) | std::uint32_t{value[3]};
}

// On the wire parity counts from 1 (none) and 0 asks for the current value.
std::uint8_t EncodeParity(Parity parity) { return static_cast<std::uint8_t>(parity) + 1; }

std::optional<Parity> DecodeParity(std::uint8_t value) {
  if (value < 1 || value > 5) return std::nullopt;
  return static_cast<Parity>(value - 1);
}

std::uint8_t EncodeStopBits(StopBits stopBits) {
  switch (stopBits) {
    case StopBits::One: return 1;
    case StopBits::Two: return 2;
    case StopBits::OneAndHalf: return 3;
  }
  return 1;
}

std::optional<StopBits> DecodeStopBits(std::uint8_t value) {
  switch (value) {
    case 1: return StopBits::One;
    case 2: return StopBits::Two;
    case 3: return StopBits::OneAndHalf;
    default: return std::nullopt;
  }
}

std::uint8_t EncodePurge(PurgeSide side) {
  switch (side) {
    case PurgeSide::Input: return kPurgeReceive;
    case PurgeSide::Output: return kPurgeTransmit;
    case PurgeSide::Both: return kPurgeBoth;
  }
  return kPurgeBoth;
}

std::optional<PurgeSide> DecodePurge(std::uint8_t value) {
  switch (value) {
    case kPurgeReceive: return PurgeSide::Input;
    case kPurgeTransmit: return PurgeSide::Output;
    case kPurgeBoth: return PurgeSide::Both;
    default: return std::nullopt;
  }
}

void AppendEscaped(std::span<const std::uint8_t> data, Bytes& out) {
  for (std::uint8_t byte : data) {
    out.push_back(byte);
    if (byte == kIac) out.push_back(kIac);
  }
}

Bytes OptionCommand(std::uint8_t verb, std::uint8_t option) { return {kIac, verb, option}; }

Bytes ComPortMessage(std::uint8_t code, std::span<const std::uint8_t> value) {
  Bytes out{kIac, kSb, kOptionComPort};
  const std::uint8_t codeByte[] = {code};
  AppendEscaped(codeByte, out);
  AppendEscaped(value, out);
  out.push_back(kIac);
  out.push_back(kSe);
  return out;
}

void Decoder::Feed(std::span<const std::uint8_t> received, std::vector<Item>& out) {
  for (std::uint8_t byte : received) {
    switch (state_) {
      case State::Data:
        if (byte == kIac) {
          state_ = State::Iac;
        } else {
          EmitData(byte, out);
        }
        break;
      case State::Iac:
        AfterIac(byte, out);
        break;
      case State::Verb:
        out.push_back(Item{Item::Kind::Negotiation, verb_, byte, {}});
        state_ = State::Data;
        break;
      case State::SubOption:
        // An option byte of IAC marks a record nobody here sends: drop it.
        subOption_ = byte;
        subTooLong_ = byte == kIac;
        state_ = byte == kIac ? State::SubIac : State::SubData;
        break;
      case State::SubData:
        if (byte == kIac) {
          state_ = State::SubIac;
        } else if (sub_.size() < kMaxSubnegotiation) {
          sub_.push_back(byte);
        } else {
          subTooLong_ = true;
        }
        break;
      case State::SubIac:
        AfterSubIac(byte, out);
        break;
    }
  }
}

void Decoder::EmitData(std::uint8_t byte, std::vector<Item>& out) {
  if (out.empty() || out.back().kind != Item::Kind::Data) out.push_back(Item{});
  out.back().bytes.push_back(byte);
}

void Decoder::AfterIac(std::uint8_t byte, std::vector<Item>& out) {
  state_ = State::Data;
  if (byte == kIac) {
    EmitData(byte, out);
  } else if (byte == kSb) {
    sub_.clear();
    subTooLong_ = false;
    state_ = State::SubOption;
  } else if (byte == kDo || byte == kDont || byte == kWill || byte == kWont) {
    verb_ = byte;
    state_ = State::Verb;
  } else {
    // SE outside a subnegotiation, NOP, go-ahead and the like carry nothing.
    out.push_back(Item{Item::Kind::Command, byte, 0, {}});
  }
}

void Decoder::AfterSubIac(std::uint8_t byte, std::vector<Item>& out) {
  if (byte == kIac) {
    if (sub_.size() < kMaxSubnegotiation) {
      sub_.push_back(byte);
    } else {
      subTooLong_ = true;
    }
    state_ = State::SubData;
    return;
  }
  if (byte == kSe) {
    if (!subTooLong_) out.push_back(Item{Item::Kind::Subnegotiation, kSb, subOption_, sub_});
    sub_.clear();
    state_ = State::Data;
    return;
  }
  // Any other command ends an unterminated subnegotiation, which is dropped,
  // and counts as a command of its own.
  sub_.clear();
  AfterIac(byte, out);
}

std::optional<ComPortRecord> ParseComPort(const Item& item) {
  if (item.kind != Item::Kind::Subnegotiation || item.option != kOptionComPort || item.bytes.empty()) {
    return std::nullopt;
  }
  return ComPortRecord{item.bytes.front(), Bytes(item.bytes.begin() + 1, item.bytes.end())};
}

Negotiator::Negotiator(std::span<const std::uint8_t> localOptions,
                       std::span<const std::uint8_t> remoteOptions) {
  for (std::uint8_t option : localOptions) local_[option].supported = true;
  for (std::uint8_t option : remoteOptions) remote_[option].supported = true;
}

Bytes Negotiator::RequestLocal(std::uint8_t option) {
  Side& side = local_[option];
  if (side.enabled || side.pending) return {};
  side.supported = true;
  side.pending = true;
  return OptionCommand(kWill, option);
}

Bytes Negotiator::RequestRemote(std::uint8_t option) {
  Side& side = remote_[option];
  if (side.enabled || side.pending) return {};
  side.supported = true;
  side.pending = true;
  return OptionCommand(kDo, option);
}

Bytes Negotiator::Receive(std::uint8_t verb, std::uint8_t option) {
  switch (verb) {
    case kDo: return Agree(local_[option], true, kWill, kWont, option);
    case kDont: return Agree(local_[option], false, kWill, kWont, option);
    case kWill: return Agree(remote_[option], true, kDo, kDont, option);
    case kWont: return Agree(remote_[option], false, kDo, kDont, option);
    default: return {};
  }
}

Bytes Negotiator::Agree(Side& side, bool on, std::uint8_t yes, std::uint8_t no, std::uint8_t option) {
  const bool wasPending = side.pending;
  side.pending = false;
  if (on) {
    if (!side.supported) return OptionCommand(no, option);
    if (side.enabled) return {};
    side.enabled = true;
    return wasPending ? Bytes{} : OptionCommand(yes, option);
  }
  const bool wasEnabled = side.enabled;
  side.enabled = false;
  side.refused = side.refused || wasPending;
  return (wasEnabled && !wasPending) ? OptionCommand(no, option) : Bytes{};
}

}  // namespace platform::telnet
