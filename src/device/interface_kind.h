#pragma once
// The models of Quorrel interface, as the application firmware names them.

#include <cstdint>
#include <string>
#include <string_view>

namespace device {

// The values are fixed: image folders are chosen by comparing them
// (Unknown, then the Tern family 1 and 2, then Apex 3).
enum class InterfaceKind : std::int32_t { Unknown = 0, Tern = 1, TernIIMemory = 2, Apex = 3 };

inline constexpr std::string_view kApexName = "Quorrel Apex";
inline constexpr std::string_view kTernName = "Quorrel Tern";
inline constexpr std::string_view kTernIIMemoryName = "Quorrel Tern II Memory";
inline constexpr std::string_view kUnknownKindText = "Unknown";

// Exact comparison: case-sensitive, whole string, no trimming.
InterfaceKind KindFromPayload(std::string_view payload);
// "Unknown" or the model name.
std::string KindText(InterfaceKind kind);
bool IsTernFamily(InterfaceKind kind);

}  // namespace device
