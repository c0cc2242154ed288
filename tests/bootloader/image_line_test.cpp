// The image-file line reader on its own.

#include <gtest/gtest.h>

#include "bootloader/image_line.h"

namespace {

using bootloader::ImageLineKind;
using bootloader::ParseImageLine;
using Bytes = std::vector<std::uint8_t>;

Bytes ValuesOf(const bootloader::ImageLine& line) {
  return Bytes(line.values.begin(), line.values.begin() + static_cast<std::ptrdiff_t>(line.count));
}

TEST(ImageLine, KindsGoByTheFirstCharacter) {
  EXPECT_EQ(ParseImageLine("@F000\r\n").kind, ImageLineKind::Address);
  EXPECT_EQ(ParseImageLine("@F000\r\n").address, 0xF000);
  EXPECT_EQ(ParseImageLine("q\r\n").kind, ImageLineKind::End);
  EXPECT_EQ(ParseImageLine("quit").kind, ImageLineKind::End);
  EXPECT_EQ(ParseImageLine("0A 0B\r\n").kind, ImageLineKind::Data);
}

TEST(ImageLine, AddressKeepsItsLowSixteenBits) {
  EXPECT_EQ(ParseImageLine("@1F0A0\r\n").address, 0xF0A0);
  EXPECT_EQ(ParseImageLine("@ffe0\n").address, 0xFFE0);
  EXPECT_EQ(ParseImageLine("@123456789ABCDEF01234\n").address, 0x1234);
  EXPECT_EQ(ParseImageLine("@ 220").address, 0x0220);
  EXPECT_EQ(ParseImageLine("@\r\n").kind, ImageLineKind::Malformed);
  EXPECT_EQ(ParseImageLine("@zz\r\n").kind, ImageLineKind::Malformed);
}

TEST(ImageLine, ALineGivesTheSameValuesWhateverItsLineEnd) {
  for (const char* end : {"\r\n", "\n", ""}) {
    EXPECT_EQ(ValuesOf(ParseImageLine(std::string("01 02 03") + end)), (Bytes{1, 2, 3})) << end;
    EXPECT_EQ(ValuesOf(ParseImageLine(std::string("ab CD eF ") + end)), (Bytes{0xAB, 0xCD, 0xEF})) << end;
    EXPECT_EQ(ParseImageLine(end).count, 0u);
  }
}

TEST(ImageLine, OnlyTwoDigitValuesAreTaken) {
  for (const char* bad : {"01 1G 03\r\n", "01 zz 03\r\n", "123456\r\n", "1 2\r\n", "01 0x1\n", "01,02\n"}) {
    const auto parsed = ParseImageLine(bad);
    EXPECT_EQ(parsed.kind, ImageLineKind::Malformed) << bad;
    EXPECT_EQ(parsed.problem, bootloader::ImageLineProblem::NotHexValue) << bad;
  }
  const auto parsed = ParseImageLine("01 1G 03\r\n");
  EXPECT_EQ(std::string("01 1G 03").substr(parsed.column, parsed.width), "1G");
  EXPECT_EQ(ParseImageLine(std::string_view("01 \0\0 03\r\n", 10)).kind, ImageLineKind::Malformed);
}

TEST(ImageLine, TheLongestLineFitsTheValueArea) {
  std::string line;
  for (int i = 0; i < 42; ++i) line += "7F ";
  line.resize(41 * 3 - 1);  // 41 values, within the longest line
  ASSERT_LE(line.size(), bootloader::kImageLineTextMax);
  const auto parsed = ParseImageLine(line + "\r\n");
  EXPECT_EQ(parsed.kind, ImageLineKind::Data);
  EXPECT_EQ(parsed.count, 41u);
  // Longer text than the reader ever passes is refused, not overrun.
  std::string longer;
  for (int i = 0; i < 100; ++i) longer += "7F ";
  EXPECT_EQ(ParseImageLine(longer).problem, bootloader::ImageLineProblem::TooManyValues);
}

}  // namespace
