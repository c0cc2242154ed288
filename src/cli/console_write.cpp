#include "cli/console_write.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace cli {

void WriteConsoleText(std::FILE* stream, std::string_view text, std::FILE* noteTo) {
  const bool failedBefore = std::ferror(stream) != 0;
  errno = 0;
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
  const int error = errno;
  if (failedBefore || !std::ferror(stream) || noteTo == nullptr) return;
  std::fprintf(noteTo,
               "quorrel-upgrade: standard output cannot be written (%s); the run goes on to its end, and its exit "
               "status and run record tell how the device ended\n",
               std::strerror(error));
  std::fflush(noteTo);
}

bool ListingWritten(std::FILE* out, std::FILE* err) {
  // errno still holds the failure of a write the listing made earlier.
  const bool written = std::fflush(out) == 0 && !std::ferror(out);
  if (!written) {
    std::fprintf(err, "quorrel-upgrade: the listing cannot be written to standard output (%s)\n",
                 std::strerror(errno != 0 ? errno : EIO));
  }
  return written;
}

}  // namespace cli
