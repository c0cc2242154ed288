#pragma once
// Where an installed program finds its files: beside itself, never at a path
// fixed when it was built, so an install moved to another prefix still works.

#include <functional>
#include <string>

namespace platform {

// The folder of the running program, ending with a folder separator; empty
// when the system cannot tell.
std::string ExecutableFolder();

// The shipped data of an install: on Linux "<prefix>/share/quorrel-upgrade/"
// for a program in "<prefix>/bin/"; on Windows the program's own folder when
// it holds Lang\. Empty when `executableFolder` is no such install (a build
// tree).
std::string InstalledDataFolder(const std::string& executableFolder);

// The user's own data folder: on Linux "$XDG_DATA_HOME/quorrel-upgrade/" or
// else "$HOME/.local/share/quorrel-upgrade/"; on Windows
// "%LOCALAPPDATA%\Quorrel Upgrade\". Empty without such a home.
using GetEnvironment = std::function<const char*(const char*)>;
std::string UserDataFolder(const GetEnvironment& getEnvironment);

// The user's state folder, what the program keeps between runs (the upgrade
// journal): on Linux "$XDG_STATE_HOME/quorrel-upgrade/" or else
// "$HOME/.local/state/quorrel-upgrade/"; on Windows
// "%LOCALAPPDATA%\Quorrel Upgrade\State\". Empty without a home. Without an
// argument, from the process's environment.
std::string UserStateFolder(const GetEnvironment& getEnvironment);
std::string UserStateFolder();

// Copies into `to` every file of the shipped data in `from` (Lang/,
// Image/ and PATCH.TXT) that `to` lacks, making folders as needed, and
// makes the image folders; a file already there is left as the user made
// it, and nothing else of `from` (the programs, on Windows) is copied.
// False when `to` could not be made.
bool SeedFolder(const std::string& from, const std::string& to);

}  // namespace platform
