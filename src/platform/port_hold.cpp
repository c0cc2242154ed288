// Holds nest within a process by key; each key is taken from the system
// (port_key.h) by the first hold of it and let go by the last.

#include "platform/port_hold.h"

#include <map>
#include <mutex>

#include "platform/port_key.h"
#include "platform/port_names.h"

namespace platform {
namespace {

using HoldResult = Result<std::unique_ptr<PortHold>>;

struct Held {
  int count = 0;
  std::unique_ptr<KeyLock> lock;  // null for a simulated port's key
};

// Holds of this process: by key (a lock's name, or the name of a simulated
// port), and by the resolved name they were asked for.
struct Holds {
  std::mutex mutex;
  std::map<std::string, Held> byKey;
  std::map<std::string, int> byName;
};

Holds& TheHolds() {
  static Holds holds;
  return holds;
}

// Lets go of keys in reverse order; the last hold of a key lets the system
// go of it.
void Release(Holds& holds, const std::vector<std::string>& keys) {
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
    const auto found = holds.byKey.find(*key);
    if (found == holds.byKey.end() || --found->second.count > 0) continue;
    holds.byKey.erase(found);
  }
}

// Takes every key of the identity, or none.
HoldResult TakeAll(Holds& holds, const std::string& name, const PortIdentity& identity) {
  std::vector<std::string> taken;
  for (const std::string& key : identity.keys) {
    const bool first = holds.byKey.find(key) == holds.byKey.end();
    std::unique_ptr<KeyLock> lock;
    if (first && identity.lockFiles) {
      Result<std::unique_ptr<KeyLock>> took = TakeKeyLock(key, identity.ttyPath);
      if (!took.ok()) {
        Release(holds, taken);
        return HoldResult::Failure(took.error, took.detail);
      }
      lock = std::move(took.value);
    }
    Held& held = holds.byKey[key];
    if (first) held.lock = std::move(lock);
    ++held.count;
    taken.push_back(key);
  }
  ++holds.byName[name];
  return {std::make_unique<PortHold>(name, std::move(taken)), Error::None, {}};
}

}  // namespace

Result<std::optional<LockHolder>> PortHeldElsewhere(const std::string& resolvedName) {
  using Answer = Result<std::optional<LockHolder>>;
  {
    // Held by this run: no one else can have it, and its own opens are never
    // refused halfway through it.
    Holds& holds = TheHolds();
    std::lock_guard<std::mutex> guard(holds.mutex);
    if (holds.byName.contains(resolvedName)) return {};
  }
  const Result<PortIdentity> identity = IdentifyPort(resolvedName);
  if (!identity.ok()) return Answer::Failure(identity.error, identity.detail);
  if (!identity.value.lockFiles) return {};
  return KeyHolderElsewhere(identity.value.keys);
}

std::string DescribeHolder(const LockHolder& holder) {
  if (holder.processId == 0) return "a program that is still writing its lock";
  const std::string name = ProgramNameOf(holder.processId);
  std::string text = "process " + std::to_string(holder.processId);
  if (!name.empty()) text += " (" + name + ")";
  return text;
}

HoldResult HoldPort(const std::string& portName) {
  const std::string resolved = ResolvePortName(portName);
  const Result<PortIdentity> identity = IdentifyPort(resolved);
  if (!identity.ok()) return HoldResult::Failure(identity.error, identity.detail);
  Holds& holds = TheHolds();
  std::lock_guard<std::mutex> guard(holds.mutex);
  return TakeAll(holds, resolved, identity.value);
}

PortHold::PortHold(std::string name, std::vector<std::string> keys) : name_(std::move(name)), keys_(std::move(keys)) {}

PortHold::~PortHold() {
  Holds& holds = TheHolds();
  std::lock_guard<std::mutex> guard(holds.mutex);
  if (const auto found = holds.byName.find(name_); found != holds.byName.end() && --found->second == 0) {
    holds.byName.erase(found);
  }
  Release(holds, keys_);
}

}  // namespace platform
