#include "sim/device_model.h"

#include <algorithm>

namespace sim {
namespace {

// The host's driver keeps at most this much unread input; the rest is lost.
constexpr std::size_t kHostInputLimit = 65536;
// Before the reset that selects the loader, both lines must have been on this
// long (the device settles after a line change); a loader runs this long
// after its release before it listens.
constexpr platform::Micros kSettleBeforeReset = 100'000;
constexpr platform::Micros kLoaderStartTime = 100'000;
// The logs keep the most recent entries of a long-running interface.
constexpr std::size_t kLogLimit = 1 << 20;

template <typename Entry>
void Log(std::vector<Entry>& log, Entry entry) {
  if (log.size() >= kLogLimit) log.erase(log.begin(), log.begin() + kLogLimit / 2);
  log.push_back(std::move(entry));
}

bool SameFraming(const platform::LineSettings& a, const platform::LineSettings& b) {
  return a.baudRate == b.baudRate && a.dataBits == b.dataBits && a.parity == b.parity && a.stopBits == b.stopBits;
}

// A receiver set to other framing than the sender: at another baud rate the
// byte is lost; at the same rate with other data, parity or stop bits it
// arrives garbled.
ByteFate FateAt(const platform::LineSettings& sender, const platform::LineSettings& receiver) {
  if (SameFraming(sender, receiver)) return ByteFate::Understood;
  return sender.baudRate == receiver.baudRate ? ByteFate::Garbled : ByteFate::Lost;
}

std::uint8_t Garble(std::uint8_t value) { return static_cast<std::uint8_t>(value ^ 0x80); }

platform::LineSettings ApplicationSettings() {
  platform::LineSettings settings;
  settings.baudRate = 115200;
  settings.parity = platform::Parity::None;
  return settings;
}

platform::LineSettings LoaderSettings() {
  platform::LineSettings settings;
  settings.baudRate = 9600;
  settings.parity = platform::Parity::Even;
  return settings;
}

}  // namespace

DeviceModel::DeviceModel(const SimOptions& options, platform::Micros now)
    : options_(options),
      memory_(options_.hardware, options_.loaderVersion, options_.blank, options_.serialNumber),
      faults_(options_.faults),
      app_(options_, memory_, faults_),
      loader_(options_, memory_, faults_) {
  // Until a host opens the port, its driver holds DTR and RTS off: the
  // device waits in reset, and the first open starts it as any other does.
  host_.dtr = false;
  host_.rts = false;
  state_ = RunState::HeldInReset;
  hostLineFree_ = deviceLineFree_ = now;
  linesOnSince_ = now;
  listensFrom_ = now;
}

void DeviceModel::Connect(platform::Micros now) {
  AdvanceTo(now);
  hostInput_.clear();
  toDevice_.clear();
  hostLineFree_ = now;
  SetLines(true, true, now);
}

void DeviceModel::Disconnect(platform::Micros now) {
  AdvanceTo(now);
  if (host_.hangUpOnClose) SetLines(false, false, now);
}

void DeviceModel::Apply(const platform::LineSettings& settings, platform::Micros now) {
  AdvanceTo(now);
  Log(lineEvents_, LineEvent{now, settings.dtr, settings.rts, settings});
  const platform::LineSettings before = host_;
  host_ = settings;
  host_.dtr = before.dtr;
  host_.rts = before.rts;
  SetLines(settings.dtr, settings.rts, now);
}

// DTR off holds the device in reset. While it is held, each RTS fall counts;
// releasing it after two or more starts the loader, else the application.
void DeviceModel::SetLines(bool dtr, bool rts, platform::Micros now) {
  const bool wasHeld = !host_.dtr;
  const bool held = !dtr;
  const bool rtsFell = host_.rts && !rts;
  const bool wereOn = host_.dtr && host_.rts;
  host_.dtr = dtr;
  host_.rts = rts;
  if (!wereOn && dtr && rts) linesOnSince_ = now;
  if (state_ == RunState::Dead) return;
  if (!wasHeld && held) HoldInReset(now);
  if (wasHeld && held && rtsFell) ++rtsPulses_;
  if (wasHeld && !held) Release(rtsPulses_ >= 2 && settledBeforeReset_, now);
}

void DeviceModel::HoldInReset(platform::Micros now) {
  settledBeforeReset_ = state_ != RunState::HeldInReset && now - linesOnSince_ >= kSettleBeforeReset;
  state_ = RunState::HeldInReset;
  rtsPulses_ = 0;
  toHost_.clear();  // what the device had not sent yet dies with it
}

// The program that starts needs its start-up time before it listens: the
// firmware its boot time, the loader a little.
void DeviceModel::Release(bool intoLoader, platform::Micros now) {
  if (intoLoader) {
    loader_.Restart();
    state_ = RunState::Loader;
    listensFrom_ = now + kLoaderStartTime;
  } else if (memory_.HasApplication()) {
    app_.Restart();
    state_ = RunState::Application;
    listensFrom_ = now + static_cast<platform::Micros>(options_.bootMs) * 1000;
  } else {
    state_ = RunState::Silent;
  }
}

bool DeviceModel::Listening(platform::Micros time) const {
  const bool running = state_ == RunState::Application || state_ == RunState::Loader;
  return running && time >= listensFrom_;
}

void DeviceModel::GoDead() {
  state_ = RunState::Dead;
  toHost_.clear();
}

std::size_t DeviceModel::HostWrite(const std::uint8_t* bytes, std::size_t count, platform::Micros now) {
  AdvanceTo(now);
  if (options_.transmitQueue > 0) {
    const std::size_t room = toDevice_.size() < options_.transmitQueue ? options_.transmitQueue - toDevice_.size() : 0;
    count = std::min(count, room);
  }
  const platform::Micros wire = WireTime(host_);
  for (std::size_t i = 0; i < count; ++i) {
    const platform::Micros done = std::max(now, hostLineFree_) + wire;
    hostLineFree_ = done;
    toDevice_.push_back(TimedByte{done, bytes[i], host_});
  }
  AdvanceTo(now);
  return count;
}

std::size_t DeviceModel::InputReady(platform::Micros now) {
  AdvanceTo(now);
  return hostInput_.size();
}

std::size_t DeviceModel::TakeInput(std::uint8_t* buffer, std::size_t max, platform::Micros now) {
  AdvanceTo(now);
  const std::size_t count = std::min(max, hostInput_.size());
  for (std::size_t i = 0; i < count; ++i) {
    buffer[i] = hostInput_.front();
    hostInput_.pop_front();
  }
  return count;
}

std::size_t DeviceModel::OutputPending(platform::Micros now) {
  AdvanceTo(now);
  return toDevice_.size();
}

void DeviceModel::PurgeInput(platform::Micros now) {
  AdvanceTo(now);
  hostInput_.clear();
}

void DeviceModel::PurgeOutput(platform::Micros now) {
  AdvanceTo(now);
  toDevice_.clear();
  hostLineFree_ = now;
}

platform::Micros DeviceModel::NextEvent() const {
  platform::Micros next = platform::kNever;
  if (!toDevice_.empty()) next = std::min(next, toDevice_.front().time);
  if (!toHost_.empty()) next = std::min(next, toHost_.front().time);
  return next;
}

// Both directions in time order; what the device sends in answer to a byte
// joins the line behind what it is already sending.
void DeviceModel::AdvanceTo(platform::Micros now) {
  for (;;) {
    const bool deviceNext = !toDevice_.empty() && toDevice_.front().time <= now &&
                            (toHost_.empty() || toDevice_.front().time < toHost_.front().time);
    if (deviceNext) {
      const TimedByte byte = toDevice_.front();
      toDevice_.pop_front();
      ArriveAtDevice(byte);
    } else if (!toHost_.empty() && toHost_.front().time <= now) {
      const TimedByte byte = toHost_.front();
      toHost_.pop_front();
      ArriveAtHost(byte);
    } else {
      return;
    }
  }
}

void DeviceModel::ArriveAtDevice(const TimedByte& byte) {
  ReceivedByte record{byte.time, byte.value, byte.settings, ByteFate::Lost};
  if (state_ != RunState::Dead && ++bytesArrived_ > faults_.DeadAfter()) GoDead();
  if (Listening(byte.time)) record.fate = FateAt(byte.settings, DeviceSettings());
  Log(received_, record);
  if (record.fate == ByteFate::Lost) return;
  const std::uint8_t value = record.fate == ByteFate::Garbled ? Garble(byte.value) : byte.value;

  if (state_ == RunState::Application) {
    if (const auto reply = app_.Receive(value)) Emit(*reply, byte.time);
    return;
  }
  const std::size_t logged = loader_.Commands().size();
  const LoaderStep step = loader_.Receive(value);
  auto& commands = loader_.Commands();
  for (std::size_t i = logged; i < commands.size(); ++i) commands[i].time = byte.time;
  if (commands.size() > kLogLimit) commands.erase(commands.begin(), commands.begin() + kLogLimit / 2);
  flashBusy_ += step.flashTime;
  for (const auto& reply : step.replies) Emit(reply, byte.time);
  if (step.exit == LoaderExit::RunApplication) {
    app_.Restart();
    state_ = RunState::Application;
    listensFrom_ = byte.time + static_cast<platform::Micros>(options_.bootMs) * 1000;
  } else if (step.exit == LoaderExit::Crash) {
    state_ = RunState::Silent;
  }
}

void DeviceModel::ArriveAtHost(const TimedByte& byte) {
  const ByteFate fate = FateAt(byte.settings, host_);
  if (fate == ByteFate::Lost || hostInput_.size() >= kHostInputLimit) return;
  hostInput_.push_back(fate == ByteFate::Garbled ? Garble(byte.value) : byte.value);
}

void DeviceModel::Emit(const Emission& emission, platform::Micros from) {
  const platform::LineSettings settings = DeviceSettings();
  const platform::Micros wire = WireTime(settings);
  platform::Micros start = from + emission.delay;
  for (const std::uint8_t value : emission.bytes) {
    const platform::Micros done = std::max(start, deviceLineFree_) + wire;
    deviceLineFree_ = done;
    toHost_.push_back(TimedByte{done, value, settings});
    start = done;
  }
}

// Start bit, data bits, parity bit, stop bits; no time at all when unpaced.
platform::Micros DeviceModel::WireTime(const platform::LineSettings& settings) const {
  if (!options_.paced || settings.baudRate == 0) return 0;
  const unsigned parityBits = settings.parity == platform::Parity::None ? 0 : 1;
  const unsigned halfStopBits = settings.stopBits == platform::StopBits::One       ? 2
                                : settings.stopBits == platform::StopBits::OneAndHalf ? 3
                                                                                      : 4;
  const std::uint64_t halfBits = 2u * (1u + settings.dataBits + parityBits) + halfStopBits;
  return static_cast<platform::Micros>((halfBits * 1'000'000 + settings.baudRate) / (2u * settings.baudRate));
}

platform::LineSettings DeviceModel::DeviceSettings() const {
  return state_ == RunState::Loader ? LoaderSettings() : ApplicationSettings();
}

void DeviceModel::ClearLogs() {
  lineEvents_.clear();
  received_.clear();
  loader_.Commands().clear();
  app_.ClearLog();
}

}  // namespace sim
