// The run records: one JSON object per line that reads back
// field for field, and appends that stay whole when many runs share a file.

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/record_file.h"
#include "cli/run_record.h"
#include "bootloader/sha256.h"
#include "platform/clock.h"
#include "support/json_line.h"
#include "support/test_os.h"

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

// What a strict JSON reader takes: UTF-8 throughout, no encoded surrogates,
// overlong forms or code points past U+10FFFF, and no raw control character
// or DEL.
bool IsStrictJsonText(const std::string& line) {
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  for (std::size_t i = 0; i < line.size();) {
    const auto lead = static_cast<unsigned char>(line[i]);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + static_cast<std::size_t>(length) > line.size()) return false;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(line[i + static_cast<std::size_t>(k)]);
      if ((next >> 6) != 0x2) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    if ((code < 0x20 && code != '\n') || code == 0x7F) return false;
    i += static_cast<std::size_t>(length);
  }
  return true;
}

TEST(RunRecordTest, ALineIsStrictJsonWhateverBytesTheTextsHold) {
  RunRecord r = SampleRecord();
  r.port = std::string("COM\x7F");                          // DEL
  r.device = std::string("/dev/\xED\xA0\x80\xED\xBF\xBF");  // encoded surrogates
  // Overlong forms, a code point too high, then an emoji that stays.
  r.imagePath = std::string("\xC0\xAF\xE0\x80\xAF\xF4\x90\x80\x80/\xF0\x9F\x98\x80.mbl");
  r.host = std::string("\xE2\x82", 2);  // cut short at the end
  const std::string line = FormatRunRecord(r);
  EXPECT_TRUE(IsStrictJsonText(line)) << line;
  const auto json = ParseJsonLine(line);
  ASSERT_TRUE(json);
  EXPECT_NE(std::get<std::string>(json->at("image")).find("\xF0\x9F\x98\x80"), std::string::npos);  // valid text stays
}

class RecordFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("quorrel-records-" + std::to_string(testsupport::ProcessId()) + "-" +
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

#ifndef _WIN32
// Processes made by fork; on every system, another open of the file stands
// for another process below.
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
#endif

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
  // A pipe (which must not block) or a device (which must not be opened).
  for (const std::string& other : testsupport::NonRegularFiles(dir_.string())) {
    const AppendResult toOther = AppendRecordLine(other, "{}\n");
    EXPECT_FALSE(toOther.ok) << other;
    EXPECT_NE(toOther.reason.find("not a regular file"), std::string::npos) << other << ": " << toOther.reason;
  }
  EXPECT_FALSE(AppendRecordLine(dir_.string(), "{}\n").ok);
  const AppendResult missing = AppendRecordLine((dir_ / "no-such-folder" / "r.jsonl").string(), "{}\n");
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.reason.find("cannot open"), std::string::npos);
}

// The record waits a few seconds, never forever, for a lock another process
// holds; a stop ends the wait at once. Nothing is written either way.
TEST_F(RecordFileTest, ALockHeldElsewhereIsWaitedForAFewSecondsOnlyAndAStopEndsTheWait) {
  const platform::ScopedClock clock(platform::MakeVirtualClock());
  const fs::path path = dir_ / "records.jsonl";
  std::ofstream(path) << FormatRunRecord(SampleRecord());
  // The lock belongs to an open file: another open of it stands for another process.
  std::optional<testsupport::ForeignFileLock> other(std::in_place, path.string());
  ASSERT_TRUE(other->Held());

  int told = 0;
  RecordWait wait;
  wait.waiting = [&] { ++told; };
  const platform::Micros start = platform::CurrentClock()->Now();
  const AppendResult held = AppendRecordLine(path.string(), FormatRunRecord(SampleRecord()), wait);
  EXPECT_FALSE(held.ok);
  EXPECT_NE(held.reason.find("held the lock on " + path.string() + " for 5 seconds"), std::string::npos) << held.reason;
  EXPECT_GE(platform::CurrentClock()->Now() - start, platform::Micros{kRecordLockWaitMs} * 1000);
  EXPECT_EQ(told, 1);

  wait.stopped = [] { return true; };
  const platform::Micros stopStart = platform::CurrentClock()->Now();
  const AppendResult stopped = AppendRecordLine(path.string(), FormatRunRecord(SampleRecord()), wait);
  EXPECT_LT(platform::CurrentClock()->Now() - stopStart, 1'000'000);
  EXPECT_FALSE(stopped.ok);
  EXPECT_NE(stopped.reason.find("was stopped"), std::string::npos) << stopped.reason;
  EXPECT_EQ(Lines(path).size(), 1u);

  other.reset();
  EXPECT_TRUE(AppendRecordLine(path.string(), FormatRunRecord(SampleRecord()), wait).ok);
  EXPECT_EQ(Lines(path).size(), 2u);
}

}  // namespace
}  // namespace cli
