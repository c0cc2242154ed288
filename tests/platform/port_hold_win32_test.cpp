// Holding a port on Windows: a named kernel object per port, nested within a
// process, whatever prefix the name is written with. The second process
// refused is an end-to-end test under Wine.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/port_hold.h"
#include "platform/port_identity.h"
#include "platform/port_names.h"
#include "support/test_os.h"

namespace {

constexpr const char* kSecondRunPort = "QUORREL_TEST_SECOND_RUN_PORT";
constexpr const char* kSecondRunHolder = "QUORREL_TEST_SECOND_RUN_HOLDER";

// The second run of the tests below: this program started again with the
// variables set tries the port before any test runs, and ends with what it
// found: 0 refused at once naming the holder, 1 held, 2 refused otherwise,
// 3 refused without naming the holder.
const bool secondRun = [] {
  const char* port = std::getenv(kSecondRunPort);
  if (port == nullptr || *port == '\0') return false;
  const auto held = platform::HoldPort(port);
  const std::string holder = std::string("process ") + std::getenv(kSecondRunHolder);
  int status = 3;
  if (held.ok()) {
    status = 1;
  } else if (held.error != platform::Error::Busy) {
    status = 2;
  } else if (held.detail.find(holder) != std::string::npos) {
    status = 0;
  }
  ExitProcess(static_cast<UINT>(status));
}();

// Runs this program again as a second run on `port`; its status.
DWORD SecondRunOn(const std::string& port) {
  const testsupport::EnvVar portVariable(kSecondRunPort, port);
  const testsupport::EnvVar holderVariable(kSecondRunHolder, std::to_string(testsupport::ProcessId()));
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring commandLine = std::wstring(L"\"") + self + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) ==
      FALSE) {
    return 100;
  }
  DWORD status = 101;
  if (WaitForSingleObject(process.hProcess, 60'000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

std::string UniquePort(const char* what) {
  return std::string("QTEST") + what + std::to_string(testsupport::ProcessId());
}

TEST(PortHoldWindows, HoldsNestAndTheObjectGoesWithTheLast) {
  const std::string port = UniquePort("NEST");
  {
    auto outer = platform::HoldPort(port);
    ASSERT_TRUE(outer.ok()) << outer.detail;
    auto inner = platform::HoldPort("\\\\.\\" + port);
    ASSERT_TRUE(inner.ok()) << inner.detail;
    // This process's own hold is no other run's.
    const auto elsewhere = platform::PortHeldElsewhere(port);
    ASSERT_TRUE(elsewhere.ok()) << elsewhere.detail;
    EXPECT_FALSE(elsewhere.value.has_value());
  }
  auto again = platform::HoldPort(port);
  EXPECT_TRUE(again.ok()) << again.detail;
}

TEST(PortHoldWindows, TheHolderIsNamedByItsProgram) {
  const std::string text = platform::DescribeHolder(platform::LockHolder{testsupport::ProcessId()});
  EXPECT_EQ(text.rfind("process " + std::to_string(testsupport::ProcessId()), 0), 0u) << text;
  EXPECT_NE(text.find(".exe)"), std::string::npos) << text;
  // An object whose maker has not yet written its number into it.
  EXPECT_EQ(platform::DescribeHolder(platform::LockHolder{0}), "a program that is still writing its lock");
}

TEST(PortHoldWindows, SimulatedPortsAreHeldInTheProcessAlone) {
  auto first = platform::HoldPort("sim:model=Apex");
  auto second = platform::HoldPort("sim:model=Apex");
  EXPECT_TRUE(first.ok());
  EXPECT_TRUE(second.ok());
  const auto elsewhere = platform::PortHeldElsewhere("sim:model=Apex");
  ASSERT_TRUE(elsewhere.ok()) << elsewhere.detail;
  EXPECT_FALSE(elsewhere.value.has_value());
}

// "COM7", "com7" and "\\.\COM7" are one device, whatever the case and prefix.
TEST(PortHoldWindows, AComPortHasOneKeyWhateverItsNameIsWrittenWith) {
  const auto plain = platform::IdentifyPort("COM7");
  const auto lower = platform::IdentifyPort("com7");
  const auto device = platform::IdentifyPort("\\\\.\\COM7");
  const auto other = platform::IdentifyPort("COM17");
  ASSERT_TRUE(plain.ok() && lower.ok() && device.ok() && other.ok());
  EXPECT_EQ(plain.value.keys, device.value.keys);
  EXPECT_EQ(plain.value.keys, lower.value.keys);
  EXPECT_FALSE(platform::SameDevice(plain.value, other.value));
  EXPECT_TRUE(plain.value.lockFiles);
}

// A network port is keyed by the address its host resolves to, so two
// spellings of one address are one port.
TEST(PortHoldWindows, ANetworkPortIsKeyedByItsResolvedAddress) {
  const auto dotted = platform::IdentifyPort("rfc2217://127.0.0.1:4007");
  const auto shortened = platform::IdentifyPort("rfc2217://127.1:4007");
  const auto otherPort = platform::IdentifyPort("rfc2217://127.0.0.1:4008");
  ASSERT_TRUE(dotted.ok()) << dotted.detail;
  ASSERT_TRUE(shortened.ok()) << shortened.detail;
  ASSERT_TRUE(otherPort.ok()) << otherPort.detail;
  EXPECT_TRUE(platform::SameDevice(dotted.value, shortened.value));
  EXPECT_FALSE(platform::SameDevice(dotted.value, otherPort.value));
}

// One run holds its device from start to end: a second process is refused
// at once, by whatever name it asks for the same device, and told who holds it.
TEST(PortHoldWindows, ASecondRunIsRefusedAtOnceWhateverNameItGives) {
  const std::string com = UniquePort("COM");
  const std::uint16_t tcp = static_cast<std::uint16_t>(20000 + testsupport::ProcessId() % 20000);
  const std::string network = "rfc2217://localhost:" + std::to_string(tcp);
  {
    auto heldCom = platform::HoldPort(com);
    ASSERT_TRUE(heldCom.ok()) << heldCom.detail;
    auto heldNetwork = platform::HoldPort(network);
    ASSERT_TRUE(heldNetwork.ok()) << heldNetwork.detail;
    EXPECT_EQ(SecondRunOn("\\\\.\\" + com), 0u);
    EXPECT_EQ(SecondRunOn("rfc2217://127.0.0.1:" + std::to_string(tcp)), 0u);
  }
  // Let go with the holds: the next run takes the device.
  EXPECT_EQ(SecondRunOn(com), 1u);
}

}  // namespace
