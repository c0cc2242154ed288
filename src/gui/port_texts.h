#pragma once
// The window's texts about discovered ports, taken from the language table
// (built-in English where the language file lacks them).

#include <QString>
#include <string>

#include "i18n/language_table.h"

namespace gui {

struct PortTexts {
  // Shown when a chosen port exists but this user may not open it; holds
  // {port}. In the table's code page, as message boxes take it.
  std::string permissionDenied;
  QString notPermittedTip;  // added to a discovered port's tooltip
  QString stableNameTip;    // labels the stable name in the tooltip
  // Shown when the lock folder cannot take the chosen port's lock; holds
  // {folder}, {error} and {port}. In the table's code page.
  std::string lockFolderUnusable;
};

PortTexts PortTextsFrom(const i18n::LanguageTable& table);
// The built-in English texts.
PortTexts EnglishPortTexts();

}  // namespace gui
