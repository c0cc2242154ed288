// What the system names: this machine, for the run records, and the
// addresses a network port's host stands for, by which it is held.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/address_lookup.h"
#include "platform/host_name.h"

namespace {

TEST(HostName, IsOneLineOfText) {
  const std::string name = platform::HostName();
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(name.find_first_of(std::string("\r\n\0", 3)), std::string::npos) << name;
}

TEST(AddressLookup, AddressesAreWrittenOneWayEachOnce) {
  EXPECT_EQ(platform::LookUpAddresses("127.0.0.1").value, std::vector<std::string>{"127.0.0.1"});
  // An IPv4 address mapped into IPv6 is the IPv4 address.
  EXPECT_EQ(platform::LookUpAddresses("::ffff:127.0.0.1").value, std::vector<std::string>{"127.0.0.1"});
  const auto local = platform::LookUpAddresses("localhost");
  ASSERT_TRUE(local.ok()) << local.detail;
  EXPECT_TRUE(std::is_sorted(local.value.begin(), local.value.end()));
  EXPECT_EQ(std::adjacent_find(local.value.begin(), local.value.end()), local.value.end());
  EXPECT_NE(std::find(local.value.begin(), local.value.end(), "127.0.0.1"), local.value.end());
}

TEST(AddressLookup, ANameThatIsNoAddressIsNotFoundWithoutAskingANameServer) {
  const auto numeric = platform::AskResolver("not-an-address", /*numericOnly=*/true);
  EXPECT_EQ(numeric.error, platform::Error::NotFound);
  EXPECT_NE(numeric.detail.find("not-an-address"), std::string::npos) << numeric.detail;
}

}  // namespace
