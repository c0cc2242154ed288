#include "cli/image_listing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace cli {
namespace {

namespace fs = std::filesystem;

class ImageListing : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quorrel-listing-" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "QRA-folder.mbl");
    for (const char* name : {"QRA200.mbl", "qra100.MBL", "QRT100.mbl", "QRA300.txt"}) std::ofstream(dir_ / name) << "q\n";
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(ImageListing, MatchesThePatternInAnyLetterCaseAndSorts) {
  const auto names = ListImages(dir_.string() + "/", "QRA*.mbl");
  EXPECT_EQ(names, (std::vector<std::string>{"QRA200.mbl", "qra100.MBL"}));
  EXPECT_EQ(ListImages(dir_.string() + "/", "*.mbl").size(), 3u);
}

TEST_F(ImageListing, DescribesTheFolderAndTheOptionToGive) {
  const std::string text = DescribeImages(dir_.string() + "/", "QRT*.mbl");
  EXPECT_NE(text.find("QRT100.mbl"), std::string::npos) << text;
  EXPECT_NE(text.find("--image"), std::string::npos) << text;
  const std::string none = DescribeImages((dir_ / "missing/").string(), "QRA*.mbl");
  EXPECT_NE(none.find("no image"), std::string::npos) << none;
}

}  // namespace
}  // namespace cli
