// The file sink of a trace.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/trace.h"

namespace {

TEST(FileTraceSink, WritesWholeLinesFromManyThreads) {
  const std::string path = ::testing::TempDir() + "quorrel_trace_test.txt";
  std::remove(path.c_str());
  auto made = platform::MakeFileTraceSink(path);
  ASSERT_TRUE(made.ok()) << made.detail;
  const std::shared_ptr<platform::TraceSink> sink = made.value;
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&sink, t] {
      for (int i = 0; i < 200; ++i) sink->WriteLine("writer " + std::to_string(t) + " line " + std::to_string(i));
    });
  }
  for (auto& writer : writers) writer.join();
  std::ifstream file(path);
  int count = 0;
  for (std::string line; std::getline(file, line); ++count) EXPECT_EQ(line.rfind("writer ", 0), 0u) << line;
  EXPECT_EQ(count, 800);
  std::remove(path.c_str());
}

TEST(FileTraceSink, AnUnwritablePathGivesNoSinkAndSaysWhy) {
  const auto made = platform::MakeFileTraceSink("/no/such/folder/trace.txt");
  EXPECT_EQ(made.value, nullptr);
  EXPECT_EQ(made.error, platform::Error::NotFound);
  EXPECT_NE(made.detail.find("/no/such/folder/trace.txt"), std::string::npos);
}

}  // namespace
