#pragma once
// The window's texts about discovered ports, taken from the language table
// (built-in English where the language file lacks them).

#include <QString>
#include <string>

#include "gui/status_notices.h"
#include "i18n/language_table.h"

namespace gui {

// The status lines, with the port list's own tooltips.
struct PortTexts : StatusNoticeTexts {
  QString notPermittedTip;  // added to a discovered port's tooltip
  QString stableNameTip;    // labels the stable name in the tooltip
};

PortTexts PortTextsFrom(const i18n::LanguageTable& table);
// The built-in English texts.
PortTexts EnglishPortTexts();

}  // namespace gui
