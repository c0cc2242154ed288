// The demo images and the patch in data/: their format, and that they do
// what they are for when sent to the simulated device.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "sim/sim_host.h"

namespace {

using namespace simtest;
namespace fs = std::filesystem;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";

// address -> byte, read strictly: "@ADDR" lines, lines of up to 16 two-digit values
// separated by single spaces, "q" at the end, every line ending in CR LF.
struct Image {
  std::map<std::uint16_t, std::uint8_t> bytes;
  bool wellFormed = false;
};

Image ReadImage(const fs::path& path) {
  Image image;
  std::ifstream file(path, std::ios::binary);
  std::string line;
  std::uint32_t address = 0;
  while (std::getline(file, line)) {
    if (line.empty() || line.back() != '\r') return image;
    line.pop_back();
    if (line == "q") {
      image.wellFormed = !std::getline(file, line);
      return image;
    }
    if (line.starts_with("@")) {
      address = static_cast<std::uint32_t>(std::stoul(line.substr(1), nullptr, 16));
      continue;
    }
    if (line.size() > 47 || line.size() % 3 != 2) return image;  // 1 to 16 values
    for (std::size_t at = 0; at < line.size(); at += 3) {
      image.bytes[static_cast<std::uint16_t>(address++)] =
          static_cast<std::uint8_t>(std::stoul(line.substr(at, 2), nullptr, 16));
    }
  }
  return image;
}

// Sends the image the way a programmer would: runs of up to 240 bytes.
void Program(platform::SerialDevice& device, const Image& image, bool throughPatch) {
  auto it = image.bytes.begin();
  while (it != image.bytes.end()) {
    const std::uint16_t start = it->first;
    Bytes block;
    while (it != image.bytes.end() && block.size() < 240 && it->first == start + block.size()) {
      block.push_back(it->second);
      ++it;
    }
    if (throughPatch) {
      ASSERT_EQ(Command(device, 0x1A, 0x0220, 0), Bytes{0x90});
    }
    ASSERT_EQ(Command(device, 0x12, start, static_cast<std::uint16_t>(block.size()), block), Bytes{0x90})
        << std::hex << start;
  }
}

std::vector<fs::path> DemoImages() {
  std::vector<fs::path> paths;
  for (const char* folder : {"Image/Apex", "Image/Tern", "Image"})
    for (const auto& entry : fs::directory_iterator(kData / folder))
      if (entry.path().extension() == ".mbl") paths.push_back(entry.path());
  return paths;
}

TEST(SimData, DemoImagesAreWellFormedAndCarryVectorsAndPassword) {
  const auto paths = DemoImages();
  ASSERT_GE(paths.size(), 3u);
  for (const auto& path : paths) {
    const Image image = ReadImage(path);
    EXPECT_TRUE(image.wellFormed) << path;
    EXPECT_GT(image.bytes.size(), 10'000u) << path;
    for (unsigned a = 0xFFE0; a <= 0xFFFF; ++a) EXPECT_TRUE(image.bytes.count(static_cast<std::uint16_t>(a))) << path;
    const bool tern = path.filename().string().starts_with("QRT");
    EXPECT_GE(image.bytes.begin()->first, tern ? 0x8000 : 0x4000) << path;
  }
}

TEST(SimData, ImageProgrammedIntoTheDeviceRunsAsItsApplication) {
  platform::ScopedClock clock(platform::MakeVirtualClock());
  int programmed = 0;
  for (const auto& [model, folder] : {std::pair{"Apex", "Image/Apex"}, std::pair{"Tern", "Image/Tern"}}) {
    for (const auto& entry : fs::directory_iterator(kData / folder)) {
      ++programmed;
      const Image image = ReadImage(entry.path());
      LoaderRig rig(std::string("model=") + model);
      Program(*rig.device, image, false);
      for (const auto& [address, value] : image.bytes)
        ASSERT_EQ(rig.sim->ReadMemory(address, 1)[0], value) << entry.path() << " " << std::hex << address;
      RestartNormally(*rig.device, LoaderLine());
      EXPECT_EQ(rig.sim->State(), sim::RunState::Application) << entry.path();
    }
  }
  EXPECT_GE(programmed, 2);
}

TEST(SimData, PatchLetsTheOldLoaderProgram) {
  platform::ScopedClock clock(platform::MakeVirtualClock());
  const Image patch = ReadImage(kData / "PATCH.TXT");
  ASSERT_TRUE(patch.wellFormed);
  EXPECT_EQ(patch.bytes.begin()->first, 0x0220);
  EXPECT_LE(patch.bytes.rbegin()->first, 0x09FF);

  const Image image = ReadImage(DemoImages().front());
  LoaderRig rig("loader=0110");
  Program(*rig.device, patch, false);
  Program(*rig.device, image, true);
  for (const auto& [address, value] : image.bytes) ASSERT_EQ(rig.sim->ReadMemory(address, 1)[0], value);
}

}  // namespace
