#pragma once
// SHA-256 of a byte string: an image file's digest says
// which firmware went into a device, whatever its file was called.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace bootloader {

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256(std::span<const std::uint8_t> bytes);

// The digest as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace bootloader
