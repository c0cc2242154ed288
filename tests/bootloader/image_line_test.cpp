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

TEST(ImageLine, DataValuesSitAtEveryThirdPositionBeforeTheLastThree) {
  EXPECT_EQ(ValuesOf(ParseImageLine("01 02 03\r\n")), (Bytes{1, 2, 3}));
  EXPECT_EQ(ValuesOf(ParseImageLine("01 02 03\n")), (Bytes{1, 2}));
  EXPECT_EQ(ValuesOf(ParseImageLine("01 02 03")), (Bytes{1, 2}));
  EXPECT_EQ(ValuesOf(ParseImageLine("ab CD eF\r\n")), (Bytes{0xAB, 0xCD, 0xEF}));
  EXPECT_EQ(ParseImageLine("\r\n").count, 0u);
  EXPECT_EQ(ParseImageLine("\n").count, 0u);
  EXPECT_EQ(ParseImageLine("").count, 0u);
}

TEST(ImageLine, ValuesAreUpToThreeDigitsKeepingTheLowByte) {
  // Without separators the reader takes three digits at each position.
  EXPECT_EQ(ValuesOf(ParseImageLine("123456\r\n")), (Bytes{0x23, 0x56}));
  EXPECT_EQ(ValuesOf(ParseImageLine(" 1  2 \r\n")), (Bytes{0x01, 0x02}));
}

TEST(ImageLine, AValueThatIsNotHexadecimalMakesTheLineMalformed) {
  EXPECT_EQ(ParseImageLine("01 zz 03\r\n").kind, ImageLineKind::Malformed);
  EXPECT_EQ(ParseImageLine("01 02    \r\n").kind, ImageLineKind::Malformed);
  EXPECT_EQ(ParseImageLine(std::string_view("01 \0\0 03\r\n", 10)).kind, ImageLineKind::Malformed);
}

TEST(ImageLine, TheLongestPieceFitsTheValueArea) {
  std::string line;
  for (int i = 0; i < 42; ++i) line += "7F ";
  line.resize(bootloader::kImageLineMax);
  const auto parsed = ParseImageLine(line);
  EXPECT_EQ(parsed.kind, ImageLineKind::Data);
  EXPECT_EQ(parsed.count, 41u);
  // Longer text than the reader ever passes is refused, not overrun.
  EXPECT_EQ(ParseImageLine(std::string(300, '1')).kind, ImageLineKind::Malformed);
}

}  // namespace
