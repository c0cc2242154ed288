#include "sim/memory_map.h"

namespace sim {
namespace {

std::uint16_t MainFlashStartOf(Hardware hardware) {
  // The Tern family carries half the Apex's main flash.
  return hardware == Hardware::Apex ? 0x4000 : 0x8000;
}

void PutWord(std::array<std::uint8_t, 0x10000>& bytes, std::uint16_t address, std::uint16_t value) {
  bytes[address] = static_cast<std::uint8_t>(value & 0xFF);
  bytes[address + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

MemoryMap::MemoryMap(Hardware hardware, std::uint16_t loaderVersion, bool blank,
                     const std::string& serialNumber)
    : mainStart_(MainFlashStartOf(hardware)) {
  // The loader ROM: some code, and the version high byte first.
  for (unsigned a = kLoaderRomStart; a <= kLoaderRomEnd; ++a) bytes_[a] = static_cast<std::uint8_t>(a * 13 + 5);
  bytes_[kLoaderVersionAddress] = static_cast<std::uint8_t>(loaderVersion >> 8);
  bytes_[kLoaderVersionAddress + 1] = static_cast<std::uint8_t>(loaderVersion & 0xFF);
  MassErase();
  if (!blank) {
    // The factory firmware: code from the start of main flash, every vector
    // pointing into it.
    for (unsigned a = mainStart_; a < kPasswordStart; ++a) bytes_[a] = static_cast<std::uint8_t>(a * 7 + 3);
    for (unsigned a = kPasswordStart; a < kResetVector; a += 2)
      PutWord(bytes_, static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(mainStart_ + 0x10));
    PutWord(bytes_, kResetVector, mainStart_);
  }
  StoreSerialNumber(serialNumber);
}

Region MemoryMap::RegionOf(std::uint16_t address) const {
  if (address < kRamStart) return Region::Peripherals;
  if (address <= kRamEnd) return Region::Ram;
  if (address < kLoaderRomStart) return Region::Unmapped;
  if (address <= kLoaderRomEnd) return Region::LoaderRom;
  if (address <= kInfoFlashEnd) return Region::InfoFlash;
  if (address < mainStart_) return Region::Unmapped;
  return Region::MainFlash;
}

bool MemoryMap::IsFlash(std::uint16_t address) const {
  const Region region = RegionOf(address);
  return region == Region::InfoFlash || region == Region::MainFlash;
}

std::uint8_t MemoryMap::Read(std::uint16_t address) const {
  return RegionOf(address) == Region::Unmapped ? 0x00 : bytes_[address];
}

std::vector<std::uint8_t> MemoryMap::Read(std::uint16_t address, std::size_t length) const {
  std::vector<std::uint8_t> out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) out.push_back(Read(static_cast<std::uint16_t>(address + i)));
  return out;
}

WriteOutcome MemoryMap::Write(std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto a = static_cast<std::uint16_t>(address + i);
    const Region region = RegionOf(a);
    if (region == Region::Unmapped || region == Region::LoaderRom) return WriteOutcome::NotWritable;
  }
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto a = static_cast<std::uint16_t>(address + i);
    bytes_[a] = IsFlash(a) ? static_cast<std::uint8_t>(bytes_[a] & bytes[i]) : bytes[i];
  }
  return WriteOutcome::Written;
}

void MemoryMap::Poke(std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes_[static_cast<std::uint16_t>(address + i)] = bytes[i];
}

void MemoryMap::MassErase() {
  for (unsigned a = kInfoFlashStart; a <= kInfoFlashEnd; ++a) bytes_[a] = 0xFF;
  for (unsigned a = mainStart_; a <= 0xFFFF; ++a) bytes_[a] = 0xFF;
}

bool MemoryMap::HasApplication() const { return ResetVectorTarget() != 0xFFFF; }

std::uint16_t MemoryMap::ResetVectorTarget() const {
  return static_cast<std::uint16_t>(bytes_[kResetVector] | (bytes_[kResetVector + 1] << 8));
}

std::size_t MemoryMap::FlashBytesIn(std::uint16_t address, std::size_t count) const {
  std::size_t flash = 0;
  for (std::size_t i = 0; i < count; ++i)
    if (IsFlash(static_cast<std::uint16_t>(address + i))) ++flash;
  return flash;
}

std::string MemoryMap::SerialNumber() const {
  std::string text;
  for (unsigned a = kInfoFlashStart; a <= kInfoFlashEnd; ++a) {
    if (bytes_[a] == 0x00 || bytes_[a] == 0xFF) break;
    text += static_cast<char>(bytes_[a]);
  }
  return text;
}

void MemoryMap::StoreSerialNumber(const std::string& serialNumber) {
  for (unsigned a = kInfoFlashStart; a <= kInfoFlashEnd; ++a) bytes_[a] = 0xFF;
  const std::size_t room = kInfoFlashEnd - kInfoFlashStart;  // one byte stays for the end mark
  const std::size_t count = serialNumber.size() < room ? serialNumber.size() : room;
  for (std::size_t i = 0; i < count; ++i) bytes_[kInfoFlashStart + i] = static_cast<std::uint8_t>(serialNumber[i]);
  bytes_[kInfoFlashStart + count] = 0x00;
}

}  // namespace sim
