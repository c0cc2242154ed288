// The file run: a checked image cut into blocks and sent with ProgramBlock,
// and the end of the connection.

#include <algorithm>
#include <cstdint>
#include <string>

#include "bootloader/boot_loader.h"
#include "bootloader/firmware_image.h"
#include "bootloader/image_line.h"

namespace bootloader {
namespace {

// The write command may add a pad byte at each end of a block.
constexpr std::size_t kBlockRoom = kDataAreaSize - 2;

}  // namespace

// A stop asked for during the run takes effect here, between blocks, so the
// device never holds half a block it was told about.
int BootLoader::SendBlock(int actions) {
  const std::uint16_t count = blockCount_;
  const int result = ProgramBlock(blockAddress_, count, actions);
  blockAddress_ = static_cast<std::uint16_t>(blockAddress_ + count);
  blockCount_ = 0;
  if (result != kOk) return result;
  bytesSent_ += count;
  if (blockProgress_) blockProgress_(bytesSent_, bytesToSend_);
  if (bytesSent_ < bytesToSend_ && stopCheck_ && stopCheck_()) return kStopped;
  return kOk;
}

// A line whose values would carry the block past its room: the block so far
// goes first and the line starts the next block at the address that follows.
int BootLoader::SendCollectedBlockBeforeLine(std::size_t lineValues, int actions) {
  if (blockCount_ == 0 || blockCount_ + lineValues <= kBlockRoom) return kOk;
  return SendBlock(actions);
}

// An address line sends the block collected so far and starts the next one
// there; a data line adds its values and sends the block once it has grown
// past the block limit less 16.
int BootLoader::TakeLine(const ImageLine& line, int actions) {
  if (line.kind == ImageLineKind::Address) {
    const int result = blockCount_ > 0 ? SendBlock(actions) : kOk;
    blockAddress_ = line.address;
    return result;
  }
  if (const int result = SendCollectedBlockBeforeLine(line.count, actions); result != kOk) return result;
  std::copy_n(line.values.begin(), line.count, blockData.begin() + blockCount_);
  blockCount_ = static_cast<std::uint16_t>(blockCount_ + line.count);
  if (blockCount_ > static_cast<std::int64_t>(blockLimit) - 16) return SendBlock(actions);
  return kOk;
}

int BootLoader::ProgramFile(const std::string& path, int actions) {
  blockAddress_ = 0;
  blockCount_ = 0;
  bytesRead_ = 0;
  const ImageReadResult read = ReadFirmwareImage(path);
  if (read.image) return ProgramImage(*read.image, actions);
  const ImageProblem problem = read.damage.problem;
  const bool unreadable = problem == ImageProblem::NotOpened || problem == ImageProblem::NotRegularFile ||
                          problem == ImageProblem::ReadFailed;
  return unreadable ? kFileNotOpened : kBadImageLine;
}

int BootLoader::ProgramImage(const FirmwareImage& image, int actions) {
  blockAddress_ = 0;
  blockCount_ = 0;
  bytesRead_ = 0;
  bytesSent_ = 0;
  bytesToSend_ = image.dataBytes;
  if (blockProgress_) blockProgress_(0, bytesToSend_);
  for (std::size_t i = 0; i < image.lines.size(); ++i) {
    bytesRead_ = image.charactersAfter[i];
    if (progress_) progress_(bytesRead_);
    if (const int result = TakeLine(image.lines[i], actions); result != kOk) return result;
  }
  return blockCount_ > 0 ? SendBlock(actions) : kOk;
}

int BootLoader::Finish() {
  Reset(false);
  Close();
  return kOk;
}

}  // namespace bootloader
