// The terminal front end upgrades a simulated interface that quorrel-sim
// serves in another process, over a network serial port: what the device
// holds afterwards is read from the server's own dump, not from our side.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "support/child_process.h"
#include "support/file_text.h"
#include "support/image_bytes.h"
#include "support/lock_folder.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";

using testing_support::FileText;

TEST(NetworkUpgrade, UpgradesQuorrelSimInAnotherProcess) {
  const fs::path work = fs::temp_directory_path() / ("quorrel-e2e-" + std::to_string(::getpid()));
  fs::create_directories(work);
  const fs::path memory = work / "memory.bin";
  const fs::path serial = work / "serial.txt";
  const testing_support::ScopedLockFolder locks("e2e-locks");
  std::string error;
  auto server = nettest::ChildProcess::Start(
      {QUORREL_SIM_PATH, "--sim", "model=Apex,serial=QRA3141592", "--dump-memory", memory.string(),
       "--dump-serial", serial.string()},
      &error);
  ASSERT_TRUE(server) << error;
  const auto port = server->ReadLine(10'000);
  ASSERT_TRUE(port) << server->Transcript();

  // The front end finds Lang/ and Image/ under the current directory.
  const fs::path previous = fs::current_path();
  fs::current_path(kData);
  auto upgrade = nettest::ChildProcess::Start({QUORREL_UPGRADE_PATH, "--port", "rfc2217://127.0.0.1:" + *port,
                                               "--image", "Image/Apex/QRA0203.mbl", "--lang", "1033"},
                                              &error);
  fs::current_path(previous);
  ASSERT_TRUE(upgrade) << error;
  EXPECT_EQ(upgrade->Wait(120'000), 0);
  while (upgrade->ReadLine(1'000)) {
  }
  server->Signal(SIGTERM);
  ASSERT_TRUE(server->Wait(10'000).has_value());

  const std::string image = FileText(memory);
  ASSERT_EQ(image.size(), 65536u) << upgrade->Transcript();
  for (const auto& [address, value] : testsupport::ReadImageBytes((kData / "Image/Apex/QRA0203.mbl").string()))
    ASSERT_EQ(static_cast<std::uint8_t>(image[address]), value) << "at " << address;
  EXPECT_EQ(FileText(serial).substr(0, 10), "QRA3141592");
  fs::remove_all(work);
}

}  // namespace
