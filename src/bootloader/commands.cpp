// Loader commands: each is a fresh sync and one request whose data start with
// a 16-bit address and a 16-bit length (low bytes first).

#include <algorithm>

#include "bootloader/boot_loader.h"

namespace bootloader {
namespace {

constexpr std::uint8_t kPadByte = 0xFF;

// The request's data after the address and length: at most the data area,
// which keeps the frame's length byte (4 + data) within range.
struct RequestData {
  std::array<std::uint8_t, 4 + kDataAreaSize + 2> bytes{};
  std::size_t sendCount = 0;  // data bytes after the four field bytes
};

// Word-aligned writes: an odd address starts one byte lower behind an FF, an
// odd length gets a trailing FF. The caller's block is copied, not moved, so
// it still lines up with its address for the read-back.
bool BuildWrite(std::uint16_t& address, std::uint16_t& length, const std::uint8_t* data,
                RequestData& request) {
  if (length > kDataAreaSize || (length > 0 && data == nullptr)) return false;
  std::uint8_t* out = request.bytes.data() + 4;
  std::size_t at = 0;
  if (address % 2 != 0) {
    --address;
    out[at++] = kPadByte;
  }
  std::copy(data, data + length, out + at);
  at += length;
  if (at % 2 != 0) out[at++] = kPadByte;
  if (at > kDataAreaSize) return false;
  length = static_cast<std::uint16_t>(at);
  request.sendCount = at;
  return true;
}

void AlignRead(std::uint16_t& address, std::uint16_t& length) {
  if (address % 2 != 0) {
    --address;
    ++length;
  }
  if (length % 2 != 0) ++length;
}

bool BuildPlainData(std::uint16_t length, const std::uint8_t* data, RequestData& request) {
  if (length > kDataAreaSize || (length > 0 && data == nullptr)) return false;
  std::copy(data, data + length, request.bytes.data() + 4);
  request.sendCount = length;
  return true;
}

}  // namespace

int BootLoader::Command(std::uint8_t code, std::uint16_t address, std::uint16_t length,
                        std::uint8_t* data, std::uint8_t* reply) {
  RequestData request;
  bool framed = true;
  if (code == kCmdWriteBlock) {
    framed = BuildWrite(address, length, data, request);
  } else if (code == kCmdReadBlock) {
    AlignRead(address, length);
  } else if (code == kCmdPassword) {
    framed = BuildPlainData(length, data, request);
  }
  if (!framed) {
    lastError = kBadReply;
    return kBadReply;
  }
  request.bytes[0] = static_cast<std::uint8_t>(address & 0xFF);
  request.bytes[1] = static_cast<std::uint8_t>(address >> 8);
  request.bytes[2] = static_cast<std::uint8_t>(length & 0xFF);
  request.bytes[3] = static_cast<std::uint8_t>(length >> 8);

  if (Sync() != kOk) return kSyncFailed;
  const int result =
      Transact(code, request.bytes.data(), static_cast<std::uint8_t>(4 + request.sendCount));
  if (reply != nullptr) std::copy_n(replyFrame_.begin() + 4, replyLength_, reply);
  return result;
}

int BootLoader::SendPassword() {
  std::fill_n(blockData.begin(), kPasswordLength, passwordFill_);
  return Command(kCmdPassword, kPasswordAddress, kPasswordLength, blockData.data(),
                 replyData.data());
}

int BootLoader::CheckBlock(std::uint16_t address, std::uint16_t size) {
  if (patchLoaded != 0) {
    const int entered = Command(kCmdLoadProgramCounter, kPatchEntryAddress, 0, nullptr, replyData.data());
    if (entered != kOk) return entered;
  }
  const int read = Command(kCmdReadBlock, address, size, nullptr, replyData.data());
  if (read != kOk) return read;
  // An odd address was read from the byte below it.
  const std::size_t offset = address % 2;
  // A reply shorter than the block cannot vouch for the bytes it lacks.
  if (size > blockData.size() || offset + size > replyLength_) return kVerifyMismatch;
  for (std::size_t i = 0; i < size; ++i) {
    if (blockData[i] != replyData[offset + i]) return kVerifyMismatch;
  }
  return kOk;
}

int BootLoader::ProgramBlock(std::uint16_t address, std::uint16_t size, int actions) {
  if ((actions & kActionProgram) != 0) {
    if (patchLoaded != 0) {
      const int entered = Command(kCmdLoadProgramCounter, kPatchEntryAddress, 0, nullptr, replyData.data());
      if (entered != kOk) return entered;
    }
    const int written = Command(kCmdWriteBlock, address, size, blockData.data(), replyData.data());
    if (written != kOk) return written;
  }
  if ((actions & kActionVerify) != 0) return CheckBlock(address, size);
  return kOk;
}

}  // namespace bootloader
