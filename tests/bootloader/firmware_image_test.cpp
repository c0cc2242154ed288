// The whole-file check that runs before anything is erased: every way a file
// can be damaged, and line ends of either kind, in one table.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bootloader/firmware_image.h"
#include "support/test_os.h"

namespace {

using bootloader::ImageProblem;
using Bytes = std::vector<std::uint8_t>;

// The bytes an image places, in order, with the address of each run.
std::vector<std::pair<std::uint16_t, Bytes>> Placed(const bootloader::FirmwareImage& image) {
  std::vector<std::pair<std::uint16_t, Bytes>> runs;
  for (const auto& line : image.lines) {
    if (line.kind == bootloader::ImageLineKind::Address) {
      runs.push_back({line.address, {}});
    } else {
      if (runs.empty()) runs.push_back({0, {}});
      runs.back().second.insert(runs.back().second.end(), line.values.begin(),
                                line.values.begin() + static_cast<std::ptrdiff_t>(line.count));
    }
  }
  return runs;
}

struct Case {
  const char* what;
  std::string text;
  ImageProblem problem;
  std::size_t line;
  std::string value;
};

TEST(FirmwareImageCheck, EveryDamageIsFoundWithItsLineAndLineEndsOfEitherKindAgree) {
  const std::string longLine = std::string(bootloader::kImageLineTextMax + 1, ' ');
  const std::vector<Case> cases = {
      {"CR LF", "@C000\r\n01 02 03\r\nq\r\n", ImageProblem::None, 0, ""},
      {"LF alone", "@C000\n01 02 03\nq\n", ImageProblem::None, 0, ""},
      {"no end line", "@C000\r\n01 02 03\r\n", ImageProblem::None, 0, ""},
      {"end line without its line end", "@C000\n01 02 03\nq", ImageProblem::None, 0, ""},
      {"damage after the end line is not read", "@C000\n01 02\nq\n1G\n", ImageProblem::None, 0, ""},
      {"partly hexadecimal value", "@C000\r\n01 02\r\n03 1G 05\r\n", ImageProblem::NotHexValue, 3, "1G"},
      {"partly hexadecimal in lower case", "@C000\n01 1g\n", ImageProblem::NotHexValue, 2, "1g"},
      {"three digits", "@C000\n01 123\n", ImageProblem::NotHexValue, 2, "123"},
      {"address without a number", "@C000\n01\n@\n02\n", ImageProblem::NoAddress, 3, ""},
      {"address with garbage", "@C0G0\n01\n", ImageProblem::NoAddress, 1, ""},
      {"line too long", "@C000\n" + longLine + "\n", ImageProblem::LineTooLong, 2, ""},
      {"last line cut off", "@C000\r\n01 02 03\r\n04 05", ImageProblem::Truncated, 3, ""},
      {"last line cut between CR and LF", "@C000\r\n01 02 03\r", ImageProblem::Truncated, 2, ""},
      {"empty file", "", ImageProblem::NoData, 0, ""},
      {"end line alone", "q\r\n", ImageProblem::NoData, 0, ""},
      {"address lines only", "@C000\r\n@D000\r\nq\r\n", ImageProblem::NoData, 0, ""},
  };
  for (const Case& c : cases) {
    const bootloader::ImageReadResult result = bootloader::ParseFirmwareImage(c.text);
    EXPECT_EQ(result.damage.problem, c.problem) << c.what;
    EXPECT_EQ(result.damage.line, c.line) << c.what;
    EXPECT_EQ(result.damage.value, c.value.empty() ? result.damage.value : c.value) << c.what;
    EXPECT_EQ(result.image.has_value(), c.problem == ImageProblem::None) << c.what;
    if (result.image && c.text.find("01 02 03") != std::string::npos) {
      EXPECT_EQ(Placed(*result.image), (std::vector<std::pair<std::uint16_t, Bytes>>{{0xC000, {1, 2, 3}}}))
          << c.what;
    }
  }
}

TEST(FirmwareImageCheck, ProgressCountsTheFileUpToTheEndLine) {
  const auto result = bootloader::ParseFirmwareImage("@C000\r\n01 02\n03\r\nq\r\nrest\n");
  ASSERT_TRUE(result.image);
  EXPECT_EQ(result.image->charactersAfter, (std::vector<std::int32_t>{7, 13, 17}));
  EXPECT_EQ(result.image->dataBytes, 3u);
}

// Nothing that is not a regular file is opened for long or read: a pipe with
// no writer would block a plain open for ever.
TEST(FirmwareImageCheck, OnlyRegularFilesAreRead) {
  const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "firmware_image_check";
  std::filesystem::create_directories(folder);
  for (const std::string& path : testsupport::NonRegularFiles(folder.string())) {
    EXPECT_EQ(bootloader::ReadFirmwareImage(path).damage.problem, ImageProblem::NotRegularFile) << path;
  }
  EXPECT_EQ(bootloader::ReadFirmwareImage(folder.string()).damage.problem, ImageProblem::NotRegularFile);
  const auto missing = bootloader::ReadFirmwareImage((folder / "none.mbl").string());
  EXPECT_EQ(missing.damage.problem, ImageProblem::NotOpened);
  EXPECT_FALSE(missing.damage.systemText.empty());
  std::filesystem::remove_all(folder);
}

}  // namespace
