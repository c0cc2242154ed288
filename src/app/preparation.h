#pragma once
// What start-up fixes before a dialog, the same for the window and the
// terminal: where the program's files are, and the texts of the language.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "app/layout.h"
#include "i18n/language_table.h"
#include "platform/process.h"

namespace app {

// The name that marks a running instance system-wide.
inline constexpr const char* kInstanceName = "Quorrel Upgrade Wizard";

// The system services start-up asks; the defaults are the platform's own,
// tests replace them.
struct StartUpServices {
  std::function<std::uint16_t()> languageId = [] { return platform::SystemDefaultLanguageId(); };
  std::function<std::string()> currentDirectory = [] { return platform::CurrentDirectory(); };
  // An installed program's folders; a build tree has none.
  std::function<InstalledFolders()> installedFolders = [] { return InstalledFoldersOfThisProgram(); };
  std::function<std::optional<platform::VersionRecord>(bool extended)> queryVersion =
      [](bool extended) { return platform::QueryVersion(extended); };
  std::string instanceName = kInstanceName;
  // Where start-up says what the window cannot show (a language file without texts).
  std::function<void(const std::string&)> complain = [](const std::string& text) {
    std::fprintf(stderr, "quorrel-upgrade-wizard: %s\n", text.c_str());
  };
};

struct Preparation {
  Layout layout;
  // What to say of a language file that gave no texts at all; empty: nothing.
  std::string languageNote;
};

// Chooses the folders from the current directory and the installed ones,
// and fills `table` with the texts of `languageId`.
Preparation PrepareFoldersAndTexts(const StartUpServices& services, std::uint16_t languageId,
                                   i18n::LanguageTable& table);

}  // namespace app
