// --list-ports: the option stands alone, each port is described in full, a
// port this user may not open names the fix, and an unreachable device
// manager is an exit status of its own.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/port_listing.h"
#include "support/udev_recording.h"

namespace cli {
namespace {

const std::string kRecording = std::string(QUORREL_SOURCE_DIR) + "/tests/platform/data/udev-db.txt";

std::string Captured(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text.push_back(static_cast<char>(c));
  return text;
}

TEST(ListPortsOption, StandsAlone) {
  const ParseResult alone = ParseOptions({"--list-ports"});
  ASSERT_TRUE(alone.options);
  EXPECT_TRUE(alone.options->listPorts);
  EXPECT_FALSE(ParseOptions({"--list-ports", "--port", "COM1"}).options);
  EXPECT_FALSE(ParseOptions({"--list-ports", "--image", "x.mbl"}).options);
  EXPECT_NE(UsageText().find("--list-ports"), std::string::npos);
  EXPECT_NE(UsageText().find("  30  "), std::string::npos);
}

TEST(PortListing, DescribesEachPortAndNamesTheFixForOnesItMayNotOpen) {
  platform::PortInfo ftdi{"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_X-if00-port0", "ftdi_sio", true, "0403",
                          "6001", "FTDI", "FT232R USB UART", "A50285BI", false};
  platform::PortInfo onboard;
  onboard.path = "/dev/ttyS0";
  onboard.driver = "serial";
  const std::string text = FormatPortListing(platform::Discovery{true, {ftdi, onboard}});
  EXPECT_EQ(text,
            "/dev/ttyUSB0\n"
            "  by-id:     /dev/serial/by-id/usb-FTDI_X-if00-port0\n"
            "  driver:    ftdi_sio\n"
            "  usb:       0403:6001  FTDI  FT232R USB UART\n"
            "  serial:    A50285BI\n"
            "  access:    no: you may not open it; membership of the dialout group is the fix\n"
            "             (sudo usermod -aG dialout $USER, then log out and in again)\n"
            "\n"
            "/dev/ttyS0\n"
            "  driver:    serial\n"
            "  access:    yes\n");
  EXPECT_NE(FormatPortListing(platform::Discovery{true, {}}).find("No serial ports found"), std::string::npos);
}

TEST(PortListing, ListsARecordingAndReportsAnUnreadableDeviceManager) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_TRUE(out && err);
  platform::RecordedPortSource recorded(kRecording);
  EXPECT_EQ(ListPorts(&recorded, out, err), kExitSuccess);
  EXPECT_NE(Captured(out).find("/dev/ttyACM0\n  by-id:     /dev/serial/by-id/usb-Quorrel_Tern_Bridge_QRT0000042-if00"),
            std::string::npos);

  platform::RecordedPortSource missing(kRecording + ".absent");
  EXPECT_EQ(ListPorts(&missing, out, err), kExitPortsNotListed);
  EXPECT_EQ(ListPorts(nullptr, out, err), kExitPortsNotListed);
  EXPECT_NE(Captured(err).find("cannot be listed"), std::string::npos);
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
}  // namespace cli
