#pragma once
// The "sim" port scheme: "sim" and "sim:key=value,..." (see sim_options.h)
// name simulated interfaces. The same name reaches the same interface across
// opens, as a cable stays plugged into its port; "COM3" reaches one through
// QUORREL_COM3=sim:... like any other port.

#include <memory>
#include <string>

#include "platform/serial_device.h"
#include "sim/sim_interface.h"

namespace sim {

// Registers the scheme with the platform (once; later calls do nothing).
void RegisterSimPorts();

// The port schemes every program of ours takes besides device paths: "sim"
// and "rfc2217://". Once per process; the window, the terminal and the
// screenshot tool call it first thing.
void RegisterBuiltInPorts();

// Opens the interface a sim name stands for, creating it on first use.
// UnknownName for a name that is not a sim name or whose options do not parse
// (the detail says why), Busy while the port is open already.
platform::OpenResult OpenSimPort(const std::string& name);

// The interface behind a port name (resolved as the platform resolves it),
// created on first use; null when the name is not a sim name or its options
// do not parse.
std::shared_ptr<SimInterface> FindSimInterface(const std::string& portName);

// Puts `interface` behind a port name (resolved), replacing any earlier one.
void AttachSimInterface(const std::string& portName, std::shared_ptr<SimInterface> interface);

// A fresh set of simulated interfaces while it lives (a test, a benchmark):
// sim names reach new interfaces, and the set it replaced comes back when it
// goes. Registers the scheme too.
struct SimInterfaceSet;
class ScopedSimInterfaces {
 public:
  ScopedSimInterfaces();
  ~ScopedSimInterfaces();
  ScopedSimInterfaces(const ScopedSimInterfaces&) = delete;
  ScopedSimInterfaces& operator=(const ScopedSimInterfaces&) = delete;

 private:
  std::shared_ptr<SimInterfaceSet> previous_;
};

}  // namespace sim
