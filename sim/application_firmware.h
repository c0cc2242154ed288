#pragma once
// The interface's application firmware: it picks complete "S{...}" commands
// out of the byte stream and answers the identify and serial-number reads
// with one framed line each; the serial-number write answers nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/emission.h"
#include "sim/fault_book.h"
#include "sim/memory_map.h"
#include "sim/sim_options.h"

namespace sim {

class ApplicationFirmware {
 public:
  ApplicationFirmware(const SimOptions& options, MemoryMap& memory, FaultBook& faults)
      : options_(options), memory_(memory), faults_(faults) {}

  // A restart forgets a half-received command.
  void Restart() { pending_.clear(); }
  std::optional<Emission> Receive(std::uint8_t byte);
  const std::vector<std::string>& Commands() const { return commands_; }
  void ClearLog() { commands_.clear(); }

 private:
  std::optional<Emission> Execute(const std::string& command);
  std::string Line(const std::string& payload) const;

  const SimOptions& options_;
  MemoryMap& memory_;
  FaultBook& faults_;
  std::string pending_;
  std::vector<std::string> commands_;
};

}  // namespace sim
