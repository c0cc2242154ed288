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

// The digit a character stands for, written out by hand rather than
// computed, so a shifted range in the reader cannot hide behind the same
// shift here.
int ExpectedDigit(unsigned char c) {
  static const std::string_view kDigits = "0123456789ABCDEF";
  static const std::string_view kLower = "0123456789abcdef";
  if (const auto at = kDigits.find(static_cast<char>(c)); at != std::string_view::npos) return static_cast<int>(at);
  if (const auto at = kLower.find(static_cast<char>(c)); at != std::string_view::npos) return static_cast<int>(at);
  return -1;
}

// Every byte in each digit's place of a value and of an address: the
// neighbours of each range ('/', ':', '@', 'G', '`', 'g') are refused, never
// read as a digit, which would program other bytes than the file says.
TEST(ImageLine, EveryByteIsADigitOnlyWhenItIsOneInEitherCase) {
  for (int byte = 0; byte < 256; ++byte) {
    const auto c = static_cast<unsigned char>(byte);
    const int digit = ExpectedDigit(c);
    const std::string ch(1, static_cast<char>(c));
    const std::string shown = "byte " + std::to_string(byte);
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;  // separators and line ends

    const auto low = ParseImageLine("01 1" + ch + " 03\n");
    const auto high = ParseImageLine("01 " + ch + "1 03\n");
    const auto address = ParseImageLine("@1" + ch + "\n");
    if (digit < 0) {
      EXPECT_EQ(low.problem, bootloader::ImageLineProblem::NotHexValue) << shown;
      EXPECT_EQ(high.problem, bootloader::ImageLineProblem::NotHexValue) << shown;
      EXPECT_EQ(address.problem, bootloader::ImageLineProblem::NoAddress) << shown;
      continue;
    }
    EXPECT_EQ(ValuesOf(low), (Bytes{0x01, static_cast<std::uint8_t>(0x10 + digit), 0x03})) << shown;
    EXPECT_EQ(ValuesOf(high), (Bytes{0x01, static_cast<std::uint8_t>(digit * 16 + 1), 0x03})) << shown;
    EXPECT_EQ(address.kind, ImageLineKind::Address) << shown;
    EXPECT_EQ(address.address, 0x10 + digit) << shown;
  }
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
