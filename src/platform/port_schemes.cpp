#include "platform/port_schemes.h"

#include <mutex>
#include <utility>
#include <vector>

namespace platform {
namespace {

struct Registry {
  std::mutex mutex;
  std::vector<PortScheme> schemes;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

bool SchemeTakes(const std::string& prefix, const std::string& name) {
  if (prefix.empty()) return false;
  const char last = prefix.back();
  if (last == ':' || last == '/') return name.starts_with(prefix);
  return name == prefix || name.starts_with(prefix + ":");
}

// The scheme that takes `name`, copied out under the lock; none: nullopt.
std::optional<PortScheme> FindScheme(const std::string& name) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.mutex);
  const PortScheme* best = nullptr;
  for (const PortScheme& scheme : registry.schemes) {
    if (SchemeTakes(scheme.prefix, name) && (!best || scheme.prefix.size() > best->prefix.size())) best = &scheme;
  }
  if (!best) return std::nullopt;
  return *best;
}

}  // namespace

void RegisterPortScheme(PortScheme scheme) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.mutex);
  for (PortScheme& known : registry.schemes) {
    if (known.prefix == scheme.prefix) {
      known = std::move(scheme);
      return;
    }
  }
  registry.schemes.push_back(std::move(scheme));
}

void RegisterPortScheme(const std::string& prefix, PortOpener opener) {
  RegisterPortScheme(PortScheme{prefix, std::move(opener), {}, false});
}

std::optional<PortOpener> FindPortOpener(const std::string& name) {
  std::optional<PortScheme> scheme = FindScheme(name);
  if (!scheme) return std::nullopt;
  return std::move(scheme->opener);
}

bool IsInProcessPort(const std::string& name) {
  const std::optional<PortScheme> scheme = FindScheme(name);
  return scheme && scheme->inProcess;
}

std::vector<std::string> PortSchemeExamples() {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> guard(registry.mutex);
  std::vector<std::string> examples;
  for (const PortScheme& scheme : registry.schemes) {
    if (!scheme.example.empty()) examples.push_back(scheme.example);
  }
  return examples;
}

}  // namespace platform
