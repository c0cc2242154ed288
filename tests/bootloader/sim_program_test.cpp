// The boot-loader connection against the simulated interface: the worker's
// order of the loader phase, images landing in flash byte for byte, the
// old-loader patch, and the device's faults reaching the caller as results.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bootloader/boot_loader.h"
#include "support/image_bytes.h"
#include "platform/clock.h"
#include "sim/sim_ports.h"

namespace {

using bootloader::BootLoader;
namespace fs = std::filesystem;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";

// An image of `size` bytes from `start` with lines of 16 values, CR LF ended,
// and the vectors at FFE0 pointing to `start` (so the application runs).
std::string MakeImage(const std::string& name, std::uint16_t start, std::size_t size) {
  char line[8];
  std::snprintf(line, sizeof line, "@%04X", start);
  std::string text = std::string(line) + "\r\n";
  auto put = [&text](const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); i += 16) {
      std::string row;
      for (std::size_t j = i; j < std::min(bytes.size(), i + 16); ++j) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", bytes[j]);
        row += (row.empty() ? "" : " ") + std::string(hex);
      }
      text += row + "\r\n";
    }
  };
  std::vector<std::uint8_t> code(size);
  for (std::size_t i = 0; i < size; ++i) code[i] = static_cast<std::uint8_t>((i * 31 + 7) ^ (i >> 8));
  put(code);
  text += "@FFE0\r\n";
  std::vector<std::uint8_t> vectors;
  for (int i = 0; i < 16; ++i) {
    vectors.push_back(static_cast<std::uint8_t>(start & 0xFF));
    vectors.push_back(static_cast<std::uint8_t>(start >> 8));
  }
  put(vectors);
  text += "q\r\n";
  const std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::vector<std::string> DemoImages(const std::string& folder) {
  std::vector<std::string> images;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kData / "Image" / folder, error)) {
    if (entry.path().extension() == ".mbl") images.push_back(entry.path().string());
  }
  std::sort(images.begin(), images.end());
  return images;
}

// The loader phase in the worker's order; the first failing step's result.
int RunLoaderPhase(BootLoader& boot, const std::string& port, const std::string& patch,
                   const std::string& image) {
  if (int r = boot.Open(port, 300, 4); r != 0) return r;
  boot.Reset(true);
  auto fail = [&boot](int r) {
    boot.Close();
    return r;
  };
  for (int i = 0; i < 20; ++i) {
    if (int r = boot.Command(bootloader::kCmdMassErase, bootloader::kMassEraseAddress,
                             bootloader::kMassEraseLength, nullptr, boot.replyData.data());
        r != 0) {
      return fail(r);
    }
  }
  if (int r = boot.SendPassword(); r != 0) return fail(r);
  if (boot.Command(bootloader::kCmdReadBlock, bootloader::kLoaderVersionAddress, 2, nullptr,
                   boot.replyData.data()) == 0) {
    boot.loaderVersion = static_cast<std::uint16_t>(boot.replyData[0] << 8 | boot.replyData[1]);
    if (boot.loaderVersion <= bootloader::kLastVersionNeedingPatch) boot.patchRequired = 1;
  }
  if (boot.patchRequired != 0) {
    if (int r = boot.Command(bootloader::kCmdLoadProgramCounter, bootloader::kLoaderRestartAddress, 0, nullptr,
                             boot.replyData.data());
        r != 0) {
      return fail(r);
    }
    if (int r = boot.SendPassword(); r != 0) return fail(r);
    if (int r = boot.ProgramFile(patch, bootloader::kActionProgram | bootloader::kActionVerify); r != 0) {
      return fail(r);
    }
    boot.patchLoaded = 1;
  }
  if (int r = boot.ProgramFile(image, bootloader::kActionProgram); r != 0) return fail(r);
  platform::CurrentClock()->Sleep(1000);
  return boot.Finish();
}

class SimProgramTest : public ::testing::Test {
 protected:

  void ExpectDeviceHolds(const std::string& port, const std::string& image) {
    const auto device = sim::FindSimInterface(port);
    const auto bytes = testsupport::ReadImageBytes(image);
    ASSERT_FALSE(bytes.empty());
    std::size_t differing = 0;
    for (const auto& [address, value] : bytes) {
      if (device->ReadMemory(address, 1).at(0) != value) ++differing;
    }
    EXPECT_EQ(differing, 0u) << image;
  }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  sim::ScopedSimInterfaces sims_;
  std::vector<std::int32_t> progress_;
  BootLoader boot_{[this](std::int32_t position) { progress_.push_back(position); }};
};

