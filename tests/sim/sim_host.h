#pragma once
// The host side the simulator tests talk through: line settings, the two
// reset sequences, loader frames with their checksum, and short exchanges.
// Written here on purpose, apart from both the program and the simulator.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/serial_device.h"
#include "sim/sim_interface.h"

namespace simtest {

using Bytes = std::vector<std::uint8_t>;

inline platform::LineSettings Line(std::uint32_t baud, platform::Parity parity, bool dtr = true, bool rts = true) {
  platform::LineSettings settings;
  settings.baudRate = baud;
  settings.parity = parity;
  settings.dtr = dtr;
  settings.rts = rts;
  return settings;
}
inline platform::LineSettings AppLine(bool dtr = true, bool rts = true) {
  return Line(115200, platform::Parity::None, dtr, rts);
}
inline platform::LineSettings LoaderLine(bool dtr = true, bool rts = true) {
  return Line(9600, platform::Parity::Even, dtr, rts);
}

// Plays a list of (dtr, rts) steps at the given framing, with the given
// pause after the steps named in `pauseAfter`.
struct Step {
  bool dtr;
  bool rts;
  std::uint32_t pauseMs = 0;
};
void Play(platform::SerialDevice& device, platform::LineSettings framing, const std::vector<Step>& steps);
// The restart into the loader (two RTS pulses while reset is held) and the
// plain restart (none).
void EnterLoader(platform::SerialDevice& device);
void RestartNormally(platform::SerialDevice& device, platform::LineSettings framing = AppLine());

Bytes Text(const std::string& text);
std::string AsText(const Bytes& bytes);

// Writes `bytes`, lets `ms` of clock time pass, and takes what came back.
Bytes Talk(platform::SerialDevice& device, const Bytes& bytes, std::uint32_t ms = 20);
Bytes TakeAll(platform::SerialDevice& device);

std::uint16_t Checksum(const Bytes& bytes);
// 80 cmd L L address length data checksum (data padded to even with FF).
Bytes Frame(std::uint8_t command, std::uint16_t address, std::uint16_t length, Bytes data = {});
// Sync, then the frame; returns the whole answer to the frame.
Bytes Command(platform::SerialDevice& device, std::uint8_t command, std::uint16_t address, std::uint16_t length,
              Bytes data = {});
inline Bytes Erase(platform::SerialDevice& device) { return Command(device, 0x18, 0xFF00, 0xA506); }
inline Bytes Password(platform::SerialDevice& device, std::uint8_t fill = 0xFF) {
  return Command(device, 0x10, 0xFFE0, 32, Bytes(32, fill));
}
// The bytes of a read's data frame, empty when the answer was not one.
Bytes ReadBlock(platform::SerialDevice& device, std::uint16_t address, std::uint16_t length);

// An open end on a fresh interface with the given option text.
struct Rig {
  explicit Rig(const std::string& options);
  std::shared_ptr<sim::SimInterface> sim;
  std::unique_ptr<platform::SerialDevice> device;
};

// A loader-ready rig: restarted into the loader, erased and unlocked.
struct LoaderRig : Rig {
  explicit LoaderRig(const std::string& options);
};

}  // namespace simtest
