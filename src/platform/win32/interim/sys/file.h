#pragma once
// Interim (see posix_calls.h): whole-file locks, through the system's byte
// range locks over the whole file. Closing the file drops them.

#define LOCK_SH 1
#define LOCK_EX 2
#define LOCK_NB 4
#define LOCK_UN 8

int flock(int fd, int operation);
