#pragma once
// The standard streams of a program that talks to devices. Whatever opens
// first takes the lowest free descriptor: started with standard output or
// error closed, a port or a file would take its place, and text meant for
// the user would go to the device. And a reader of the output that goes away
// must not end a run that is programming a device.

namespace platform {

// Opens the null device onto any of standard input, output and error that is
// closed. The first thing every program does, before it opens anything else.
// False when one of them could not be opened: the program must end then.
bool OpenClosedStandardStreams();

// While one lives, a write to a pipe whose reader has gone fails with an
// error instead of ending the process.
class ScopedBrokenPipeTolerance {
 public:
  ScopedBrokenPipeTolerance();
  ~ScopedBrokenPipeTolerance();
  ScopedBrokenPipeTolerance(const ScopedBrokenPipeTolerance&) = delete;
  ScopedBrokenPipeTolerance& operator=(const ScopedBrokenPipeTolerance&) = delete;
};

}  // namespace platform
