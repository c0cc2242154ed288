#pragma once
// What tests ask of the process they run in, on every system: its
// environment, its id, and scratch folders of their own.

#include <cstdio>
#include <string>
#include <vector>

namespace testsupport {

// Sets (or, for UnsetEnv, removes) a variable of this process's environment,
// as std::getenv sees it.
void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);

// Sets a variable for its own life, and removes it afterwards.
class EnvVar {
 public:
  EnvVar(const std::string& name, const std::string& value) : name_(name) { SetEnv(name, value); }
  ~EnvVar() { UnsetEnv(name_); }
  EnvVar(const EnvVar&) = delete;
  EnvVar& operator=(const EnvVar&) = delete;

 private:
  std::string name_;
};

// This process's id, for names no other test run uses.
long ProcessId();

// A new, empty folder under the system's temporary folder, named after
// `prefix`; its path without a trailing separator. Empty when none could be
// made.
std::string MakeScratchFolder(const std::string& prefix);

// Paths that are there but name no regular file, made in `folder` where
// they have to be made: a named pipe and the null device on Linux; device
// names (in that folder, too) on Windows.
std::vector<std::string> NonRegularFiles(const std::string& folder);

// A stream whose writes fail, as a full disk's or a pipe's whose reader has
// gone: /dev/full on Linux, a pipe without a reader on Windows. `reason` is
// what the C library says of the failure, where it says the same on every
// C library (empty on Windows). Null when none could be made.
std::FILE* UnwritableStream(std::string& reason);

// The null device, as a path the program may be given.
std::string NullDevice();

// Holds the lock the program's append files (run records, the journal) are
// locked with, on its own open of `path`, as another process would: the
// program's wait for it is on the program's clock. Held() is false when the
// file did not open or the lock was not had.
class ForeignFileLock {
 public:
  explicit ForeignFileLock(const std::string& path);
  ~ForeignFileLock();
  ForeignFileLock(const ForeignFileLock&) = delete;
  ForeignFileLock& operator=(const ForeignFileLock&) = delete;
  bool Held() const { return held_; }

 private:
  void* handle_ = nullptr;  // the system's handle (a descriptor on Linux)
  bool held_ = false;
};

}  // namespace testsupport
