#pragma once
// Interim, for the Windows build of the terminal front end alone: until its
// own system calls (the run records' locking and syncing, the terminal's
// width, the host name, UTC time) move below the platform line, they are
// given here on top of the C library of Windows. Goes when they have moved.

#include <fcntl.h>
#include <io.h>
#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cstddef>

// Records are bytes: no line-end translation, and not inherited.
#define O_CLOEXEC (_O_NOINHERIT | _O_BINARY)
// A folder cannot be opened (nor synced) this way on Windows: the open fails.
#define O_DIRECTORY 0x40000000
#define O_NOCTTY 0
#define O_NONBLOCK 0

// Flushes the file to the disk (the C library's commit).
int fsync(int fd);
ssize_t pread(int fd, void* buffer, std::size_t count, off_t offset);
// The computer's host name.
int gethostname(char* name, std::size_t size);
struct tm* gmtime_r(const time_t* time, struct tm* parts);
