#pragma once
// Result codes of the boot-loader connection. Every operation returns one of
// these; 0 is success and callers test only for zero.

#include <cstdint>

namespace bootloader {

inline constexpr int kOk = 0;
inline constexpr int kBadReply = 1;          // invalid or unexpected reply (or a request that cannot be framed)
inline constexpr int kOpenFailed = 2;        // the device could not be opened or prepared
inline constexpr int kSettingsRefused = 3;   // the device refused the line settings
inline constexpr int kNoReply = 6;           // no reply byte within the reply wait
inline constexpr int kNotAcknowledged = 7;   // the loader answered A0
inline constexpr int kCommandFailed = 9;     // the loader answered 70
inline constexpr int kCloseFailed = 10;      // the device could not be closed
inline constexpr int kStopped = 95;          // a stop was asked for; the run ended after a whole block
inline constexpr int kFileNotOpened = 96;    // the image file could not be opened
inline constexpr int kBadImageLine = 97;     // the image file holds a line the reader cannot take
inline constexpr int kVerifyMismatch = 98;   // a byte read back differs from the block
inline constexpr int kSyncFailed = 99;       // the loader did not answer the sync byte

// Block actions of ProgramBlock and ProgramFile (bit flags).
inline constexpr int kActionProgram = 1;
inline constexpr int kActionVerify = 2;

// The password is 32 bytes of one fill value. FF is what the password area
// of an erased device reads, so it unlocks the device right after a mass erase.
inline constexpr std::uint8_t kDefaultPasswordFill = 0xFF;

}  // namespace bootloader
