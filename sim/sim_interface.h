#pragma once
// One simulated Quorrel interface: its memory, the program that runs on it
// (application firmware or bootstrap loader) and its end of the serial cable.
// It lives on the time line of platform::CurrentClock() and has no thread of
// its own: every call brings it up to the clock's present first.
//
// The interface outlives the opens of its port (the cable stays plugged in);
// Open hands out the host's end, one at a time. All members are thread-safe.
// The logs keep the most recent million entries each.
//
// On a virtual clock the host's end settles before time moves: a watcher
// thread (one that waits without a time-out) takes what became ready first.
// Until some thread has read or waited on a fresh end, ready bytes are taken
// to be on their way to a watcher that has not started yet, and a settle waits
// (at most a few seconds of real time) for it: a thread that reads for itself
// should look at InputWaiting once before it first lets the clock move.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/serial_device.h"
#include "sim/sim_options.h"

namespace sim {

class DeviceModel;
class SimSerialDevice;

// Which program the device runs right now.
enum class RunState : std::uint8_t {
  Application,  // the firmware answers its text commands at 115200 8N1
  Loader,       // the bootstrap loader answers frames at 9600 8E1
  HeldInReset,  // DTR is off
  Silent,       // no program in flash, or a jump into nowhere
  Dead,         // the line went dead (removed)
};

// One Apply of line settings by the host, with the modem lines it set.
struct LineEvent {
  platform::Micros time = 0;
  bool dtr = true;
  bool rts = true;
  platform::LineSettings settings;
};

// What became of one byte the host sent.
enum class ByteFate : std::uint8_t { Understood, Garbled, Lost };

struct ReceivedByte {
  platform::Micros time = 0;
  std::uint8_t value = 0;
  platform::LineSettings settings;  // the host's, when it sent the byte
  ByteFate fate = ByteFate::Understood;
};

// One complete, well-formed loader frame and the first byte of the answer
// (0 when the device answered nothing).
struct LoaderCommand {
  platform::Micros time = 0;
  std::uint8_t command = 0;
  std::uint16_t address = 0;
  std::uint16_t length = 0;
  std::vector<std::uint8_t> data;  // after the address and length fields
  std::uint8_t reply = 0;
};

class SimInterface : public std::enable_shared_from_this<SimInterface> {
 public:
  explicit SimInterface(SimOptions options);
  ~SimInterface();
  SimInterface(const SimInterface&) = delete;
  SimInterface& operator=(const SimInterface&) = delete;

  const SimOptions& Options() const { return options_; }

  // The host's end of the cable. Busy while another end is open.
  platform::OpenResult Open();
  bool IsOpen() const;

  // Inspection for tests.
  std::vector<std::uint8_t> ReadMemory(std::uint16_t address, std::size_t length) const;
  // Puts bytes straight into memory, whatever the region (test set-up).
  void PokeMemory(std::uint16_t address, const std::vector<std::uint8_t>& bytes);
  std::string SerialNumber() const;
  RunState State() const;
  bool InLoader() const { return State() == RunState::Loader; }
  bool LoaderLocked() const;
  std::vector<LineEvent> LineEvents() const;
  std::vector<ReceivedByte> ReceivedBytes() const;
  std::vector<LoaderCommand> LoaderCommands() const;
  // The text commands the firmware understood, without "S{" and "}".
  std::vector<std::string> ApplicationCommands() const;
  void ClearLogs();
  // Time the device spent erasing and programming flash, and bytes it sent
  // and received on the wire (for the wire-time bound of a paced run).
  platform::Micros FlashBusyTime() const;

 private:
  friend class SimSerialDevice;

  SimOptions options_;
  mutable std::mutex mutex_;
  std::unique_ptr<DeviceModel> model_;
  bool open_ = false;
};

}  // namespace sim
