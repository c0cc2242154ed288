#include "platform/port_hold.h"

#include <fstream>
#include <map>
#include <mutex>

#include "platform/lock_file.h"
#include "platform/port_names.h"
#include "platform/tty_device.h"

namespace platform {
namespace {

using HoldResult = Result<std::unique_ptr<PortHold>>;

struct Held {
  int count = 0;
  std::unique_ptr<KeptTty> tty;  // the first key of a held tty keeps it open
};

// Holds of this process: by key (a lock file's path, or the name of a
// simulated port), and by the resolved name they were asked for.
struct Holds {
  std::mutex mutex;
  std::map<std::string, Held> byKey;
  std::map<std::string, int> byName;
};

Holds& TheHolds() {
  static Holds holds;
  return holds;
}

std::string FolderText(const std::string& problem) {
  return "the lock folder " + LockFolder() + " cannot take lock files: " + problem;
}

HoldResult Refusal(const LockTaking& taking) {
  switch (taking.outcome) {
    case LockTaking::Outcome::Held:
      return HoldResult::Failure(Error::Busy, "held by " + DescribeHolder(LockHolder{taking.processId}));
    case LockTaking::Outcome::FolderUnusable:
      return HoldResult::Failure(Error::LockFolderUnusable, FolderText(taking.reason));
    case LockTaking::Outcome::NotTaken:
    case LockTaking::Outcome::Taken: break;
  }
  return HoldResult::Failure(Error::LockNotTaken, taking.reason);
}

// Lets go of keys in reverse order; the last hold of a key closes its kept
// tty while the lock still stands, then removes the lock.
void Release(Holds& holds, const std::vector<std::string>& keys, bool lockFiles) {
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
    const auto found = holds.byKey.find(*key);
    if (found == holds.byKey.end() || --found->second.count > 0) continue;
    found->second.tty.reset();
    if (lockFiles) ReleaseLock(*key);
    holds.byKey.erase(found);
  }
}

// Takes every key of the identity, or none.
HoldResult TakeAll(Holds& holds, const std::string& name, const PortIdentity& identity) {
  std::vector<std::string> taken;
  for (const std::string& key : identity.keys) {
    const bool first = holds.byKey.find(key) == holds.byKey.end();
    if (first && identity.lockFiles) {
      const LockTaking taking = TakeLock(key);
      if (taking.outcome != LockTaking::Outcome::Taken) {
        Release(holds, taken, identity.lockFiles);
        return Refusal(taking);
      }
    }
    ++holds.byKey[key].count;
    taken.push_back(key);
  }
  ++holds.byName[name];
  return {std::make_unique<PortHold>(name, std::move(taken), identity.lockFiles), Error::None, {}};
}

std::string CommandName(std::int64_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(file, name);
  return name;
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
  if (const auto problem = LockFolderTrouble(LockFolder())) {
    return Answer::Failure(Error::LockFolderUnusable, FolderText(*problem));
  }
  for (const std::string& key : identity.value.keys) {
    const LockReading reading = ReadLock(key);
    if (NamesAnotherHolder(reading)) return {LockHolder{reading.processId}, Error::None, {}};
  }
  return {};
}

std::string DescribeHolder(const LockHolder& holder) {
  if (holder.processId == 0) return "a program that is still writing its lock";
  const std::string name = CommandName(holder.processId);
  std::string text = "process " + std::to_string(holder.processId);
  if (!name.empty()) text += " (" + name + ")";
  return text;
}

std::optional<LockFolderProblem> CheckLockFolder(const std::string& portName) {
  if (!IdentifyPortName(portName).lockFiles) return std::nullopt;
  const std::string folder = LockFolder();
  if (const auto problem = LockFolderTrouble(folder)) return LockFolderProblem{folder, *problem};
  return std::nullopt;
}

HoldResult HoldPort(const std::string& portName) {
  const std::string resolved = ResolvePortName(portName);
  const Result<PortIdentity> identity = IdentifyPort(resolved);
  if (!identity.ok()) return HoldResult::Failure(identity.error, identity.detail);
  Holds& holds = TheHolds();
  std::lock_guard<std::mutex> guard(holds.mutex);
  HoldResult held = TakeAll(holds, resolved, identity.value);
  if (!held.ok()) return held;
  if (Held& first = holds.byKey.at(identity.value.keys.front()); first.count == 1 && !identity.value.ttyPath.empty()) {
    first.tty = KeepTtyOpen(identity.value.ttyPath);
  }
  return held;
}

PortHold::PortHold(std::string name, std::vector<std::string> keys, bool lockFiles)
    : name_(std::move(name)), keys_(std::move(keys)), lockFiles_(lockFiles) {}

PortHold::~PortHold() {
  Holds& holds = TheHolds();
  std::lock_guard<std::mutex> guard(holds.mutex);
  if (const auto found = holds.byName.find(name_); found != holds.byName.end() && --found->second == 0) {
    holds.byName.erase(found);
  }
  Release(holds, keys_, lockFiles_);
}

}  // namespace platform
