#include "sim/sim_ports.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/port_names.h"
#include "platform/port_schemes.h"
#include "platform/rfc2217_port.h"

namespace sim {

// Interfaces by resolved port name.
struct SimInterfaceSet {
  std::map<std::string, std::shared_ptr<SimInterface>> byName;
};

namespace {

constexpr std::string_view kBareName = "sim";
constexpr std::string_view kPrefix = "sim:";

struct Registry {
  std::mutex mutex;
  std::shared_ptr<SimInterfaceSet> interfaces = std::make_shared<SimInterfaceSet>();
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
  auto& byName = registry.interfaces->byName;
  if (const auto found = byName.find(name); found != byName.end()) return found->second;
  const std::string_view text = name == kBareName ? std::string_view() : std::string_view(name).substr(kPrefix.size());
  const auto options = ParseSimOptions(text, error);
  if (!options) return nullptr;
  auto interface = std::make_shared<SimInterface>(*options);
  byName.emplace(name, interface);
  return interface;
}

}  // namespace

platform::OpenResult OpenSimPort(const std::string& name) {
  std::string error;
  const auto interface = Lookup(name, &error);
  if (!interface) return {nullptr, platform::Error::UnknownName, error};
  return interface->Open();
}

void RegisterSimPorts() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Its interfaces live in this process: no other program can hold one.
    platform::RegisterPortScheme(platform::PortScheme{std::string(kBareName), OpenSimPort, "sim", true});
    platform::RegisterPortScheme(platform::PortScheme{std::string(kPrefix), OpenSimPort, {}, true});
  });
}

std::shared_ptr<SimInterface> FindSimInterface(const std::string& portName) {
  return Lookup(platform::ResolvePortName(portName), nullptr);
}

void AttachSimInterface(const std::string& portName, std::shared_ptr<SimInterface> interface) {
  auto& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.interfaces->byName[platform::ResolvePortName(portName)] = std::move(interface);
}

void RegisterBuiltInPorts() {
  RegisterSimPorts();
  platform::RegisterNetworkPorts();
}

ScopedSimInterfaces::ScopedSimInterfaces() {
  RegisterSimPorts();
  auto& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  previous_ = std::exchange(registry.interfaces, std::make_shared<SimInterfaceSet>());
}

ScopedSimInterfaces::~ScopedSimInterfaces() {
  auto& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.interfaces = std::move(previous_);
}

}  // namespace sim
