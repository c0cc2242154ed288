// The file run: an image file cut into blocks and sent with ProgramBlock,
// and the end of the connection.

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "bootloader/boot_loader.h"
#include "bootloader/image_line.h"
#include "platform/clock.h"

namespace bootloader {
namespace {

// The write command may add a pad byte at each end of a block.
constexpr std::size_t kBlockRoom = kDataAreaSize - 2;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The next line, line-end characters included, at most kImageLineMax
// characters of it. False at the end of the file.
bool ReadLine(std::FILE* file, std::string& line) {
  line.clear();
  while (line.size() < kImageLineMax) {
    const int c = std::fgetc(file);
    if (c == EOF) break;
    line.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  return !line.empty();
}

// A piece that filled the reader's limit without reaching the line's end
// leaves the rest of the line for the next read.
bool LineGoesOn(std::FILE* file, const std::string& line) {
  if (line.size() < kImageLineMax || line.back() == '\n') return false;
  const int c = std::fgetc(file);
  if (c == EOF) return false;
  std::ungetc(c, file);
  return true;
}

// Every line up to the end line can be read whole. Checked before anything
// is sent: a damaged file, or one with lines longer than the reader takes,
// would otherwise lose bytes or program stale ones without a word.
bool ImageIsReadable(std::FILE* file) {
  std::string line;
  while (ReadLine(file, line)) {
    const ImageLineKind kind = ParseImageLine(line).kind;
    if (kind == ImageLineKind::End) break;
    if (kind == ImageLineKind::Malformed || LineGoesOn(file, line)) return false;
  }
  return std::fseek(file, 0, SEEK_SET) == 0;
}

}  // namespace

int BootLoader::SendBlock(int actions) {
  const int result = ProgramBlock(blockAddress_, blockCount_, actions);
  blockAddress_ = static_cast<std::uint16_t>(blockAddress_ + blockCount_);
  blockCount_ = 0;
  return result;
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
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return kFileNotOpened;
  if (!ImageIsReadable(file.get())) return kBadImageLine;

  std::string line;
  for (;;) {
    if (!ReadLine(file.get(), line) || line[0] == 'q') return blockCount_ > 0 ? SendBlock(actions) : kOk;
    // A file too large for the count keeps the bar at its end.
    bytesRead_ = static_cast<std::int32_t>(
        std::min<std::int64_t>(std::int64_t{bytesRead_} + static_cast<std::int64_t>(line.size()), INT32_MAX));
    if (progress_) progress_(bytesRead_);
    if (const int result = TakeLine(ParseImageLine(line), actions); result != kOk) return result;
  }
}

int BootLoader::Finish() {
  Reset(false);
  Close();
  return kOk;
}

}  // namespace bootloader
