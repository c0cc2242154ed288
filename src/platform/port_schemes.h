#pragma once
// Backends for port names that begin with a scheme. The layer above
// registers them (the simulator its "sim", the network client its
// "rfc2217://"); names no scheme takes go to the system's own devices.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/serial_device.h"

namespace platform {

// Their devices have no trouble of their own to tell an observer: refused
// settings are told for every device alike.
using PortOpener = std::function<OpenResult(const std::string& name)>;

struct PortScheme {
  // A prefix that ends in ':' or '/' takes every name that begins with it;
  // a bare word ("sim") takes itself and the word followed by ':'.
  std::string prefix;
  PortOpener opener;
  // How its names are written, for the advice on a name nobody takes;
  // empty: not named there.
  std::string example;
  // Its devices live in this process: another program can never hold them,
  // so a hold of one is kept in this process alone, without a lock file.
  bool inProcess = false;
};

// A scheme registered again under the same prefix replaces the earlier one.
void RegisterPortScheme(PortScheme scheme);
void RegisterPortScheme(const std::string& prefix, PortOpener opener);

// The opener of the scheme that takes `name` (the longest prefix wins).
std::optional<PortOpener> FindPortOpener(const std::string& name);
// Whether the scheme that takes `name` keeps its devices in this process.
bool IsInProcessPort(const std::string& name);
// The examples of the registered schemes, in the order they were registered.
std::vector<std::string> PortSchemeExamples();

}  // namespace platform
