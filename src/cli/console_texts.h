#pragma once
// The texts the terminal adds to the window's own (the labels of the kind and
// serial-number fields, the images it lists), in the run's language: from its
// language file, or the built-in English without one.

#include <string>

#include "i18n/language_table.h"

namespace cli {

std::string InterfaceKindLine(const i18n::LanguageTable* table, const std::string& kind);
std::string SerialNumberLine(const i18n::LanguageTable* table, const std::string& serial);

}  // namespace cli
