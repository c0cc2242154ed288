#include "sim/sim_interface.h"

#include "sim/device_model.h"
#include "sim/sim_serial_device.h"

namespace sim {

SimInterface::SimInterface(SimOptions options)
    : options_(std::move(options)),
      model_(std::make_unique<DeviceModel>(options_, platform::CurrentClock()->Now())) {}

SimInterface::~SimInterface() = default;

platform::OpenResult SimInterface::Open() {
  std::shared_ptr<SimSerialDevice> device;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (open_) return {nullptr, platform::Error::Busy, "the simulated interface is open already"};
    open_ = true;
    model_->Connect(platform::CurrentClock()->Now());
    device = std::make_shared<SimSerialDevice>(shared_from_this());
  }
  platform::CurrentClock()->AddObserver(device);
  return {MakeOwnedDevice(std::move(device)), platform::Error::None, {}};
}

bool SimInterface::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

std::vector<std::uint8_t> SimInterface::ReadMemory(std::uint16_t address, std::size_t length) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_->Memory().Read(address, length);
}

void SimInterface::PokeMemory(std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  model_->Memory().Poke(address, bytes);
}

std::string SimInterface::SerialNumber() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_->Memory().SerialNumber();
}

RunState SimInterface::State() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_->State();
}

bool SimInterface::LoaderLocked() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_->LoaderLocked();
}

std::vector<LineEvent> SimInterface::LineEvents() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_->LineEvents();
}

std::vector<ReceivedByte> SimInterface::ReceivedBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_->ReceivedBytes();
}

std::vector<LoaderCommand> SimInterface::LoaderCommands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_->LoaderCommands();
}

std::vector<std::string> SimInterface::ApplicationCommands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_->ApplicationCommands();
}

void SimInterface::ClearLogs() {
  std::lock_guard<std::mutex> lock(mutex_);
  model_->ClearLogs();
}

platform::Micros SimInterface::FlashBusyTime() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_->FlashBusyTime();
}

}  // namespace sim
