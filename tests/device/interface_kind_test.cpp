// Model names and serial numbers.

#include <gtest/gtest.h>

#include "device/interface_commands.h"

namespace {

using device::InterfaceKind;

TEST(InterfaceKind, PayloadsAreComparedExactly) {
  EXPECT_EQ(device::KindFromPayload("Quorrel Tern"), InterfaceKind::Tern);
  EXPECT_EQ(device::KindFromPayload("Quorrel Tern II Memory"), InterfaceKind::TernIIMemory);
  EXPECT_EQ(device::KindFromPayload("Quorrel Apex"), InterfaceKind::Apex);
  for (const char* near : {"", "quorrel apex", "Quorrel Apex ", " Quorrel Apex", "Quorrel Tern II",
                           "Quorrel Apex\r"}) {
    EXPECT_EQ(device::KindFromPayload(near), InterfaceKind::Unknown) << near;
  }
  EXPECT_EQ(static_cast<int>(InterfaceKind::Unknown), 0);
  EXPECT_EQ(static_cast<int>(InterfaceKind::Apex), 3);
}

TEST(InterfaceKind, TextsAreTheModelNamesOrUnknown) {
  EXPECT_EQ(device::KindText(InterfaceKind::Unknown), "Unknown");
  for (InterfaceKind kind : {InterfaceKind::Tern, InterfaceKind::TernIIMemory, InterfaceKind::Apex}) {
    EXPECT_EQ(device::KindFromPayload(device::KindText(kind)), kind);
  }
  EXPECT_EQ(device::KindText(static_cast<InterfaceKind>(9)), "Unknown");
  EXPECT_TRUE(device::IsTernFamily(InterfaceKind::TernIIMemory));
  EXPECT_FALSE(device::IsTernFamily(InterfaceKind::Apex));
}

TEST(SerialNumber, ValidNumbersStartWithTheMakerAndCarrySevenDigits) {
  for (const char* good : {"QRX1234567", "QRA1234567XY", "QR#0000000", "QRX0000000"}) {
    EXPECT_TRUE(device::IsValidSerialNumber(good)) << good;
  }
  for (const char* bad : {"", "Q", "QR", "QR1234567", "QRX12345A7", "qrX1234567", "RQX1234567",
                          "QRX123456 ", "QRX-234567"}) {
    EXPECT_FALSE(device::IsValidSerialNumber(bad)) << bad;
  }
  EXPECT_TRUE(device::IsValidSerialNumber(device::PlaceholderSerialNumber));
}

TEST(SerialNumber, TheWriteCommandIsThePrefixTheNumberAndABrace) {
  EXPECT_EQ(device::WriteSerialCommand("QRX0000000"), "S{10,w,QRX0000000}");
  EXPECT_EQ(device::WriteSerialCommand("").size(), 8u);
}

}  // namespace
