// Port discovery over a recorded device database: which ttys are offered,
// what is said of each, and that an adapter's texts cannot reach a terminal
// raw.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/port_discovery.h"
#include "support/udev_recording.h"
#include "platform/udev_text.h"

namespace platform {
namespace {

const std::string kRecording = std::string(QUORREL_SOURCE_DIR) + "/tests/platform/data/udev-db.txt";

Discovery DiscoverRecorded(const AccessCheck& mayOpen = [](const std::string&) { return true; }) {
  RecordedPortSource source(kRecording);
  return DiscoverPorts(source, mayOpen);
}

const PortInfo* Find(const Discovery& discovery, const std::string& path) {
  for (const PortInfo& port : discovery.ports) {
    if (port.path == path) return &port;
  }
  return nullptr;
}

TEST(PortDiscovery, OffersRealSerialPortsOnlyInNaturalOrder) {
  const Discovery discovery = DiscoverRecorded();
  ASSERT_TRUE(discovery.ok);
  std::vector<std::string> paths;
  for (const PortInfo& port : discovery.ports) paths.push_back(port.path);
  // Virtual terminals, the pty master, the empty legacy UART slot and the
  // disk are left out; ttyUSB2 comes before ttyUSB10.
  EXPECT_EQ(paths, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB2",
                                             "/dev/ttyUSB10"}));
}

TEST(PortDiscovery, UsbAdapterCarriesItsIdsNamesAndStableName) {
  const Discovery discovery = DiscoverRecorded();
  const PortInfo* ftdi = Find(discovery, "/dev/ttyUSB0");
  ASSERT_NE(ftdi, nullptr);
  EXPECT_TRUE(ftdi->usb);
  EXPECT_EQ(ftdi->byIdPath, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  EXPECT_EQ(ftdi->driver, "ftdi_sio");
  EXPECT_EQ(ftdi->vendorId, "0403");
  EXPECT_EQ(ftdi->productId, "6001");
  // The adapter's own words, spaces restored, before the vendor database's.
  EXPECT_EQ(ftdi->manufacturer, "FTDI");
  EXPECT_EQ(ftdi->product, "FT232R USB UART");
  EXPECT_EQ(ftdi->serialNumber, "A50285BI");
  EXPECT_EQ(PortSummary(*ftdi), "FT232R USB UART (FTDI), USB 0403:6001, serial A50285BI, driver ftdi_sio");

  // An adapter without strings of its own is named from the database.
  const PortInfo* prolific = Find(discovery, "/dev/ttyUSB10");
  ASSERT_NE(prolific, nullptr);
  EXPECT_EQ(prolific->manufacturer, "Prolific Technology, Inc.");
  EXPECT_TRUE(prolific->serialNumber.empty());
  EXPECT_TRUE(prolific->byIdPath.empty());
}

TEST(PortDiscovery, OnBoardPortTakesItsParentsDriverAndNoUsbIds) {
  const Discovery discovery = DiscoverRecorded();
  const PortInfo* onboard = Find(discovery, "/dev/ttyS0");
  ASSERT_NE(onboard, nullptr);
  EXPECT_FALSE(onboard->usb);
  EXPECT_EQ(onboard->driver, "serial");
  EXPECT_EQ(PortSummary(*onboard), "driver serial");
}

TEST(PortDiscovery, HostileAdapterStringsAreDefused) {
  const Discovery discovery = DiscoverRecorded();
  const PortInfo* evil = Find(discovery, "/dev/ttyUSB2");
  ASSERT_NE(evil, nullptr);
  // Escape, bell, an eight-bit control sequence introducer and a stray byte.
  EXPECT_EQ(evil->manufacturer, "Evil?[2J?Maker");
  EXPECT_EQ(evil->product, "Bridge??31m ?");
}

TEST(PortDiscovery, AccessIsAskedPerPortAndReported) {
  const std::set<std::string> allowed{"/dev/ttyACM0"};
  const Discovery discovery =
      DiscoverRecorded([&](const std::string& path) { return allowed.contains(path); });
  for (const PortInfo& port : discovery.ports) EXPECT_EQ(port.accessible, allowed.contains(port.path)) << port.path;
}

TEST(PortDiscovery, OnlyARefusalCountsAgainstAccess) {
  // A node that is gone is not a question of permission; a readable and
  // writable file is open to this user.
  EXPECT_TRUE(MayOpenForReadWrite("/nonexistent/ttyUSB99"));
  EXPECT_TRUE(MayOpenForReadWrite("/dev/null"));
}

TEST(PortDiscovery, UnreadableSourceReportsFailureWithNoPorts) {
  RecordedPortSource missing(kRecording + ".absent");
  const Discovery discovery = DiscoverPorts(missing);
  EXPECT_FALSE(discovery.ok);
  EXPECT_TRUE(discovery.ports.empty());
}

TEST(UdevRecording, ToleratesDamagedInput) {
  // Truncated lines, a missing tag space, CR line ends, a key with no
  // value and a node named twice.
  const std::string text =
      "P: /devices/usb/ttyUSB0\r\nU: tty\r\nN: ttyUSB0\r\nE: =x\r\nE:ID_BUS=usb\r\nE: NOEQUALS\r\n\r\n"
      "P\nU: tty\n\n"
      "P: /devices/usb/ttyUSB0\nU: tty\nN: /dev/ttyUSB0\n";
  const std::vector<PortRecord> records = ParseUdevRecording(text);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].devNode, "/dev/ttyUSB0");
  EXPECT_TRUE(records[0].properties.empty());

  class Fixed final : public PortSource {
   public:
    explicit Fixed(std::vector<PortRecord> r) : r_(std::move(r)) {}
    bool Records(std::vector<PortRecord>& out) override {
      out = r_;
      return true;
    }
    std::vector<PortRecord> r_;
  } source(records);
  EXPECT_EQ(DiscoverPorts(source, {}).ports.size(), 1u);
}

TEST(UdevText, EscapesAndCleaning) {
  EXPECT_EQ(DecodeUdevEscapes("A\\x20B"), "A B");
  EXPECT_EQ(DecodeUdevEscapes("bad\\xZZ and cut\\x2"), "bad\\xZZ and cut\\x2");
  EXPECT_EQ(CleanDisplayText("Gerät 한국"), "Gerät 한국");
  EXPECT_EQ(CleanDisplayText(std::string("a\0b\x7f", 4)), "a?b?");
  // Overlong and surrogate encodings are not characters.
  EXPECT_EQ(CleanDisplayText("\xc0\xaf|\xed\xa0\x80"), "??|???");
}

TEST(NaturalOrder, NumbersCompareByValue) {
  EXPECT_TRUE(NaturalLess("/dev/ttyUSB2", "/dev/ttyUSB10"));
  EXPECT_FALSE(NaturalLess("/dev/ttyUSB10", "/dev/ttyUSB2"));
  EXPECT_TRUE(NaturalLess("/dev/ttyACM9", "/dev/ttyS0"));
  EXPECT_TRUE(NaturalLess("a1", "a1b"));
  EXPECT_FALSE(NaturalLess("a1", "a1"));
  EXPECT_TRUE(NaturalLess("a01", "a1") != NaturalLess("a1", "a01"));
}

}  // namespace
}  // namespace platform
