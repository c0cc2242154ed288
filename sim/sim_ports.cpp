#include "sim/sim_ports.h"

#include <map>
#include <mutex>

#include "platform/port_names.h"

namespace sim {
namespace {

constexpr std::string_view kBareName = "sim";
constexpr std::string_view kPrefix = "sim:";

struct Registry {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<SimInterface>> interfaces;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

bool IsSimName(const std::string& name) { return name == kBareName || name.starts_with(kPrefix); }

// The interface behind an already resolved sim name, made on first use.
std::shared_ptr<SimInterface> Lookup(const std::string& name, std::string* error) {
  if (!IsSimName(name)) {
    if (error) *error = "\"" + name + "\" is not a simulated port";
    return nullptr;
  }
  auto& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (const auto found = registry.interfaces.find(name); found != registry.interfaces.end()) return found->second;
  const std::string_view text = name == kBareName ? std::string_view() : std::string_view(name).substr(kPrefix.size());
  const auto options = ParseSimOptions(text, error);
  if (!options) return nullptr;
  auto interface = std::make_shared<SimInterface>(*options);
  registry.interfaces.emplace(name, interface);
  return interface;
}

}  // namespace

platform::OpenResult OpenSimPort(const std::string& name) {
  std::string error;
  const auto interface = Lookup(name, &error);
  if (!interface) return {nullptr, platform::OpenError::UnknownName, error};
  return interface->Open();
}

void RegisterSimPorts() {
  static std::once_flag once;
  std::call_once(once, [] {
    platform::RegisterPortScheme(std::string(kBareName), OpenSimPort);
    platform::RegisterPortScheme(std::string(kPrefix), OpenSimPort);
  });
}

std::shared_ptr<SimInterface> FindSimInterface(const std::string& portName) {
  return Lookup(platform::ResolvePortName(portName), nullptr);
}

void AttachSimInterface(const std::string& portName, std::shared_ptr<SimInterface> interface) {
  auto& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.interfaces[platform::ResolvePortName(portName)] = std::move(interface);
}

void ForgetSimInterfaces() {
  auto& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.interfaces.clear();
}

}  // namespace sim
