#pragma once
// The window's texts about discovered ports, taken from the language table
// (built-in English where the language file lacks them).

#include <QString>
#include <string>

#include "i18n/language_table.h"

namespace gui {

struct PortTexts {
  // The status line when a chosen port exists but this user may not open
  // it; holds {port}. In the table's code page, as the status list takes it.
  std::string permissionDenied;
  QString notPermittedTip;  // added to a discovered port's tooltip
  QString stableNameTip;    // labels the stable name in the tooltip
  // The status lines for the other reasons a port does not open, and for a
  // device that went away mid-run; in the table's code page.
  std::string noSuchDevice;  // {port}
  std::string busy;          // {port} {error}
  std::string notOpened;     // {port} {error}
  std::string noPortChosen;
  std::string deviceGone;    // {port} {error}
  // Shown when the lock folder cannot take the chosen port's lock; holds
  // {folder}, {error} and {port}. In the table's code page.
  std::string lockFolderUnusable;
};

PortTexts PortTextsFrom(const i18n::LanguageTable& table);
// The built-in English texts.
PortTexts EnglishPortTexts();

}  // namespace gui
