// The run records: one JSON object per line that reads back
// field for field, and appends that stay whole when many runs share a file.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/record_file.h"
#include "cli/run_record.h"
#include "bootloader/sha256.h"
#include "support/json_line.h"

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing_support::JsonObject;
using testing_support::ParseJsonLine;

std::string HashOf(const std::string& text) {
  return bootloader::Sha256Hex({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

RunRecord SampleRecord() {
  RunRecord r;
  r.startTime = "2026-12-07T10:00:00.000Z";
  r.endTime = "2026-12-07T10:00:46.500Z";
  r.host = "line-3";
  r.programVersion = "1.0";
  r.port = "COM3";
  r.device = "/dev/ttyUSB0";
  r.model = "Quorrel Apex";
  r.serialRead = "QRA1234567";
  r.serialWritten = "QRA1234567";
  r.loaderVersion = 0x0110;
  r.patchLoaded = true;
  r.imagePath = "Image/Apex/QRA0203.mbl";
  r.imageSize = 51234;
  r.imageSha256 = HashOf("image");
  r.outcome = "succeeded";
  r.bytesProgrammed = 20480;
  r.verify = "passed";
  r.durationSeconds = 46.5;
  return r;
}

TEST(RunRecordTest, ReadsBackFieldForFieldOnOneLine) {
  const std::string line = FormatRunRecord(SampleRecord());
  ASSERT_EQ(line.find('\n'), line.size() - 1);
  const auto json = ParseJsonLine(line);
  ASSERT_TRUE(json);
  const JsonObject& o = *json;
  EXPECT_EQ(std::get<std::string>(o.at("port")), "COM3");
  EXPECT_EQ(std::get<std::string>(o.at("device")), "/dev/ttyUSB0");
  EXPECT_EQ(o.at("adapter_serial"), testing_support::JsonValue(nullptr));
  EXPECT_EQ(std::get<std::string>(o.at("serial_written")), "QRA1234567");
  EXPECT_EQ(std::get<std::string>(o.at("loader_version")), "0110");
  EXPECT_EQ(std::get<bool>(o.at("patch_loaded")), true);
  EXPECT_EQ(std::get<double>(o.at("image_size")), 51234);
  EXPECT_EQ(std::get<std::string>(o.at("image_sha256")).size(), 64u);
  EXPECT_EQ(std::get<double>(o.at("exit_status")), 0);
  EXPECT_EQ(std::get<double>(o.at("bytes_programmed")), 20480);
  EXPECT_DOUBLE_EQ(std::get<double>(o.at("duration_s")), 46.5);
  EXPECT_EQ(o.size(), 20u);
}

TEST(RunRecordTest, TextsThatAreNotPlainStayOneLineAndKeepTheirBytes) {
  RunRecord r = SampleRecord();
  r.imagePath = std::string("Image/\"odd\"\\name\nwith\ttabs\x01/\xED\x95\x9C.mbl");  // quote, newline, Korean
  r.device = std::string("/dev/tty\xFF\xC3");  // not UTF-8
  const std::string line = FormatRunRecord(r);
  ASSERT_EQ(line.find('\n'), line.size() - 1);
  const auto json = ParseJsonLine(line);
  ASSERT_TRUE(json);
  EXPECT_EQ(std::get<std::string>(json->at("image")), *r.imagePath);
  EXPECT_NE(line.find("\\u00ff\\u00c3"), std::string::npos);
}

class RecordFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quorrel-records-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::vector<std::string> Lines(const fs::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  fs::path dir_;
};

TEST_F(RecordFileTest, ManyWritersInThreadsAndProcessesLeaveOneWholeRecordPerLine) {
  const std::string path = (dir_ / "records.jsonl").string();
  constexpr int kThreads = 8, kProcesses = 4, kEach = 25;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      RunRecord r = SampleRecord();
      r.port = "child" + std::to_string(p);
      for (int i = 0; i < kEach; ++i) AppendRecordLine(path, FormatRunRecord(r));
      ::_exit(0);
    }
    children.push_back(pid);
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      RunRecord r = SampleRecord();
      r.port = "thread" + std::to_string(t) + std::string(3000, 'x');  // longer than a pipe's atomic write
      for (int i = 0; i < kEach; ++i) EXPECT_TRUE(AppendRecordLine(path, FormatRunRecord(r)).ok);
    });
  }
  for (auto& thread : threads) thread.join();
  for (pid_t pid : children) ::waitpid(pid, nullptr, 0);

  const auto lines = Lines(path);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>((kThreads + kProcesses) * kEach));
  for (const auto& line : lines) ASSERT_TRUE(ParseJsonLine(line)) << line.substr(0, 80);
}

TEST_F(RecordFileTest, ALastLineCutOffIsEndedBeforeTheNextRecord) {
  const fs::path path = dir_ / "records.jsonl";
  std::ofstream(path) << FormatRunRecord(SampleRecord()) << "{\"start\":\"2026-12-";
  ASSERT_TRUE(AppendRecordLine(path.string(), FormatRunRecord(SampleRecord())).ok);
  const auto lines = Lines(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(ParseJsonLine(lines[0]));
  EXPECT_FALSE(ParseJsonLine(lines[1]));
  EXPECT_TRUE(ParseJsonLine(lines[2]));
}

TEST_F(RecordFileTest, OnlyARegularFileIsWritten) {
  const fs::path fifo = dir_ / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const AppendResult toPipe = AppendRecordLine(fifo.string(), "{}\n");  // must not block
  EXPECT_FALSE(toPipe.ok);
  EXPECT_NE(toPipe.reason.find("not a regular file"), std::string::npos);
  EXPECT_FALSE(AppendRecordLine(dir_.string(), "{}\n").ok);
  const AppendResult missing = AppendRecordLine((dir_ / "no-such-folder" / "r.jsonl").string(), "{}\n");
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.reason.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace cli
