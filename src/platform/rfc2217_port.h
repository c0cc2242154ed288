#pragma once
// Network serial ports: "rfc2217://HOST:PORT" reaches a serial port that a
// terminal server (or the simulated interface's server) offers over TCP with
// Telnet com-port control.

#include <string>

#include "platform/serial_device.h"

namespace platform {

// Each wait has a reason: a slow link still connects and answers within
// these, while a dead one holds the program little longer than a serial line
// that stays silent (the loader's reply wait is 1.2 s, a port write's 10 s).
struct NetworkTimeouts {
  int connectMs = 3000;      // reaching the host; a refusal comes at once
  int negotiationMs = 2000;  // the server agreeing to com-port control
  int answerMs = 1000;       // the server confirming one line setting or purge
  int writeMs = 5000;        // the socket taking the bytes of one write
};

// Connects and negotiates. A malformed name gives UnknownName; a host that
// cannot be reached, refuses com-port control or does not answer gives
// ConnectionFailed; `detail` says which.
OpenResult OpenNetworkSerialDevice(const std::string& name, const NetworkTimeouts& timeouts = {});

// Lets OpenSerialDevice take "rfc2217://" names; main programs call it once.
void RegisterNetworkPorts();

}  // namespace platform
