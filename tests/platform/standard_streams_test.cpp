// What every program makes sure of before it opens anything: its standard
// streams are open, so no port or file takes their place. And what a stream
// is connected to: a terminal, and how wide it is.

#include "platform/standard_streams.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/terminal.h"
#include "platform/pty_pair.h"

namespace {

bool IsNullDevice(int fd) {
  struct stat null {}, opened {};
  return ::stat("/dev/null", &null) == 0 && ::fstat(fd, &opened) == 0 && S_ISCHR(opened.st_mode) &&
         opened.st_rdev == null.st_rdev;
}

// In a child: output and error closed, as a program started with `>&- 2>&-`.
TEST(StandardStreamsTest, ClosedOutputAndErrorGetTheNullDeviceAndTheNextOpenComesAfterThem) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    struct stat input {};
    ::fstat(STDIN_FILENO, &input);
    ::close(STDOUT_FILENO);
    ::close(STDERR_FILENO);
    if (!platform::OpenClosedStandardStreams()) ::_exit(10);
    if (!IsNullDevice(STDOUT_FILENO) || !IsNullDevice(STDERR_FILENO)) ::_exit(11);
    struct stat inputAfter {};
    ::fstat(STDIN_FILENO, &inputAfter);
    if (inputAfter.st_ino != input.st_ino || inputAfter.st_dev != input.st_dev) ::_exit(12);  // left as it was
    const int next = ::open("/dev/null", O_RDONLY);
    ::_exit(next > STDERR_FILENO ? 0 : 13);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(TerminalTest, ATerminalTellsItsWidthAFileIsNoTerminal) {
  testing_support::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  winsize size{};
  size.ws_col = 52;
  size.ws_row = 20;
  ASSERT_EQ(::ioctl(pty.masterFd(), TIOCSWINSZ, &size), 0);
  std::FILE* terminal = std::fopen(pty.slavePath().c_str(), "w");
  ASSERT_NE(terminal, nullptr);
  EXPECT_TRUE(platform::IsTerminal(terminal));
  EXPECT_EQ(platform::TerminalColumns(terminal), std::optional<std::size_t>(52));
  std::fclose(terminal);
  std::FILE* file = std::tmpfile();
  EXPECT_FALSE(platform::IsTerminal(file));
  EXPECT_EQ(platform::TerminalColumns(file), std::nullopt);
  std::fclose(file);
}

}  // namespace
