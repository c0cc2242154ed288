#pragma once
// Dialog templates as the Windows dialog manager reads them: an extended
// template (DLGTEMPLATEEX) and its items, built in memory from the layout the
// resources hold, so the native window has no second copy of it. Plain C++,
// so the bytes can be checked on any system.

#include <cstdint>
#include <string_view>
#include <vector>

#include "resources/dialog_templates.h"

namespace gui::win32 {

// The values of the Windows headers, for the styles the templates use.
namespace style {
inline constexpr std::uint32_t kPopup = 0x80000000;
inline constexpr std::uint32_t kChild = 0x40000000;
inline constexpr std::uint32_t kVisible = 0x10000000;
inline constexpr std::uint32_t kCaption = 0x00C00000;
inline constexpr std::uint32_t kBorder = 0x00800000;
inline constexpr std::uint32_t kVScroll = 0x00200000;
inline constexpr std::uint32_t kSysMenu = 0x00080000;
inline constexpr std::uint32_t kGroup = 0x00020000;
inline constexpr std::uint32_t kTabStop = 0x00010000;
inline constexpr std::uint32_t kExAppWindow = 0x00040000;
inline constexpr std::uint32_t kDsSetFont = 0x40;
inline constexpr std::uint32_t kDsModalFrame = 0x80;
inline constexpr std::uint32_t kDsFixedSys = 0x08;
inline constexpr std::uint32_t kDsShellFont = kDsSetFont | kDsFixedSys;
inline constexpr std::uint32_t kBsDefPushButton = 0x1;
inline constexpr std::uint32_t kBsGroupBox = 0x7;
inline constexpr std::uint32_t kEsCenter = 0x1;
inline constexpr std::uint32_t kEsMultiLine = 0x4;
inline constexpr std::uint32_t kEsAutoHScroll = 0x80;
inline constexpr std::uint32_t kEsReadOnly = 0x800;
inline constexpr std::uint32_t kSsCenter = 0x1;
inline constexpr std::uint32_t kSsIcon = 0x3;
inline constexpr std::uint32_t kSsBitmap = 0xE;
inline constexpr std::uint32_t kSsCenterImage = 0x200;
inline constexpr std::uint32_t kSsSunken = 0x1000;
inline constexpr std::uint32_t kCbsDropDownList = 0x3;
inline constexpr std::uint32_t kCbsSort = 0x100;
inline constexpr std::uint32_t kLbsNotify = 0x1;
inline constexpr std::uint32_t kLbsSort = 0x2;
inline constexpr std::uint32_t kLbsNoIntegralHeight = 0x100;
inline constexpr std::uint32_t kPbsSmooth = 0x1;
}  // namespace style

// The predefined window classes a template names by number.
namespace atom {
inline constexpr std::uint16_t kButton = 0x0080;
inline constexpr std::uint16_t kEdit = 0x0081;
inline constexpr std::uint16_t kStatic = 0x0082;
inline constexpr std::uint16_t kListBox = 0x0083;
inline constexpr std::uint16_t kComboBox = 0x0085;
}  // namespace atom

// The common controls' progress bar, named by its class name.
inline constexpr std::u16string_view kProgressClass = u"msctls_progress32";

// How the dialog's own window is framed: the main window shows in the task
// bar; a box (About) does not.
enum class Frame { Main, Box };

struct ItemStyles {
  std::uint32_t style;
  std::uint32_t exStyle;
};
// The window styles a control of the template is created with.
ItemStyles StylesOf(const resources::ControlTemplate& control);
// The dialog window's own styles.
ItemStyles DialogStyles(Frame frame);

// The template in the dialog manager's extended layout, aligned as it reads
// it: header, caption, font, then each item on a four-byte boundary. Picture
// items name their bitmap or icon resource by number.
std::vector<std::uint8_t> EncodeDialogTemplate(const resources::DialogTemplate& dialogTemplate, Frame frame);

// A text of the resources (UTF-8) in UTF-16, as templates and wide calls take it.
std::u16string Utf16Of(std::string_view utf8);

}  // namespace gui::win32
