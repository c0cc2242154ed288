#pragma once
// A scripted serial device with a small loader behind it, for the boot-loader
// tests. The device records every byte written, every Apply and every purge;
// the loader answers sync bytes and frames from its own 64 KiB memory, and
// each of its answers can be replaced, delayed or cut short by the test.
// Replies arrive on the virtual clock, so waits and time-outs are exact.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/serial_device.h"

namespace bltest {

// One complete frame the loader received.
struct Frame {
  std::uint8_t command = 0;
  std::uint16_t address = 0;
  std::uint16_t length = 0;
  std::vector<std::uint8_t> data;  // after the address and length fields
  bool checksumGood = true;
};

struct PurgeEvent {
  platform::PurgeSide side;
  platform::Micros time;
};

struct ApplyEvent {
  platform::LineSettings settings;
  platform::Micros time;
};

class FakeLoader {
 public:
  // Everything the device saw.
  std::vector<std::uint8_t> written;
  std::vector<ApplyEvent> applies;
  std::vector<PurgeEvent> purges;
  std::vector<Frame> frames;
  int drainWaits = 0;
  bool open = false;

  // Behaviour knobs.
  bool refuseSettings = false;
  std::optional<std::uint8_t> syncAnswer = std::uint8_t{0x90};  // nullopt: silent
  platform::Micros replyDelay = 0;                             // after the frame's last byte
  // Answers this byte as soon as the frame's Nth byte (1-based) arrives.
  std::optional<std::pair<std::size_t, std::uint8_t>> earlyReply;
  // Replaces the loader's own answer to a complete frame.
  std::function<std::optional<std::vector<std::uint8_t>>(const Frame&)> answer;

  std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(0x10000, 0xFF);

  // Bytes written, without the sync bytes between frames.
  std::vector<std::uint8_t> FrameBytes() const { return frameBytes_; }
  std::size_t SyncBytes() const { return syncBytes_; }

  // The device's side of the wire.
  void Receive(std::uint8_t byte);
  void Queue(const std::vector<std::uint8_t>& bytes, platform::Micros delay);
  std::size_t Ready() const;
  std::size_t Take(std::uint8_t* buffer, std::size_t max);
  void DropArrived();
  platform::Micros ArrivalOf(std::size_t count) const;

  // A data frame as the loader sends it, with its checksum.
  static std::vector<std::uint8_t> DataFrame(const std::vector<std::uint8_t>& data);
  // The checksum the loader computes over a frame's covered bytes.
  static std::uint16_t LoaderChecksum(const std::vector<std::uint8_t>& bytes);

 private:
  void FrameComplete();
  std::vector<std::uint8_t> OwnAnswer(const Frame& frame);

  std::deque<std::pair<platform::Micros, std::uint8_t>> input_;
  std::vector<std::uint8_t> current_;
  std::vector<std::uint8_t> frameBytes_;
  std::size_t syncBytes_ = 0;
  bool synced_ = false;
};

// Registers the "fakeboot:" scheme; the name after it picks the loader.
std::shared_ptr<FakeLoader> AttachFakeLoader(const std::string& portName);

}  // namespace bltest
