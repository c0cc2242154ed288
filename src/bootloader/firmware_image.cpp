#include "bootloader/firmware_image.h"

#include <algorithm>
#include <climits>

#include "bootloader/sha256.h"
#include "platform/regular_file.h"

namespace bootloader {
namespace {

ImageReadResult Refused(ImageProblem problem, std::size_t line, std::string value = {}) {
  return {std::nullopt, ImageDamage{problem, line, std::move(value), {}}};
}

ImageProblem ProblemOf(ImageLineProblem problem) {
  switch (problem) {
    case ImageLineProblem::NoAddress: return ImageProblem::NoAddress;
    case ImageLineProblem::TooManyValues: return ImageProblem::TooManyValues;
    default: return ImageProblem::NotHexValue;
  }
}

bool IsBlankText(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
}

// The next line, its line end included; `ended` tells whether it has one.
std::string_view NextLine(std::string_view text, std::size_t& pos, bool& ended) {
  const std::size_t end = text.find('\n', pos);
  ended = end != std::string_view::npos;
  const std::size_t stop = ended ? end + 1 : text.size();
  const std::string_view line = text.substr(pos, stop - pos);
  pos = stop;
  return line;
}

}  // namespace

ImageReadResult ParseFirmwareImage(std::string_view text) {
  FirmwareImage image;
  std::int64_t characters = 0;
  std::size_t pos = 0;
  for (std::size_t number = 1; pos < text.size(); ++number) {
    bool ended = false;
    const std::string_view line = NextLine(text, pos, ended);
    const std::string_view body = ImageLineText(line);
    if (!body.empty() && body[0] == 'q') break;
    if (body.size() > kImageLineTextMax) return Refused(ImageProblem::LineTooLong, number);
    // A download cut short stops inside its last line.
    if (!ended && !IsBlankText(body)) return Refused(ImageProblem::Truncated, number);
    const ImageLine parsed = ParseImageLine(line);
    if (parsed.kind == ImageLineKind::Malformed) {
      return Refused(ProblemOf(parsed.problem), number, std::string(body.substr(parsed.column, parsed.width)));
    }
    characters = std::min<std::int64_t>(characters + static_cast<std::int64_t>(line.size()), INT32_MAX);
    image.lines.push_back(parsed);
    image.charactersAfter.push_back(static_cast<std::int32_t>(characters));
    image.dataBytes += parsed.count;
  }
  if (image.dataBytes == 0) return Refused(ImageProblem::NoData, 0);
  return {std::move(image), {}};
}

namespace {

ImageReadResult ParseAndDigest(const std::string& bytes) {
  ImageReadResult result = ParseFirmwareImage(bytes);
  if (result.image) {
    result.image->fileBytes = bytes.size();
    result.image->sha256 = Sha256Hex({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  }
  return result;
}

}  // namespace

ImageReadResult ReadFirmwareImage(const std::string& path) {
  platform::Result<std::string> read = platform::ReadRegularFile(path, kImageFileMax);
  if (read.ok()) return ParseAndDigest(read.value);
  ImageProblem problem = ImageProblem::NotOpened;
  switch (read.error) {
    case platform::Error::NotRegularFile: problem = ImageProblem::NotRegularFile; break;
    case platform::Error::TooLarge: problem = ImageProblem::TooLarge; break;
    case platform::Error::ReadFailed: problem = ImageProblem::ReadFailed; break;
    default: break;  // it did not open
  }
  return {std::nullopt, ImageDamage{problem, 0, {}, std::move(read.detail)}};
}

}  // namespace bootloader