TEST_F(SimProgramTest, AnImageLandsInFlashAndTheApplicationRuns) {
  const std::string port = "sim:model=Apex";
  const std::string image = MakeImage("apex_image.mbl", 0x4000, 5000);
  ASSERT_EQ(RunLoaderPhase(boot_, port, "", image), bootloader::kOk);
  ExpectDeviceHolds(port, image);
  EXPECT_EQ(boot_.loaderVersion, 0x0120);
  EXPECT_EQ(boot_.patchLoaded, 0);
  EXPECT_EQ(progress_.back(), static_cast<std::int32_t>(fs::file_size(image) - 3));
  const auto device = sim::FindSimInterface(port);
  EXPECT_EQ(device->State(), sim::RunState::Application);
  EXPECT_FALSE(device->IsOpen());
}

TEST_F(SimProgramTest, EveryDemoImageLandsInItsModel) {
  std::vector<std::pair<std::string, std::string>> runs;  // image, port
  for (const std::string& image : DemoImages("Apex")) runs.emplace_back(image, "sim:model=Apex");
  for (const std::string& image : DemoImages("Tern")) {
    const bool ternII = fs::path(image).filename().string().starts_with("QRT2M");
    runs.emplace_back(image, ternII ? "sim:model=TernII" : "sim:model=Tern");
  }
  ASSERT_GE(runs.size(), 2u) << "demo images missing under " << kData;
  for (const auto& [image, port] : runs) {
    const sim::ScopedSimInterfaces fresh;
    BootLoader boot(nullptr);
    ASSERT_EQ(RunLoaderPhase(boot, port, "", image), bootloader::kOk) << image;
    ExpectDeviceHolds(port, image);
    EXPECT_EQ(sim::FindSimInterface(port)->State(), sim::RunState::Application) << image;
  }
}

TEST_F(SimProgramTest, AnOldLoaderTakesTheImageOnlyAfterThePatch) {
  const fs::path patch = kData / "PATCH.TXT";
  const std::string image = MakeImage("old_loader_image.mbl", 0x8000, 3000);

  const std::string withPatch = "sim:model=Tern,loader=0110";
  ASSERT_EQ(RunLoaderPhase(boot_, withPatch, patch.string(), image), bootloader::kOk);
  EXPECT_EQ(boot_.loaderVersion, 0x0110);
  EXPECT_EQ(boot_.patchRequired, 1);
  EXPECT_EQ(boot_.patchLoaded, 1);
  ExpectDeviceHolds(withPatch, image);
  // Every block write of the image came right after the patch's entry.
  const auto commands = sim::FindSimInterface(withPatch)->LoaderCommands();
  std::size_t writes = 0;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    if (commands[i].command != 0x12 || commands[i].address < 0x8000) continue;
    ++writes;
    ASSERT_GT(i, 0u);
    EXPECT_EQ(commands[i - 1].command, 0x1A);
    EXPECT_EQ(commands[i - 1].address, 0x0220);
    EXPECT_EQ(commands[i].reply, 0x90);
  }
  EXPECT_GT(writes, 10u);

  // Without the patch the old loader refuses to write flash.
  const std::string noPatch = "sim:model=Tern,loader=0110,serial=QRT0000001";
  BootLoader unpatched(nullptr);
  EXPECT_EQ(unpatched.Open(noPatch, 300, 4), bootloader::kOk);
  unpatched.Reset(true);
  EXPECT_EQ(unpatched.SendPassword(), bootloader::kNotAcknowledged);  // still the factory password
  EXPECT_EQ(unpatched.Command(0x18, 0xFF00, 0xA506, nullptr, nullptr), bootloader::kOk);
  EXPECT_EQ(unpatched.SendPassword(), bootloader::kOk);
  EXPECT_EQ(unpatched.ProgramFile(image, bootloader::kActionProgram), bootloader::kNotAcknowledged);
  unpatched.Close();
}

