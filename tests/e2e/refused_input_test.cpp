// Inputs that must be refused before the device is erased, checked against
// quorrel-sim in another process: what the device holds afterwards is read
// from the server's own dump and compared with the dump of a twin that no
// program touched.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "support/child_process.h"
#include "support/file_text.h"

namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(QUORREL_SOURCE_DIR) / "data";

using testing_support::FileText;

struct DeviceState {
  std::string memory;
  std::string serial;
};

class RefusedInput : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("quorrel-refused-" + std::to_string(::getpid()));
    fs::create_directories(work_);
  }
  void TearDown() override { fs::remove_all(work_); }

  // Serves a simulated interface, runs quorrel-upgrade on it from `folder`
  // with `args` after the port (none: nothing is run), and returns what the
  // device held when the server ended.
  DeviceState Serve(const std::string& simOptions, const fs::path& folder, std::vector<std::string> args,
                    const std::string& name) {
    const fs::path memory = work_ / (name + ".bin");
    const fs::path serial = work_ / (name + ".serial");
    std::string error;
    auto server = nettest::ChildProcess::Start({QUORREL_SIM_PATH, "--sim", simOptions, "--dump-memory",
                                                memory.string(), "--dump-serial", serial.string()},
                                               &error);
    EXPECT_TRUE(server) << error;
    if (!server) return {};
    const auto port = server->ReadLine(10'000);
    EXPECT_TRUE(port) << server->Transcript();
    if (port && !args.empty()) {
      args.insert(args.begin(), {QUORREL_UPGRADE_PATH, "--port", "rfc2217://127.0.0.1:" + *port});
      const fs::path previous = fs::current_path();
      fs::current_path(folder);  // the front end finds Lang/, Image/ and PATCH.TXT here
      auto upgrade = nettest::ChildProcess::Start(args, &error);
      fs::current_path(previous);
      EXPECT_TRUE(upgrade) << error;
      if (upgrade) {
        exitCode_ = upgrade->Wait(120'000);
        while (upgrade->ReadLine(1'000)) {
        }
        transcript_ = upgrade->Transcript();
      }
    }
    server->Signal(SIGTERM);
    EXPECT_TRUE(server->Wait(10'000).has_value());
    return {FileText(memory), FileText(serial)};
  }

  fs::path work_;
  std::optional<int> exitCode_;
  std::string transcript_;
};

// Yesterday a Tern given an Apex image was erased and left without firmware.
TEST_F(RefusedInput, AnImageOfTheOtherModelIsRefusedWithNothingErased) {
  const std::string tern = "model=Tern,serial=QRT2718281";
  const DeviceState untouched = Serve(tern, kData, {}, "twin");
  const DeviceState after =
      Serve(tern, kData, {"--image", "Image/Apex/QRA0203.mbl", "--lang", "1033"}, "refused");
  EXPECT_EQ(exitCode_, 35) << transcript_;
  ASSERT_EQ(untouched.memory.size(), 65536u);
  EXPECT_TRUE(after.memory == untouched.memory) << "the device's memory changed";
  EXPECT_EQ(after.serial.substr(0, 10), "QRT2718281");
}

// A planted PATCH.TXT that links to itself is no missing patch: an old loader
// would be erased first and then find none.
TEST_F(RefusedInput, APatchThatIsALoopOfLinksIsRefusedWithNothingErased) {
  const fs::path base = work_ / "base";
  fs::create_directories(base / "Image" / "Apex");
  fs::copy(kData / "Lang", base / "Lang", fs::copy_options::recursive);
  fs::copy_file(kData / "Image/Apex/QRA0203.mbl", base / "Image/Apex/QRA0203.mbl");
  fs::create_symlink("PATCH.TXT", base / "PATCH.TXT");
  const std::string apex = "model=Apex,serial=QRA1618033,loader=0100";
  const DeviceState untouched = Serve(apex, base, {}, "twin");
  const DeviceState after = Serve(apex, base, {"--image", "Image/Apex/QRA0203.mbl", "--lang", "1033"}, "refused");
  EXPECT_EQ(exitCode_, 8) << transcript_;
  ASSERT_EQ(untouched.memory.size(), 65536u);
  EXPECT_TRUE(after.memory == untouched.memory) << "the device's memory changed";
  EXPECT_EQ(after.serial.substr(0, 10), "QRA1618033");
}

}  // namespace
