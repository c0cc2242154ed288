#pragma once
// The whole device on one time line: the line into it and out of it, the
// reset rule of the DTR and RTS lines, and the program running on it. Not
// thread-safe: SimInterface guards it. Every call names the present time and
// first brings the device up to it, so the device is the same whenever it is
// looked at.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/serial_device.h"
#include "sim/application_firmware.h"
#include "sim/fault_book.h"
#include "sim/loader_rom.h"
#include "sim/memory_map.h"
#include "sim/sim_interface.h"
#include "sim/sim_options.h"

namespace sim {

class DeviceModel {
 public:
  DeviceModel(const SimOptions& options, platform::Micros now);

  // The host's end.
  // A fresh open: empty host queues; the driver raises DTR and RTS.
  void Connect(platform::Micros now);
  // The port closes: the driver drops DTR and RTS unless the host's settings
  // said otherwise, as a tty does.
  void Disconnect(platform::Micros now);
  void Apply(const platform::LineSettings& settings, platform::Micros now);
  // Returns the bytes the host's transmit queue took: all of them, unless it
  // is bounded and fills up.
  std::size_t HostWrite(const std::uint8_t* bytes, std::size_t count, platform::Micros now);
  std::size_t InputReady(platform::Micros now);
  std::size_t TakeInput(std::uint8_t* buffer, std::size_t max, platform::Micros now);
  std::size_t OutputPending(platform::Micros now);
  void PurgeInput(platform::Micros now);
  void PurgeOutput(platform::Micros now);
  // When the next byte reaches either end (kNever: nothing under way).
  platform::Micros NextEvent() const;

  MemoryMap& Memory() { return memory_; }
  const MemoryMap& Memory() const { return memory_; }
  RunState State() const { return state_; }
  bool LoaderLocked() const { return loader_.Locked(); }
  const std::vector<LineEvent>& LineEvents() const { return lineEvents_; }
  const std::vector<ReceivedByte>& ReceivedBytes() const { return received_; }
  const std::vector<LoaderCommand>& LoaderCommands() { return loader_.Commands(); }
  const std::vector<std::string>& ApplicationCommands() const { return app_.Commands(); }
  void ClearLogs();
  platform::Micros FlashBusyTime() const { return flashBusy_; }

 private:
  struct TimedByte {
    platform::Micros time;
    std::uint8_t value;
    platform::LineSettings settings;  // the sender's
  };

  void AdvanceTo(platform::Micros now);
  void ArriveAtDevice(const TimedByte& byte);
  void ArriveAtHost(const TimedByte& byte);
  void Emit(const Emission& emission, platform::Micros from);
  void SetLines(bool dtr, bool rts, platform::Micros now);
  void HoldInReset(platform::Micros now);
  void Release(bool intoLoader, platform::Micros now);
  bool Listening(platform::Micros time) const;
  void GoDead();
  platform::Micros WireTime(const platform::LineSettings& settings) const;
  platform::LineSettings DeviceSettings() const;

  SimOptions options_;
  MemoryMap memory_;
  FaultBook faults_;
  ApplicationFirmware app_;
  LoaderRom loader_;
  RunState state_ = RunState::Application;

  platform::LineSettings host_;
  int rtsPulses_ = 0;
  // Since when DTR and RTS have both been on with the device running, and
  // whether they had been long enough when the reset came.
  platform::Micros linesOnSince_ = 0;
  bool settledBeforeReset_ = false;
  // The program started by the last release listens from then on.
  platform::Micros listensFrom_ = 0;
  std::deque<TimedByte> toDevice_;
  std::deque<TimedByte> toHost_;
  std::deque<std::uint8_t> hostInput_;
  platform::Micros hostLineFree_ = 0;
  platform::Micros deviceLineFree_ = 0;
  std::uint64_t bytesArrived_ = 0;
  platform::Micros flashBusy_ = 0;

  std::vector<LineEvent> lineEvents_;
  std::vector<ReceivedByte> received_;
};

}  // namespace sim
