// A program started without standard handles (detached, or with them
// closed by its parent) has no usable descriptors 0 to 2: the C library
// would give the next file it opens one of them, and text meant for the user
// would go into it. The null device takes their place first.
//
// A pipe whose reader has gone fails the write with an error on Windows and
// never ends the process, so the tolerance has nothing to do.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/standard_streams.h"

namespace platform {
namespace {

struct StandardStream {
  int fd;
  DWORD handleId;
  std::FILE* stream;
  const char* mode;
};

bool IsClosed(int fd) {
  const intptr_t handle = _get_osfhandle(fd);
  // -2: the C library's mark of a stream that has no handle.
  return handle == -1 || handle == -2 || GetFileType(reinterpret_cast<HANDLE>(handle)) == FILE_TYPE_UNKNOWN;
}

bool OpenNullOnto(const StandardStream& standard) {
  const int opened = _open("NUL", _O_RDWR);
  if (opened < 0) return false;
  const bool moved = opened == standard.fd || _dup2(opened, standard.fd) == 0;
  if (opened != standard.fd) _close(opened);
  if (!moved) return false;
  // A stream the C library set up without a descriptor is opened afresh.
  if (_fileno(standard.stream) != standard.fd &&
      std::freopen("NUL", standard.mode, standard.stream) == nullptr) {
    return false;
  }
  return SetStdHandle(standard.handleId, reinterpret_cast<HANDLE>(_get_osfhandle(standard.fd))) != FALSE;
}

}  // namespace

bool OpenClosedStandardStreams() {
  const StandardStream standards[] = {{0, STD_INPUT_HANDLE, stdin, "r"},
                                      {1, STD_OUTPUT_HANDLE, stdout, "w"},
                                      {2, STD_ERROR_HANDLE, stderr, "w"}};
  for (const StandardStream& standard : standards) {
    if (IsClosed(standard.fd) && !OpenNullOnto(standard)) return false;
  }
  return true;
}

ScopedBrokenPipeTolerance::ScopedBrokenPipeTolerance() = default;

ScopedBrokenPipeTolerance::~ScopedBrokenPipeTolerance() = default;

}  // namespace platform
