#pragma once
// The bootstrap loader in the device's ROM: it answers the sync byte, takes
// checked frames, and runs the password, write, read, mass-erase and
// load-program-counter commands.

#include <cstdint>
#include <vector>

#include "sim/emission.h"
#include "sim/fault_book.h"
#include "sim/memory_map.h"
#include "sim/sim_interface.h"
#include "sim/sim_options.h"

namespace sim {

// What the device does once the loader has answered.
enum class LoaderExit : std::uint8_t { Stay, RunApplication, Crash };

struct LoaderStep {
  std::vector<Emission> replies;
  LoaderExit exit = LoaderExit::Stay;
  platform::Micros flashTime = 0;  // erase or programming time this step took
};

class LoaderRom {
 public:
  LoaderRom(const SimOptions& options, MemoryMap& memory, FaultBook& faults)
      : options_(options), memory_(memory), faults_(faults) {}

  // A (re)start: locked, waiting for the sync byte.
  void Restart();
  LoaderStep Receive(std::uint8_t byte);
  bool Locked() const { return locked_; }

  // Well-formed frames, in the order they came (time left 0: the caller stamps them).
  std::vector<LoaderCommand>& Commands() { return commands_; }

 private:
  enum class Phase : std::uint8_t { Idle, Synced, Frame };

  LoaderStep ReceiveFrameByte(std::uint8_t byte);
  LoaderStep Execute();
  LoaderStep Password(const LoaderCommand& command);
  LoaderStep WriteBlock(const LoaderCommand& command, bool patchRan);
  LoaderStep ReadBlock(const LoaderCommand& command);
  LoaderStep MassErase(const LoaderCommand& command);
  LoaderStep LoadProgramCounter(const LoaderCommand& command);
  std::vector<std::uint8_t> DataFrame(std::uint16_t address, std::size_t length);

  const SimOptions& options_;
  MemoryMap& memory_;
  FaultBook& faults_;
  Phase phase_ = Phase::Idle;
  bool locked_ = true;
  bool patchRan_ = false;  // the command before was a jump into a present patch
  std::vector<std::uint8_t> frame_;
  std::vector<LoaderCommand> commands_;
};

}  // namespace sim
