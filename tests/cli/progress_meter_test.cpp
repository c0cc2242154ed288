#include "cli/progress_meter.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

TEST(ProgressMeter, ShowsPercentBytesRateAndTimeLeft) {
  ProgressSample sample{5000, 0, 10000, 5'000'000};  // half way after 5 s
  const std::string line = FormatProgressLine(sample, 10);
  EXPECT_EQ(line.substr(0, 13), "[#####     ] ");
  EXPECT_NE(line.find(" 50%"), std::string::npos) << line;
  EXPECT_NE(line.find("5000/10000 bytes"), std::string::npos) << line;
  EXPECT_NE(line.find("1000 B/s"), std::string::npos) << line;
  EXPECT_NE(line.find("0:05 left"), std::string::npos) << line;
}

TEST(ProgressMeter, StaysInsideItsRange) {
  EXPECT_NE(FormatProgressLine({-5, 0, 100, 0}, 4).find("[    ]   0%"), std::string::npos);
  EXPECT_NE(FormatProgressLine({500, 0, 100, 1'000'000}, 4).find("[####] 100%"), std::string::npos);
  // An empty range draws, and divides by nothing.
  EXPECT_NE(FormatProgressLine({0, 0, 0, 0}, 4).find("0%"), std::string::npos);
}

TEST(ProgressMeter, NoRateBeforeAnyProgress) {
  const std::string line = FormatProgressLine({0, 0, 100, 3'000'000}, 4);
  EXPECT_EQ(line.find("B/s"), std::string::npos) << line;
}

}  // namespace
}  // namespace cli
