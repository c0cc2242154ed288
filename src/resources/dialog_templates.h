#pragma once
// Dialog templates 100 and 102 and the string table, as data. Positions and
// sizes are in dialog units; a host converts them with its dialog font.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace resources {

enum class ControlKind { GroupBox, StaticText, Edit, DropDownList, PushButton, Picture, ListBox, ProgressBar, Icon };

// Properties of a control, as the template gives them.
enum ControlStyle : unsigned {
  kStyleNone = 0,
  kReadOnly = 1u << 0,
  kBorder = 1u << 1,
  kCentred = 1u << 2,
  kAutoHScroll = 1u << 3,
  kMultiLine = 1u << 4,
  kHidden = 1u << 5,
  kVScroll = 1u << 6,
  kSorted = 1u << 7,
  kSunken = 1u << 8,
  kDefaultButton = 1u << 9,
  kImageCentred = 1u << 10,
  kNoIntegralHeight = 1u << 11,
  kNotify = 1u << 12,
  kSmooth = 1u << 13,
};

struct ControlTemplate {
  int id;  // -1 for a control without an identifier
  ControlKind kind;
  int left, top, width, height;
  std::string_view text;  // initial text
  unsigned style;
  int resource;  // bitmap or icon resource of a picture, else 0
};

struct DialogTemplate {
  int id;
  std::string_view caption;
  int width, height;
  std::string_view fontName;
  int fontPoints;
  std::span<const ControlTemplate> controls;
};

const DialogTemplate& MainDialogTemplate();   // 102
const DialogTemplate& AboutDialogTemplate();  // 100

// The drop-down list's initial items: "COM1" to "COM16", in that order.
std::vector<std::string> PortListItems();

// String-table entry, empty when the table has none.
std::string LoadString(int id);

}  // namespace resources
