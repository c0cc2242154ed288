#pragma once
// Counts the occurrences the faults of the options refer to and says which
// fault fires at each.

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "sim/sim_options.h"

namespace sim {

class FaultBook {
 public:
  explicit FaultBook(std::vector<Fault> faults) : faults_(std::move(faults)) {}

  // What the faults count. Loader commands are counted per code.
  enum class Counter : std::uint8_t { TextCommand, SerialRead, Sync, Frame, DataFrame, Command };

  // Counts one more occurrence and returns its number (from 1).
  std::uint32_t Count(Counter counter, std::uint8_t command = 0) {
    return ++counts_[Key(counter, command)];
  }
  bool Fires(FaultKind kind, std::uint32_t occurrence, std::uint8_t command = 0) const {
    for (const auto& fault : faults_)
      if (fault.kind == kind && fault.command == command && fault.Fires(occurrence)) return true;
    return false;
  }
  // The byte count after which the line goes dead, if that fault is set.
  std::uint64_t DeadAfter() const {
    for (const auto& fault : faults_)
      if (fault.kind == FaultKind::Dead) return fault.first;
    return UINT64_MAX;
  }

 private:
  static int Key(Counter counter, std::uint8_t command) { return static_cast<int>(counter) * 256 + command; }
  std::vector<Fault> faults_;
  std::map<int, std::uint32_t> counts_;
};

}  // namespace sim
