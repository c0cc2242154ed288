// The command line of quorrel-sim.

#include <gtest/gtest.h>

#include <vector>

#include "sim/server/server_options.h"

using sim::server::ParseServerOptions;

namespace {

std::optional<sim::server::ServerOptions> Parse(std::vector<std::string_view> args, std::string* error) {
  return ParseServerOptions(args, error);
}

}  // namespace

TEST(ServerOptions, ReadsEveryOptionInBothSpellings) {
  std::string error;
  const auto options = Parse({"--port", "4001", "--sim=sim:model=Tern,serial=QRT7654321", "--once",
                              "--dump-memory", "mem.bin", "--dump-serial=sn.txt"},
                             &error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->port, 4001);
  EXPECT_EQ(options->simOptions, "model=Tern,serial=QRT7654321");
  EXPECT_TRUE(options->once);
  EXPECT_EQ(options->dumpMemory, "mem.bin");
  EXPECT_EQ(options->dumpSerial, "sn.txt");

  const auto defaults = Parse({}, &error);
  ASSERT_TRUE(defaults);
  EXPECT_EQ(defaults->port, 0);
  EXPECT_FALSE(defaults->once);
  EXPECT_TRUE(defaults->simOptions.empty());
}

TEST(ServerOptions, RefusesBadCommandLinesWithAReason) {
  const std::vector<std::vector<std::string_view>> bad = {
      {"--port"},           {"--port", "65536"},     {"--port", "-1"},       {"--port", "12ab"},
      {"--once", "--once"}, {"--once=1"},            {"--verbose"},          {"sim:model=Apex"},
      {"--dump-memory"},    {"--dump-serial", ""},   {"--sim", "a", "--sim", "b"},
  };
  for (const auto& args : bad) {
    std::string error;
    EXPECT_FALSE(Parse(args, &error)) << args.front();
    EXPECT_FALSE(error.empty()) << args.front();
  }
}
