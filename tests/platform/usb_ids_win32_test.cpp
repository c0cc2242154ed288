// What the device installer's instance ids say about a USB adapter.

#include <gtest/gtest.h>

#include "platform/win32/usb_ids.h"

namespace {

using platform::win32::ParseUsbInstanceId;

TEST(UsbInstanceId, AdapterWithItsOwnSerialNumber) {
  const auto ids = ParseUsbInstanceId("USB\\VID_0403&PID_6001\\A50285BI");
  ASSERT_TRUE(ids);
  EXPECT_EQ(ids->vendorId, "0403");
  EXPECT_EQ(ids->productId, "6001");
  EXPECT_EQ(ids->serialNumber, "A50285BI");
}

TEST(UsbInstanceId, IdsAreGivenInLowerCaseAndAnInterfaceNumberIsNoSerial) {
  const auto ids = ParseUsbInstanceId("usb\\Vid_10C4&Pid_EA60&MI_00\\6&1B2C3D4&0&0000");
  ASSERT_TRUE(ids);
  EXPECT_EQ(ids->vendorId, "10c4");
  EXPECT_EQ(ids->productId, "ea60");
  EXPECT_EQ(ids->serialNumber, "");  // the system made that instance up
}

TEST(UsbInstanceId, OtherBusesAndDamagedIdsGiveNothing) {
  for (const char* id : {"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", "ACPI\\PNP0501\\1", "USB\\VID_04&PID_6001\\X",
                         "USB\\VID_0403\\X", "USB\\VID_04G3&PID_6001\\X", "USB", "", "USB\\"}) {
    EXPECT_FALSE(ParseUsbInstanceId(id)) << id;
  }
}

TEST(UsbInstanceId, ThePortsOwnNameLeavesTheFriendlyName) {
  using platform::win32::WithoutPortSuffix;
  EXPECT_EQ(WithoutPortSuffix("USB Serial Port (COM3)", "COM3"), "USB Serial Port");
  EXPECT_EQ(WithoutPortSuffix("USB Serial Port (COM3)", "COM4"), "USB Serial Port (COM3)");
  EXPECT_EQ(WithoutPortSuffix(" (COM3)", "COM3"), " (COM3)");
  EXPECT_EQ(WithoutPortSuffix("", "COM3"), "");
}

}  // namespace
