// The simulated device over arbitrary bytes from the host: the first byte
// picks the program that listens (application or loader, old or new), the
// rest goes down the line in chunks (each led by its length byte) with pauses
// between them. Nothing the host sends may crash the device or leave the
// loader once it runs, except a jump the host asks for.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/clock.h"
#include "sim/sim_interface.h"

namespace {

platform::LineSettings Settings(bool loader, bool dtr, bool rts) {
  platform::LineSettings settings;
  settings.baudRate = loader ? 9600 : 115200;
  settings.parity = loader ? platform::Parity::Even : platform::Parity::None;
  settings.dtr = dtr;
  settings.rts = rts;
  return settings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  platform::ScopedClock clock(platform::MakeVirtualClock());
  sim::SimOptions options;
  const bool loader = data[0] & 1;
  options.loaderVersion = (data[0] & 2) ? 0x0110 : 0x0120;
  options.hardware = (data[0] & 4) ? sim::Hardware::Tern : sim::Hardware::Apex;
  const auto device = std::make_shared<sim::SimInterface>(options);
  auto opened = device->Open();
  if (!opened.device) std::abort();
  auto& line = *opened.device;
  line.InputWaiting();  // this thread reads for itself
  line.Apply(Settings(loader, true, true));
  if (loader) {
    // The loader's entry sequence, each line state held as the program holds it.
    for (const auto& [dtr, rts] : {std::pair{false, true}, {false, false}, {false, true}, {false, false}, {true, true}}) {
      platform::CurrentClock()->Sleep(150);
      line.Apply(Settings(true, dtr, rts));
    }
    if (!device->InLoader()) std::abort();
    platform::CurrentClock()->Sleep(150);  // the loader's start-up, before it listens
  }
  std::uint8_t reply[512];
  for (std::size_t at = 1; at < size;) {
    const std::size_t count = std::min<std::size_t>(data[at] % 40, size - at - 1);
    line.Write(data + at + 1, count);
    at += 1 + count;
    platform::CurrentClock()->Sleep(5);
    while (line.Read(reply, sizeof reply) > 0) {
    }
  }
  return 0;
}
