#include "device/interface_kind.h"

namespace device {

InterfaceKind KindFromPayload(std::string_view payload) {
  if (payload == kTernName) return InterfaceKind::Tern;
  if (payload == kTernIIMemoryName) return InterfaceKind::TernIIMemory;
  if (payload == kApexName) return InterfaceKind::Apex;
  return InterfaceKind::Unknown;
}

std::string KindText(InterfaceKind kind) {
  switch (kind) {
    case InterfaceKind::Tern: return std::string(kTernName);
    case InterfaceKind::TernIIMemory: return std::string(kTernIIMemoryName);
    case InterfaceKind::Apex: return std::string(kApexName);
    case InterfaceKind::Unknown: break;
  }
  return std::string(kUnknownKindText);
}

bool IsTernFamily(InterfaceKind kind) {
  return kind == InterfaceKind::Tern || kind == InterfaceKind::TernIIMemory;
}

}  // namespace device
