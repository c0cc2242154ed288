// What the COM port backend tells the driver, and how it reads its errors.

#include <gtest/gtest.h>

#include "platform/win32/com_settings.h"

namespace {

using platform::LineSettings;
using platform::Parity;
using platform::StopBits;

// What a driver might report: flow control of every kind switched on.
DCB Reported() {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = 1200;
  dcb.fOutxCtsFlow = TRUE;
  dcb.fOutxDsrFlow = TRUE;
  dcb.fOutX = TRUE;
  dcb.fInX = TRUE;
  dcb.fNull = TRUE;
  dcb.fErrorChar = TRUE;
  dcb.fAbortOnError = TRUE;
  dcb.fDsrSensitivity = TRUE;
  dcb.fTXContinueOnXoff = TRUE;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.ErrorChar = 0x3F;
  return dcb;
}

TEST(ComSettings, TheLoadersLineIsNineThousandSixHundredEvenParity) {
  DCB dcb = Reported();
  LineSettings loader;
  loader.baudRate = 9600;
  loader.parity = Parity::Even;
  loader.dtr = false;
  ASSERT_TRUE(platform::win32::FillLineSettings(loader, dcb));
  EXPECT_EQ(dcb.BaudRate, 9600u);
  EXPECT_EQ(dcb.ByteSize, 8);
  EXPECT_EQ(dcb.Parity, EVENPARITY);
  EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
  EXPECT_TRUE(dcb.fBinary);
  EXPECT_TRUE(dcb.fParity);
  EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
  EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
  EXPECT_EQ(dcb.XonLim, 100);
  EXPECT_EQ(dcb.XoffLim, 100);
}

// No flow control, NUL discarding or error replacement may hold a byte back
// or change it; the driver's own choices the line does not need stay.
TEST(ComSettings, NothingHoldsBackOrChangesAByteAndTheRestStaysAsReported) {
  DCB dcb = Reported();
  ASSERT_TRUE(platform::win32::FillLineSettings(LineSettings{}, dcb));
  EXPECT_FALSE(dcb.fOutxCtsFlow);
  EXPECT_FALSE(dcb.fOutxDsrFlow);
  EXPECT_FALSE(dcb.fOutX);
  EXPECT_FALSE(dcb.fInX);
  EXPECT_FALSE(dcb.fNull);
  EXPECT_FALSE(dcb.fErrorChar);
  EXPECT_FALSE(dcb.fAbortOnError);
  EXPECT_TRUE(dcb.fDsrSensitivity);
  EXPECT_TRUE(dcb.fTXContinueOnXoff);
  EXPECT_EQ(dcb.XonChar, 0x11);
  EXPECT_EQ(dcb.ErrorChar, 0x3F);
}

TEST(ComSettings, EveryFramingHasTheDriversEncodingAndOddSizesAreRefused) {
  DCB dcb = Reported();
  LineSettings settings;
  settings.dataBits = 7;
  settings.parity = Parity::Space;
  settings.stopBits = StopBits::Two;
  ASSERT_TRUE(platform::win32::FillLineSettings(settings, dcb));
  EXPECT_EQ(dcb.ByteSize, 7);
  EXPECT_EQ(dcb.Parity, SPACEPARITY);
  EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
  settings.parity = Parity::Mark;
  settings.stopBits = StopBits::OneAndHalf;
  ASSERT_TRUE(platform::win32::FillLineSettings(settings, dcb));
  EXPECT_EQ(dcb.Parity, MARKPARITY);
  EXPECT_EQ(dcb.StopBits, ONE5STOPBITS);
  for (const std::uint8_t bits : {0, 4, 9}) {
    settings.dataBits = bits;
    EXPECT_FALSE(platform::win32::FillLineSettings(settings, dcb)) << int{bits};
  }
}

TEST(ComSettings, AReadReturnsWithTheFirstByteAndAWriteReportsItsProgress) {
  const COMMTIMEOUTS timeouts = platform::win32::PortTimeouts(1200, 500);
  EXPECT_EQ(timeouts.ReadIntervalTimeout, MAXDWORD);
  EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, MAXDWORD);
  EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 1200u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 500u);
  // The constant must lie strictly between 0 and MAXDWORD for that meaning.
  EXPECT_EQ(platform::win32::PortTimeouts(0, 500).ReadTotalTimeoutConstant, 1u);
  EXPECT_EQ(platform::win32::PortTimeouts(MAXDWORD, 500).ReadTotalTimeoutConstant, MAXDWORD - 1);
}

TEST(ComSettings, APulledAdaptersErrorsMeanTheDeviceHasGone) {
  for (const DWORD error : {DWORD{ERROR_ACCESS_DENIED}, DWORD{ERROR_BAD_COMMAND}, DWORD{ERROR_OPERATION_ABORTED},
                            DWORD{ERROR_DEVICE_NOT_CONNECTED}, DWORD{ERROR_GEN_FAILURE}, DWORD{ERROR_NOT_READY}}) {
    EXPECT_TRUE(platform::win32::MeansDeviceGone(error)) << error;
  }
  for (const DWORD error : {DWORD{ERROR_IO_PENDING}, DWORD{ERROR_TIMEOUT}, DWORD{ERROR_INVALID_PARAMETER}, DWORD{0}}) {
    EXPECT_FALSE(platform::win32::MeansDeviceGone(error)) << error;
  }
  // An overlapped read that runs into its time-out says so with nothing read.
  EXPECT_TRUE(platform::win32::MeansNothingRead(1460));
  EXPECT_FALSE(platform::win32::MeansNothingRead(ERROR_ACCESS_DENIED));
}

}  // namespace
