#pragma once
// One connection to the bootstrap loader of the interface's microcontroller:
// its own handling of the serial device (9600 baud, 8E1), the DTR/RTS
// sequence that restarts the device into the loader, the sync byte, framed
// requests with their checksum, the loader commands, the block operations and
// the run that programs an image file. Used by one thread at a time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <string>

#include "bootloader/result_codes.h"
#include "platform/serial_device.h"

namespace bootloader {

struct ImageLine;
struct FirmwareImage;

// Size of the reply and block areas.
inline constexpr std::size_t kDataAreaSize = 250;

// Loader command codes.
inline constexpr std::uint8_t kCmdPassword = 0x10;
inline constexpr std::uint8_t kCmdWriteBlock = 0x12;
inline constexpr std::uint8_t kCmdReadBlock = 0x14;
inline constexpr std::uint8_t kCmdMassErase = 0x18;
inline constexpr std::uint8_t kCmdLoadProgramCounter = 0x1A;

// Addresses and values the worker and the block operations use.
inline constexpr std::uint16_t kPasswordAddress = 0xFFE0;
inline constexpr std::uint16_t kPasswordLength = 0x0020;
inline constexpr std::uint16_t kMassEraseAddress = 0xFF00;
inline constexpr std::uint16_t kMassEraseLength = 0xA506;
inline constexpr std::uint16_t kLoaderVersionAddress = 0x0FFA;
inline constexpr std::uint16_t kLoaderRestartAddress = 0x0C22;
inline constexpr std::uint16_t kPatchEntryAddress = 0x0220;
// Loaders of this version or older need the patch before they write flash.
inline constexpr std::uint16_t kLastVersionNeedingPatch = 0x0110;

class BootLoader {
 public:
  // Told the number of image-file characters read so far during a file run
  // (the owner dialog's progress bar).
  using ProgressCallback = std::function<void(std::int32_t position)>;

  // Told the image's data bytes programmed so far and their total, at the
  // start of an image run and after each block.
  using BlockProgressCallback = std::function<void(std::size_t sent, std::size_t total)>;
  // Asked after each block whether the run is to stop there.
  using StopCheck = std::function<bool()>;

  // `observer` hears of the devices the link opens (their trace, a failed
  // open, a line in trouble); null: nobody does.
  explicit BootLoader(ProgressCallback progress, std::shared_ptr<platform::DeviceObserver> observer = nullptr);
  virtual ~BootLoader();
  BootLoader(const BootLoader&) = delete;
  BootLoader& operator=(const BootLoader&) = delete;

  // Link layer.
  int Open(const std::string& portName, std::uint32_t byteTimeoutMs, std::uint32_t replyFactor);
  int Close();
  void Reset(bool enterLoader);
  int Sync();
  // `data` holds `length` bytes; the request goes out padded with FF to an even length.
  int Transact(std::uint8_t command, std::uint8_t* data, std::uint8_t length);
  std::size_t WaitInput(std::size_t count, std::uint32_t timeoutMs);
  static std::uint16_t Checksum(const std::uint8_t* bytes, std::size_t count);

  // Loader commands. `data` and `reply` may be null; `reply` needs room for
  // kDataAreaSize bytes. The caller's data are left as they are.
  int Command(std::uint8_t code, std::uint16_t address, std::uint16_t length, std::uint8_t* data,
              std::uint8_t* reply);
  int SendPassword();
  // Read back and compare `size` bytes of blockData at `address`.
  int CheckBlock(std::uint16_t address, std::uint16_t size);
  // Write (and/or verify) `size` bytes of blockData at `address`.
  int ProgramBlock(std::uint16_t address, std::uint16_t size, int actions);

  // File run and end of the connection. ProgramFile reads and checks the
  // whole file before it sends anything (kFileNotOpened, kBadImageLine).
  int ProgramFile(const std::string& path, int actions);
  // Sends a checked image; kStopped when the stop check asked for it after a
  // block and bytes were left to send.
  int ProgramImage(const FirmwareImage& image, int actions);
  int Finish();

  void SetPasswordFill(std::uint8_t fill) { passwordFill_ = fill; }
  void SetBlockProgress(BlockProgressCallback callback) { blockProgress_ = std::move(callback); }
  void SetStopCheck(StopCheck check) { stopCheck_ = std::move(check); }
  bool IsOpen() const { return device_ != nullptr; }

  // State the worker reads and writes.
  std::int32_t blockLimit = 240;
  std::array<std::uint8_t, kDataAreaSize> replyData{};
  std::array<std::uint8_t, kDataAreaSize> blockData{};
  std::int32_t patchRequired = 0;
  std::int32_t patchLoaded = 0;
  std::uint16_t loaderVersion = 0;
  std::int32_t lastError = 0;

  // Settings and the run state, readable for reports and tests.
  std::uint32_t byteTimeout() const { return byteTimeout_; }
  std::uint32_t replyFactor() const { return replyFactor_; }
  std::int32_t bytesRead() const { return bytesRead_; }
  // Data bytes carried by the last data-frame reply (0 after any other reply).
  std::size_t replyLength() const { return replyLength_; }

 private:
  void SetDtr(bool on);
  void SetRts(bool on);
  void ClearQueues();
  std::size_t SendRequest(const std::uint8_t* bytes, std::size_t size);
  void WaitUntilSent(std::size_t bytesSent);
  int ReadReply();
  int ReadDataFrame();
  int SendBlock(int actions);
  int SendCollectedBlockBeforeLine(std::size_t lineValues, int actions);
  int TakeLine(const ImageLine& line, int actions);

  ProgressCallback progress_;
  std::shared_ptr<platform::DeviceObserver> observer_;
  BlockProgressCallback blockProgress_;
  StopCheck stopCheck_;
  std::size_t bytesSent_ = 0;
  std::size_t bytesToSend_ = 0;
  std::unique_ptr<platform::SerialDevice> device_;
  platform::LineSettings lineSettings_{};
  std::uint32_t byteTimeout_ = 300;
  std::uint32_t replyFactor_ = 10;
  std::uint8_t passwordFill_ = kDefaultPasswordFill;
  // Last data-frame reply: 80 00 L1 L2, the data, the two checksum bytes.
  std::array<std::uint8_t, 4 + kDataAreaSize + 2> replyFrame_{};
  std::size_t replyLength_ = 0;
  std::uint16_t blockAddress_ = 0;
  std::uint16_t blockCount_ = 0;
  std::int32_t bytesRead_ = 0;
};

}  // namespace bootloader
