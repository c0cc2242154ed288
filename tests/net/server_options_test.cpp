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

TEST(ServerOptions, NamesAnUnknownOptionApartFromAStrayArgument) {
  std::string error;
  EXPECT_FALSE(Parse({"--verbose=2"}, &error));
  EXPECT_EQ(error, "unknown option '--verbose'");
  EXPECT_FALSE(Parse({"sim:model=Apex"}, &error));
  EXPECT_EQ(error, "unexpected argument 'sim:model=Apex'");
  EXPECT_EQ(sim::server::ServerUsageError(error),
            "quorrel-sim: unexpected argument 'sim:model=Apex'\nTry 'quorrel-sim --help' for more information.\n");
}

// The help is made from the tables the parser reads and the manual page is
// made from: every option it names is taken, every status is listed.
TEST(ServerOptions, TheHelpNamesEveryOptionAndExitStatus) {
  const std::string usage = sim::server::ServerUsage();
  for (const sim::server::ServerOptionEntry& entry : sim::server::ServerOptionTable()) {
    EXPECT_NE(usage.find(std::string(entry.name)), std::string::npos) << entry.name;
    std::vector<std::string_view> args{entry.name};
    if (!entry.argument.empty()) args.push_back("1");
    std::string error;
    EXPECT_TRUE(Parse(args, &error)) << entry.name << ": " << error;
  }
  for (const sim::server::ServerExitStatus& status : sim::server::ServerExitStatuses()) {
    EXPECT_NE(usage.find("  " + std::to_string(static_cast<int>(status.code)) + "  " + std::string(status.text)),
              std::string::npos)
        << status.code;
  }
  EXPECT_EQ(sim::server::ServerSynopsis(), "[--port N] [--sim OPTIONS] [--once] [--dump-memory FILE] [--dump-serial FILE]");
}
