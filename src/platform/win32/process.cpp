// The current directory, the version record and the search of a directory
// for one name, through the system's ANSI calls as the texts are ANSI.

#include <windows.h>

#include <string>

#include "platform/process.h"
#include "platform/win32/system_path.h"

namespace platform {

extern const char kFolderSeparator = '\\';

bool EndsWithFolderSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

namespace {

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return EndsWithFolderSeparator(dir) ? dir + name : dir + kFolderSeparator + name;
}

// The name of the entry as the file system keeps it (a case-blind search
// finds "upgrade" for "Upgrade"); empty when there is none. Wildcards in
// `name` would match other entries, so such a name finds nothing.
std::string FindEntryName(const std::string& dir, const std::string& name) {
  if (name.empty() || name.find_first_of("*?\\/") != std::string::npos) return {};
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(win32::SystemPath(Join(dir.empty() ? "." : dir, name)).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  FindClose(search);
  return win32::AnsiText(found.cFileName);
}

using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOEXW*);

// The system's own version: the version query answers a program without a
// compatibility declaration with Windows 8 on every later system.
std::optional<OSVERSIONINFOEXW> TrueVersion() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr) return std::nullopt;
  const auto call = reinterpret_cast<RtlGetVersionCall>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (call == nullptr || call(&info) != 0) return std::nullopt;
  return info;
}

// Wine's ntdll says which Wine it is; Windows' has no such call.
std::optional<std::string> WineVersion() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  using WineGetVersion = const char*(CDECL*)();
  const auto call = ntdll == nullptr ? nullptr
                                     : reinterpret_cast<WineGetVersion>(
                                           reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
  if (call == nullptr) return std::nullopt;
  const char* version = call();
  return std::string("Wine ") + (version != nullptr ? version : "");
}

}  // namespace

std::string CurrentDirectory() {
  const DWORD needed = GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return {};
  std::string path(needed, '\0');
  const DWORD length = GetCurrentDirectoryA(needed, path.data());
  if (length == 0 || length >= needed) return {};
  path.resize(length);
  return path;
}

// Both records of the version query carry what is asked here.
std::optional<VersionRecord> QueryVersion(bool /*extended*/) {
  const std::optional<OSVERSIONINFOEXW> info = TrueVersion();
  if (!info) return std::nullopt;
  VersionRecord record;
  record.platformId = info->dwPlatformId;
  record.major = info->dwMajorVersion;
  record.minor = info->dwMinorVersion;
  record.build = info->dwBuildNumber;
  const std::optional<std::string> wine = WineVersion();
  record.wine = wine.has_value();
  record.description = wine.value_or("Windows");
  return record;
}

bool EntryExists(const std::string& dir, const std::string& name) { return !FindEntryName(dir, name).empty(); }

std::string FindEntryPath(const std::string& dir, const std::string& name) {
  const std::string found = FindEntryName(dir, name);
  return Join(dir, found.empty() ? name : found);
}

}  // namespace platform
