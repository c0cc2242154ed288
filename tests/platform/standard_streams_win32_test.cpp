// What every program makes sure of before it opens anything, on Windows: a
// standard stream without a handle gets the null device, so no port or file
// takes its place. And a file or a pipe is no console.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "platform/standard_streams.h"
#include "platform/terminal.h"

namespace {

bool IsCharacterDevice(int fd) {
  const intptr_t handle = _get_osfhandle(fd);
  return handle != -1 && handle != -2 && GetFileType(reinterpret_cast<HANDLE>(handle)) == FILE_TYPE_CHAR;
}

// Closes standard descriptors for the test and gives them back afterwards.
// All are saved before any is closed, so that no copy takes a closed one.
class ClosedDescriptors {
 public:
  explicit ClosedDescriptors(std::vector<int> fds) : fds_(std::move(fds)) {
    std::fflush(nullptr);
    for (const int fd : fds_) saved_.push_back(_dup(fd));
    for (const int fd : fds_) _close(fd);
  }
  ~ClosedDescriptors() {
    for (std::size_t i = 0; i < fds_.size(); ++i) {
      if (saved_[i] < 0) continue;
      _dup2(saved_[i], fds_[i]);
      _close(saved_[i]);
    }
  }
  ClosedDescriptors(const ClosedDescriptors&) = delete;
  ClosedDescriptors& operator=(const ClosedDescriptors&) = delete;

 private:
  std::vector<int> fds_;
  std::vector<int> saved_;
};

TEST(StandardStreamsWindows, ClosedStreamsGetTheNullDeviceAndTheNextOpenComesAfterThem) {
  bool opened = false, input = false, error = false;
  int next = -1;
  {
    const ClosedDescriptors closed({0, 2});
    opened = platform::OpenClosedStandardStreams();
    input = IsCharacterDevice(0);
    error = IsCharacterDevice(2);
    next = _open("NUL", _O_RDONLY);
    if (next >= 0) _close(next);
  }
  EXPECT_TRUE(opened);
  EXPECT_TRUE(input) << "standard input";
  EXPECT_TRUE(error) << "standard error";
  EXPECT_GT(next, 2);
}

TEST(StandardStreamsWindows, OpenStreamsAreLeftAsTheyAre) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  const int saved = _dup(2);
  std::fflush(stderr);
  ASSERT_EQ(_dup2(_fileno(file), 2), 0);
  const bool opened = platform::OpenClosedStandardStreams();
  const bool stillTheFile = GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(2))) == FILE_TYPE_DISK;
  _dup2(saved, 2);
  _close(saved);
  std::fclose(file);
  EXPECT_TRUE(opened);
  EXPECT_TRUE(stillTheFile);
}

// Neither a file nor a pipe is a console, whatever the C library would say
// of the null device; none tells a width.
TEST(TerminalWindows, AFileAPipeAndTheNullDeviceAreNoConsole) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  int ends[2] = {-1, -1};
  ASSERT_EQ(_pipe(ends, 4096, _O_BINARY), 0);
  std::FILE* pipe = _fdopen(ends[1], "w");
  std::FILE* null = std::fopen("NUL", "w");
  ASSERT_NE(pipe, nullptr);
  ASSERT_NE(null, nullptr);
  for (std::FILE* stream : {file, pipe, null}) {
    EXPECT_FALSE(platform::IsTerminal(stream));
    EXPECT_EQ(platform::TerminalColumns(stream), std::nullopt);
    const platform::ScopedTerminalText text(stream);
    EXPECT_FALSE(text.RedrawsLines());
  }
  std::fclose(file);
  std::fclose(pipe);
  std::fclose(null);
  _close(ends[0]);
}

// A console of the test's own: it is a terminal with a width, is readied for
// the program's code page and for redrawn lines while the text object lives,
// and is put back as it was afterwards. (Runs on Windows itself.)
TEST(TerminalWindows, AConsoleIsReadiedForTheRunAndPutBackAfterIt) {
  FreeConsole();
  if (AllocConsole() == FALSE) GTEST_SKIP() << "no console could be made here";
  const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(console, INVALID_HANDLE_VALUE);
  std::FILE* stream = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(console), _O_WRONLY), "w");
  ASSERT_NE(stream, nullptr);
  DWORD modeBefore = 0;
  if (GetConsoleMode(console, &modeBefore) == FALSE) {
    std::fclose(stream);
    FreeConsole();
    // Wine without a display makes a console that takes control events but
    // has no screen buffer to ask.
    GTEST_SKIP() << "the console made here has no screen buffer";
  }
  SetConsoleMode(console, modeBefore & ~DWORD{ENABLE_VIRTUAL_TERMINAL_PROCESSING});
  const UINT pageBefore = GetConsoleOutputCP();
  EXPECT_TRUE(platform::IsTerminal(stream));
  EXPECT_GT(platform::TerminalColumns(stream).value_or(0), 0u);
  {
    const platform::ScopedTerminalText text(stream);
    DWORD mode = 0;
    GetConsoleMode(console, &mode);
    EXPECT_EQ(GetConsoleOutputCP(), GetACP());
    EXPECT_EQ(text.RedrawsLines(), (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0);
  }
  DWORD modeAfter = 0;
  GetConsoleMode(console, &modeAfter);
  EXPECT_EQ(modeAfter, modeBefore & ~DWORD{ENABLE_VIRTUAL_TERMINAL_PROCESSING});
  EXPECT_EQ(GetConsoleOutputCP(), pageBefore);
  std::fclose(stream);
  FreeConsole();
}

}  // namespace
