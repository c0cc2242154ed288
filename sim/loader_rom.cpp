#include "sim/loader_rom.h"

#include "sim/frame_checksum.h"
#include "sim/loader_patch.h"

namespace sim {
namespace {

constexpr std::uint8_t kHeader = 0x80;
constexpr std::uint8_t kAck = 0x90;
constexpr std::uint8_t kNak = 0xA0;
constexpr std::uint8_t kFailed = 0x70;
constexpr std::uint8_t kPassword = 0x10;
constexpr std::uint8_t kWrite = 0x12;
constexpr std::uint8_t kRead = 0x14;
constexpr std::uint8_t kErase = 0x18;
constexpr std::uint8_t kJump = 0x1A;
constexpr std::size_t kMaxReplyData = 250;
constexpr std::size_t kOversizeData = 252;
constexpr std::uint16_t kEraseAddress = 0xFF00;
constexpr std::uint16_t kEraseKey = 0xA506;

// Flash timing of the two families (the Tern parts program more slowly).
platform::Micros EraseTime(Hardware hardware) { return hardware == Hardware::Apex ? 20'000 : 32'000; }
platform::Micros ProgramTimePerByte(Hardware hardware) { return hardware == Hardware::Apex ? 40 : 100; }

LoaderStep Answer(std::uint8_t byte, platform::Micros delay = 0) {
  LoaderStep step;
  step.replies.push_back(Emission{{byte}, delay});
  return step;
}

std::uint16_t Word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

}  // namespace

void LoaderRom::Restart() {
  phase_ = Phase::Idle;
  locked_ = true;
  patchRan_ = false;
  frame_.clear();
}

LoaderStep LoaderRom::Receive(std::uint8_t byte) {
  switch (phase_) {
    case Phase::Idle:
      if (byte != kHeader) return {};
      if (faults_.Fires(FaultKind::NoSync, faults_.Count(FaultBook::Counter::Sync))) return {};
      phase_ = Phase::Synced;
      return Answer(kAck);
    case Phase::Synced:
      if (byte != kHeader) {
        phase_ = Phase::Idle;
        return Answer(kNak);
      }
      frame_.assign(1, byte);
      phase_ = Phase::Frame;
      return {};
    case Phase::Frame:
      return ReceiveFrameByte(byte);
  }
  return {};
}

// Header 80, command, L twice (even, at least the address and length
// fields), L data bytes, checksum low and high.
LoaderStep LoaderRom::ReceiveFrameByte(std::uint8_t byte) {
  frame_.push_back(byte);
  if (frame_.size() == 4) {
    const bool early = faults_.Fires(FaultKind::EarlyNak, faults_.Count(FaultBook::Counter::Frame));
    if (early || frame_[2] != frame_[3] || frame_[2] % 2 != 0 || frame_[2] < 4) {
      phase_ = Phase::Idle;
      return Answer(kNak);
    }
  }
  if (frame_.size() < 4 || frame_.size() < 4u + frame_[2] + 2u) return {};
  phase_ = Phase::Idle;
  const std::size_t covered = frame_.size() - 2;
  if (FrameChecksum(frame_.data(), covered) != Word(frame_, covered)) return Answer(kNak);
  return Execute();
}

LoaderStep LoaderRom::Execute() {
  LoaderCommand command;
  command.command = frame_[1];
  command.address = Word(frame_, 4);
  command.length = Word(frame_, 6);
  command.data.assign(frame_.begin() + 8, frame_.end() - 2);
  const bool patchRan = patchRan_;
  patchRan_ = false;

  const std::uint32_t n = faults_.Count(FaultBook::Counter::Command, command.command);
  LoaderStep step;
  if (faults_.Fires(FaultKind::Nak, n, command.command)) step = Answer(kNak);
  else if (faults_.Fires(FaultKind::Fail, n, command.command)) step = Answer(kFailed);
  else if (command.command == kPassword) step = Password(command);
  else if (command.command == kErase) step = MassErase(command);
  else if (locked_) step = Answer(kNak);
  else if (command.command == kWrite) step = WriteBlock(command, patchRan);
  else if (command.command == kRead) step = ReadBlock(command);
  else if (command.command == kJump) step = LoadProgramCounter(command);
  else step = Answer(kNak);

  command.reply = step.replies.empty() || step.replies.front().bytes.empty() ? 0 : step.replies.front().bytes.front();
  commands_.push_back(std::move(command));
  return step;
}

LoaderStep LoaderRom::Password(const LoaderCommand& command) {
  if (command.address != kPasswordStart || command.length != 32 || command.data.size() != 32) return Answer(kNak);
  if (command.data != memory_.Read(kPasswordStart, 32)) return Answer(kNak);
  locked_ = false;
  return Answer(kAck);
}

// Blocks are moved a word at a time: an odd address or length is refused.
LoaderStep LoaderRom::WriteBlock(const LoaderCommand& command, bool patchRan) {
  if (command.length != command.data.size() || command.address % 2 != 0 || command.length % 2 != 0)
    return Answer(kNak);
  const std::size_t flashBytes = memory_.FlashBytesIn(command.address, command.data.size());
  // The old loaders cannot program flash by themselves: the patch must run first.
  if (flashBytes > 0 && options_.loaderVersion <= kLastVersionNeedingPatch && !patchRan) return Answer(kNak);
  if (memory_.Write(command.address, command.data) != WriteOutcome::Written) return Answer(kFailed);
  const platform::Micros time = static_cast<platform::Micros>(flashBytes) * ProgramTimePerByte(options_.hardware);
  LoaderStep step = Answer(kAck, options_.paced ? time : 0);
  step.flashTime = time;
  return step;
}

LoaderStep LoaderRom::ReadBlock(const LoaderCommand& command) {
  if (command.length > kMaxReplyData || !command.data.empty() || command.address % 2 != 0 ||
      command.length % 2 != 0)
    return Answer(kNak);
  LoaderStep step;
  step.replies.push_back(Emission{DataFrame(command.address, command.length), 0});
  return step;
}

// 80 00 L L data checksum, with the faults that spoil a data frame.
std::vector<std::uint8_t> LoaderRom::DataFrame(std::uint16_t address, std::size_t length) {
  const std::uint32_t n = faults_.Count(FaultBook::Counter::DataFrame);
  if (faults_.Fires(FaultKind::OversizeFrame, n)) length = kOversizeData;
  const auto size = static_cast<std::uint8_t>(length);
  std::vector<std::uint8_t> frame{kHeader, 0x00, size, size};
  const auto data = memory_.Read(address, length);
  frame.insert(frame.end(), data.begin(), data.end());
  std::uint16_t checksum = FrameChecksum(frame.data(), frame.size());
  if (faults_.Fires(FaultKind::BadChecksum, n)) checksum ^= 0x0101;
  if (faults_.Fires(FaultKind::UnequalLength, n)) frame[3] = static_cast<std::uint8_t>(size ^ 0x02);
  frame.push_back(static_cast<std::uint8_t>(checksum & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(checksum >> 8));
  return frame;
}

LoaderStep LoaderRom::MassErase(const LoaderCommand& command) {
  if (command.address != kEraseAddress || command.length != kEraseKey || !command.data.empty())
    return Answer(kNak);
  memory_.MassErase();
  const platform::Micros time = EraseTime(options_.hardware);
  LoaderStep step = Answer(kAck, options_.paced ? time : 0);
  step.flashTime = time;
  return step;
}

// The loader answers, then continues at the address: its own restart, the
// patch, the application's entry, or wherever the address leads.
LoaderStep LoaderRom::LoadProgramCounter(const LoaderCommand& command) {
  if (command.length != 0 || !command.data.empty() || command.address % 2 != 0) return Answer(kNak);
  LoaderStep step = Answer(kAck);
  if (command.address == kLoaderRestart) {
    Restart();
  } else if (command.address == kPatchEntry && PatchInRam(memory_)) {
    patchRan_ = true;
  } else if (memory_.HasApplication() && command.address == memory_.ResetVectorTarget()) {
    step.exit = LoaderExit::RunApplication;
  } else {
    step.exit = LoaderExit::Crash;
  }
  return step;
}

}  // namespace sim
