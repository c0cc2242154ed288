#pragma once
// Texts cross into the window as narrow strings of the system code page and
// come back out the same way; the widgets hold them as QString.

#include <QString>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace gui {

QString FromCodePage(platform::CodePage codePage, std::string_view text);
// A character the code page lacks becomes its default character.
std::string ToCodePage(platform::CodePage codePage, const QString& text);

}  // namespace gui
