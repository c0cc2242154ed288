#pragma once
// Services the start-up asks of the system: the default language, the
// single-instance guard, the current directory, the version record and the
// search of a directory for one name.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace platform {

// ---- Default language -------------------------------------------------------

// Where the system's configured locale is looked up. The defaults are the
// system's own; tests point them elsewhere.
struct LocaleSources {
  // Files holding LANG=..., tried in order; the first that sets LANG wins.
  std::vector<std::string> configFiles{"/etc/locale.conf", "/etc/default/locale"};
  // The process environment, asked for LC_ALL, LC_MESSAGES and LANG in that
  // order when no file sets LANG.
  std::function<const char*(const char*)> getEnvironment;
};

// Language identifier of a locale name such as "ko_KR.UTF-8", "de" or "C":
// 1033 for C, POSIX and anything unknown; a language without a country
// takes its main country.
std::uint16_t LanguageIdFromLocale(std::string_view localeName);
// The system's configured locale as a language identifier (1033, 1042, ...).
std::uint16_t SystemDefaultLanguageId(const LocaleSources& sources);
std::uint16_t SystemDefaultLanguageId();

// ---- Single instance --------------------------------------------------------

// A system-wide name held by one process at a time. The system releases it
// when the process ends, however it ends.
class InstanceGuard {
 public:
  // The guard; Busy when another holder has the name; Other when no guard
  // could be made (the caller may run without one).
  static Result<std::optional<InstanceGuard>> Acquire(std::string_view name);

  InstanceGuard(InstanceGuard&& other) noexcept;
  InstanceGuard& operator=(InstanceGuard&& other) noexcept;
  InstanceGuard(const InstanceGuard&) = delete;
  InstanceGuard& operator=(const InstanceGuard&) = delete;
  ~InstanceGuard();

  void Release();

 private:
  struct Held;  // what the system holds the name by; each backend has its own
  explicit InstanceGuard(std::unique_ptr<Held> held);
  std::unique_ptr<Held> held_;
};

// ---- Current directory ------------------------------------------------------

// The whole path of the process's current directory, however long; empty
// when the system cannot tell it.
std::string CurrentDirectory();

// ---- Version ----------------------------------------------------------------

inline constexpr std::uint32_t kPlatformWin32s = 0;
inline constexpr std::uint32_t kPlatformFamily1 = 1;  // the family the program was made for
inline constexpr std::uint32_t kPlatformNt = 2;

struct VersionRecord {
  std::uint32_t platformId = 0;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::string description;
  bool wine = false;
};

// The running system's version record; `extended` asks for the longer
// record. nullopt: the query was refused. On Linux this platform layer
// answers with a record of the family the program was made for; on Windows
// with the system's true version, whatever compatibility the program
// declares, and `wine` set when Wine runs the program.
std::optional<VersionRecord> QueryVersion(bool extended);

// ---- Directory entries ------------------------------------------------------

// What separates folders in the paths this system writes: '/' on Linux, '\\'
// on Windows (which takes '/' as well).
extern const char kFolderSeparator;
// True when `path` ends with a folder separator of this system, as a root
// ("/", "C:\\") does.
bool EndsWithFolderSeparator(const std::string& path);

// True when `dir` holds an entry (file, folder or anything else) named
// `name`, or else one whose name differs from it only in letter case, so a
// tree copied from a case-blind file system keeps working.
bool EntryExists(const std::string& dir, const std::string& name);
// `dir` joined with the entry's name as it is found (exact match first, then
// a letter-case variant), or with `name` as written when none exists. `dir`
// may or may not end with a folder separator.
std::string FindEntryPath(const std::string& dir, const std::string& name);

}  // namespace platform
