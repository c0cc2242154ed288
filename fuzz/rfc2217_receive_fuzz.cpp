// What a network port receives, cut into packets anywhere: the Telnet decoder
// never keeps more than a record's worth, every record it hands on parses or
// is refused, negotiation answers stay well-formed, and data escaped for the
// stream always comes back byte for byte.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "platform/rfc2217_codec.h"

namespace tn = platform::telnet;

namespace {

// The first byte picks the packet size, as the network might cut the stream.
std::vector<tn::Item> DecodeInPackets(std::span<const std::uint8_t> stream, std::size_t packet) {
  tn::Decoder decoder;
  std::vector<tn::Item> items;
  for (std::size_t from = 0; from < stream.size(); from += packet) {
    decoder.Feed(stream.subspan(from, std::min(packet, stream.size() - from)), items);
  }
  return items;
}

void CheckItems(const std::vector<tn::Item>& items) {
  const std::uint8_t options[] = {tn::kOptionBinary, tn::kOptionSuppressGoAhead, tn::kOptionComPort};
  tn::Negotiator negotiator(options, options);
  for (const tn::Item& item : items) {
    if (item.kind == tn::Item::Kind::Subnegotiation && item.bytes.size() > tn::Decoder::kMaxSubnegotiation) std::abort();
    if (item.kind == tn::Item::Kind::Negotiation) {
      const tn::Bytes answer = negotiator.Receive(item.verb, item.option);
      if (!answer.empty() && (answer.size() != 3 || answer[0] != tn::kIac || answer[2] != item.option)) std::abort();
    }
    if (const auto record = tn::ParseComPort(item)) {
      tn::DecodeBaudRate(record->value);
      if (!record->value.empty()) {
        tn::DecodeParity(record->value[0]);
        tn::DecodeStopBits(record->value[0]);
        tn::DecodePurge(record->value[0]);
      }
    }
  }
}

void CheckDataRoundTrip(std::span<const std::uint8_t> data, std::size_t packet) {
  tn::Bytes stream;
  tn::AppendEscaped(data, stream);
  tn::Bytes back;
  for (const tn::Item& item : DecodeInPackets(stream, packet)) {
    if (item.kind != tn::Item::Kind::Data) std::abort();
    back.insert(back.end(), item.bytes.begin(), item.bytes.end());
  }
  if (back != tn::Bytes(data.begin(), data.end())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t packet = 1 + data[0] % 16;
  const std::span<const std::uint8_t> rest(data + 1, size - 1);
  CheckItems(DecodeInPackets(rest, packet));
  CheckDataRoundTrip(rest, packet);
  return 0;
}
