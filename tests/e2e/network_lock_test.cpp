// Two quorrel-upgrade processes against one quorrel-sim server under two
// names of its address: the second is refused while the first holds the
// device, which ends with its own serial number. The lock folder is a
// temporary one with a link planted where an older build made its lock's
// first copy; the file it points to is never written.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/child_process.h"
#include "support/image_bytes.h"
#include "support/lock_folder.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";
constexpr const char* kImage = "Image/Apex/QRA0203.mbl";
constexpr int kExitPortHeld = 25;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

// Started in the data tree, where the front end finds Lang/ and Image/.
std::unique_ptr<nettest::ChildProcess> StartInData(const std::vector<std::string>& argv, std::string* error) {
  const fs::path previous = fs::current_path();
  fs::current_path(kData);
  auto child = nettest::ChildProcess::Start(argv, error);
  fs::current_path(previous);
  return child;
}

TEST(NetworkLock, TwoNamesOfOneDeviceExcludeEachOtherAndAPlantedLinkIsLeftUntouched) {
  const fs::path work = fs::temp_directory_path() / ("quorrel-e2e-lock-" + std::to_string(::getpid()));
  fs::create_directories(work);
  const testing_support::ScopedLockFolder lockFolder("e2e-planted");
  const fs::path& locks = lockFolder.Path();
  const fs::path precious = work / "precious";
  std::ofstream(precious) << "keep me\n";
  std::string error;
  auto server = nettest::ChildProcess::Start({QUORREL_SIM_PATH, "--sim", "model=Apex,serial=QRA1618033",
                                              "--dump-memory", (work / "memory.bin").string(), "--dump-serial",
                                              (work / "serial.txt").string()},
                                             &error);
  ASSERT_TRUE(server) << error;
  const auto port = server->ReadLine(10'000);
  ASSERT_TRUE(port) << server->Transcript();
  const fs::path lock = locks / ("LCK..rfc2217_127.0.0.1_" + *port);

  // The shell plants the link for its own process number, which the program
  // it becomes keeps.
  auto first = StartInData({"/bin/sh", "-c", "ln -s \"$1\" \"$2.tmp$$\" && exec \"$0\" --port \"$3\" --image \"$4\" --lang 1033",
                            QUORREL_UPGRADE_PATH, precious.string(), lock.string(), "rfc2217://127.0.0.1:" + *port, kImage},
                           &error);
  ASSERT_TRUE(first) << error;
  ASSERT_TRUE(first->ReadLine(30'000)) << "the first run said nothing";  // it holds the device by now
  auto second = StartInData({"/bin/sh", "-c", "exec \"$0\" --port \"$1\" --image \"$2\" --lang 1033 2>&1",
                             QUORREL_UPGRADE_PATH, "rfc2217://LOCALHOST:" + *port, kImage},
                            &error);
  ASSERT_TRUE(second) << error;
  EXPECT_EQ(second->Wait(30'000), kExitPortHeld);
  EXPECT_FALSE(first->Wait(0).has_value()) << "the first run ended before the second was refused";
  while (second->ReadLine(1'000)) {
  }
  EXPECT_NE(second->Transcript().find("held by process"), std::string::npos) << second->Transcript();

  EXPECT_EQ(first->Wait(120'000), 0);
  while (first->ReadLine(1'000)) {
  }
  server->Signal(SIGTERM);
  ASSERT_TRUE(server->Wait(10'000).has_value());
  const std::string memory = ReadFile(work / "memory.bin");
  ASSERT_EQ(memory.size(), 65536u) << first->Transcript();
  for (const auto& [address, value] : testsupport::ReadImageBytes((kData / kImage).string()))
    ASSERT_EQ(static_cast<std::uint8_t>(memory[address]), value) << "at " << address;
  EXPECT_EQ(ReadFile(work / "serial.txt").substr(0, 10), "QRA1618033");

  EXPECT_EQ(ReadFile(precious), "keep me\n");
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(locks)) left.push_back(entry.path().filename().string());
  ASSERT_EQ(left.size(), 1u) << "locks and temporaries go with the runs";
  EXPECT_TRUE(fs::is_symlink(locks / left[0]));
  fs::remove_all(work);
}

}  // namespace
