#include "sim/sim_host.h"

#include <stdexcept>

#include "sim/sim_options.h"

namespace simtest {

void Play(platform::SerialDevice& device, platform::LineSettings framing, const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    framing.dtr = step.dtr;
    framing.rts = step.rts;
    device.Apply(framing);
    if (step.pauseMs) platform::CurrentClock()->Sleep(step.pauseMs);
  }
}

void EnterLoader(platform::SerialDevice& device) {
  Play(device, LoaderLine(),
       {{true, true}, {true, true, 250}, {false, true}, {false, true}, {false, false}, {false, true},
        {false, false}, {true, false}, {true, true, 250}});
  device.Purge(platform::PurgeSide::Both);
}

void RestartNormally(platform::SerialDevice& device, platform::LineSettings framing) {
  Play(device, framing, {{true, true}, {true, true, 250}, {false, true}, {true, true, 250}});
  device.Purge(platform::PurgeSide::Both);
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

Bytes TakeAll(platform::SerialDevice& device) {
  Bytes out(device.InputWaiting());
  out.resize(device.Read(out.data(), out.size()));
  return out;
}

Bytes Talk(platform::SerialDevice& device, const Bytes& bytes, std::uint32_t ms) {
  device.InputWaiting();  // this thread reads for itself: no watcher to wait for
  device.Write(bytes.data(), bytes.size());
  platform::CurrentClock()->Sleep(ms);
  return TakeAll(device);
}

std::uint16_t Checksum(const Bytes& bytes) {
  std::uint16_t x = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) x ^= static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8));
  return static_cast<std::uint16_t>(~x);
}

Bytes Frame(std::uint8_t command, std::uint16_t address, std::uint16_t length, Bytes data) {
  if (data.size() % 2) data.push_back(0xFF);
  const auto l = static_cast<std::uint8_t>(4 + data.size());
  Bytes frame{0x80, command, l, l, static_cast<std::uint8_t>(address & 0xFF), static_cast<std::uint8_t>(address >> 8),
              static_cast<std::uint8_t>(length & 0xFF), static_cast<std::uint8_t>(length >> 8)};
  frame.insert(frame.end(), data.begin(), data.end());
  const std::uint16_t sum = Checksum(frame);
  frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(sum >> 8));
  return frame;
}

Bytes Command(platform::SerialDevice& device, std::uint8_t command, std::uint16_t address, std::uint16_t length,
              Bytes data) {
  device.Purge(platform::PurgeSide::Input);
  const Bytes sync = Talk(device, {0x80});
  if (sync != Bytes{0x90}) return sync;
  return Talk(device, Frame(command, address, length, std::move(data)), 100);
}

Bytes ReadBlock(platform::SerialDevice& device, std::uint16_t address, std::uint16_t length) {
  const Bytes answer = Command(device, 0x14, address, length);
  if (answer.size() < 6 || answer[0] != 0x80 || answer.size() != 6u + answer[2]) return {};
  return Bytes(answer.begin() + 4, answer.end() - 2);
}

Rig::Rig(const std::string& options) {
  const auto parsed = sim::ParseSimOptions(options, nullptr);
  if (!parsed) throw std::invalid_argument("bad sim options in a test: " + options);
  sim = std::make_shared<sim::SimInterface>(*parsed);
  device = sim->Open().device;
  // The open started the device: let the firmware boot.
  platform::CurrentClock()->Sleep(parsed->bootMs);
}

LoaderRig::LoaderRig(const std::string& options) : Rig(options) {
  device->Apply(LoaderLine());
  EnterLoader(*device);
  Erase(*device);
  Password(*device);
}

}  // namespace simtest