TEST_F(SimProgramTest, APatchThatDoesNotReadBackStopsTheRun) {
  const fs::path patch = kData / "PATCH.TXT";
  const std::string port = "sim:model=Apex,loader=0100,fault=bad-checksum@2";
  const std::string image = MakeImage("patch_fault_image.mbl", 0x4000, 500);
  // The second data frame is the patch's first read-back (the first is the version).
  EXPECT_EQ(RunLoaderPhase(boot_, port, patch.string(), image), bootloader::kBadReply);
  EXPECT_EQ(boot_.patchLoaded, 0);
  EXPECT_FALSE(sim::FindSimInterface(port)->IsOpen());
}

// Faults of the device come back as the link's results, and a run stops at
// the first failing block.
TEST_F(SimProgramTest, DeviceFaultsBecomeResults) {
  const std::string image = MakeImage("fault_image.mbl", 0x4000, 2400);
  struct Case {
    std::string port;
    int result;
  };
  const std::vector<Case> cases{
      {"sim:model=Apex,fault=write-fail@3", bootloader::kCommandFailed},
      {"sim:model=Apex,fault=write-nak@5", bootloader::kNotAcknowledged},
      {"sim:model=Apex,fault=erase-nak@5", bootloader::kNotAcknowledged},
      {"sim:model=Apex,fault=no-sync@10+", bootloader::kSyncFailed},
      {"sim:model=Apex,fault=early-nak@4", bootloader::kNotAcknowledged},
      {"sim:model=Apex,fault=dead@2000", bootloader::kNoReply},  // dies within a block write
  };
  for (const Case& c : cases) {
    BootLoader boot(nullptr);
    EXPECT_EQ(RunLoaderPhase(boot, c.port, "", image), c.result) << c.port;
    EXPECT_FALSE(sim::FindSimInterface(c.port)->IsOpen()) << c.port;
  }
  // The third write failed: two blocks went in, nothing after them.
  const auto commands = sim::FindSimInterface(cases[0].port)->LoaderCommands();
  const auto writes = std::count_if(commands.begin(), commands.end(), [](const auto& c) { return c.command == 0x12; });
  EXPECT_EQ(writes, 3);
}

TEST_F(SimProgramTest, SpoiledVersionReadsAreRefused) {
  for (const char* fault : {"bad-checksum", "unequal-length", "oversize-frame"}) {
    const std::string port = std::string("sim:model=Apex,fault=") + fault;
    ASSERT_EQ(boot_.Open(port, 300, 4), bootloader::kOk);
    boot_.Reset(true);
    ASSERT_EQ(boot_.SendPassword(), bootloader::kNotAcknowledged);
    ASSERT_EQ(boot_.Command(0x18, 0xFF00, 0xA506, nullptr, nullptr), bootloader::kOk);
    ASSERT_EQ(boot_.SendPassword(), bootloader::kOk);
    boot_.replyData.fill(0x5A);
    EXPECT_EQ(boot_.Command(0x14, 0x0FFA, 2, nullptr, boot_.replyData.data()), bootloader::kBadReply) << fault;
    if (std::string(fault) == "oversize-frame") {
      EXPECT_EQ(boot_.replyData[2], 0x5A);
    }
    EXPECT_EQ(boot_.Close(), bootloader::kOk);
  }
}

}  // namespace

namespace {

// A long request takes a good part of a second on the wire at 9600 baud; the
// driver has it all queued long before. The reply wait counts from the moment
// the last byte has left, so a silent loader gets its whole wait after it.
TEST_F(SimProgramTest, TheReplyWaitCountsFromTheLastByteOnTheWire) {
  const std::string port = "sim:model=Apex,paced=1,fault=dead@1";
  ASSERT_EQ(boot_.Open(port, 300, 4), bootloader::kOk);
  std::array<std::uint8_t, 245> data{};
  data.fill(0x5A);
  const platform::Micros start = platform::CurrentClock()->Now();
  EXPECT_EQ(boot_.Transact(bootloader::kCmdWriteBlock, data.data(), 244), bootloader::kNoReply);
  const platform::Micros end = platform::CurrentClock()->Now();
  const auto received = sim::FindSimInterface(port)->ReceivedBytes();
  ASSERT_EQ(received.size(), 250u);
  const platform::Micros lastOnWire = received.back().time;
  EXPECT_GE(lastOnWire - start, 250 * 1146);  // 11 bits a byte at 9600 baud
  RecordProperty("replyWindowAfterLastByteMicros", std::to_string(end - lastOnWire));
  EXPECT_GE(end - lastOnWire, 1'200'000);
  EXPECT_LE(end - lastOnWire, 1'202'000);
  boot_.Close();
}

}  // namespace
