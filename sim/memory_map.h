#pragma once
// The device's 64 KiB address space: peripherals, RAM, the loader ROM (with
// its version), information flash (which holds the serial number) and main
// flash, whose last 32 bytes are the interrupt vectors and the loader password.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/sim_options.h"

namespace sim {

inline constexpr std::uint16_t kRamStart = 0x0200;
inline constexpr std::uint16_t kRamEnd = 0x09FF;
inline constexpr std::uint16_t kLoaderRomStart = 0x0C00;
inline constexpr std::uint16_t kLoaderRomEnd = 0x0FFF;
inline constexpr std::uint16_t kLoaderVersionAddress = 0x0FFA;
inline constexpr std::uint16_t kInfoFlashStart = 0x1000;
inline constexpr std::uint16_t kInfoFlashEnd = 0x10FF;
inline constexpr std::uint16_t kPasswordStart = 0xFFE0;
inline constexpr std::uint16_t kResetVector = 0xFFFE;

enum class Region : std::uint8_t { Peripherals, Ram, Unmapped, LoaderRom, InfoFlash, MainFlash };

enum class WriteOutcome : std::uint8_t {
  Written,
  NotWritable,   // ROM or nothing there
};

class MemoryMap {
 public:
  MemoryMap(Hardware hardware, std::uint16_t loaderVersion, bool blank, const std::string& serialNumber);

  Region RegionOf(std::uint16_t address) const;
  bool IsFlash(std::uint16_t address) const;
  std::uint16_t MainFlashStart() const { return mainStart_; }

  std::uint8_t Read(std::uint16_t address) const;
  std::vector<std::uint8_t> Read(std::uint16_t address, std::size_t length) const;
  // All or nothing. Programming flash only clears bits: a 1 written over a 0
  // leaves the 0, so FF over a programmed byte changes nothing. RAM takes anything.
  WriteOutcome Write(std::uint16_t address, const std::vector<std::uint8_t>& bytes);
  void Poke(std::uint16_t address, const std::vector<std::uint8_t>& bytes);
  // Main and information flash to FF.
  void MassErase();

  // An application is present when the reset vector is programmed.
  bool HasApplication() const;
  std::uint16_t ResetVectorTarget() const;
  // The flash bytes a write of `bytes` at `address` would program.
  std::size_t FlashBytesIn(std::uint16_t address, std::size_t count) const;

  std::string SerialNumber() const;
  // As the firmware stores it: erase the information segment, write the text.
  void StoreSerialNumber(const std::string& serialNumber);

 private:
  std::array<std::uint8_t, 0x10000> bytes_{};
  std::uint16_t mainStart_;
};

}  // namespace sim
