#include "gui/win32/dialog_template_bytes.h"

namespace gui::win32 {
namespace {

using resources::ControlKind;
using resources::ControlTemplate;

bool Has(const ControlTemplate& control, unsigned property) { return (control.style & property) != 0; }

// The template keeps its numbers little-endian, whatever the host.
class Writer {
 public:
  void Word(std::uint16_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  void Dword(std::uint32_t value) {
    Word(static_cast<std::uint16_t>(value & 0xFFFF));
    Word(static_cast<std::uint16_t>(value >> 16));
  }
  void Short(int value) { Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(value))); }
  void Byte(std::uint8_t value) { bytes_.push_back(value); }
  // A zero-terminated UTF-16 text.
  void Text(std::u16string_view text) {
    for (char16_t unit : text) Word(static_cast<std::uint16_t>(unit));
    Word(0);
  }
  // A resource or class named by number.
  void Ordinal(std::uint16_t number) {
    Word(0xFFFF);
    Word(number);
  }
  void AlignToDword() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

std::uint32_t KindStyle(const ControlTemplate& control) {
  switch (control.kind) {
    case ControlKind::GroupBox: return style::kBsGroupBox;
    case ControlKind::StaticText:
      return (Has(control, resources::kCentred) ? style::kSsCenter : 0) |
             (Has(control, resources::kSunken) ? style::kSsSunken : 0);
    case ControlKind::Edit:
      return style::kTabStop | (Has(control, resources::kReadOnly) ? style::kEsReadOnly : 0) |
             (Has(control, resources::kCentred) ? style::kEsCenter : 0) |
             (Has(control, resources::kAutoHScroll) ? style::kEsAutoHScroll : 0) |
             (Has(control, resources::kMultiLine) ? style::kEsMultiLine : 0);
    case ControlKind::DropDownList:
      return style::kTabStop | style::kCbsDropDownList | (Has(control, resources::kSorted) ? style::kCbsSort : 0);
    case ControlKind::PushButton:
      return style::kTabStop | (Has(control, resources::kDefaultButton) ? style::kBsDefPushButton : 0);
    case ControlKind::Picture:
      return style::kSsBitmap | (Has(control, resources::kImageCentred) ? style::kSsCenterImage : 0);
    case ControlKind::ListBox:
      return style::kTabStop | (Has(control, resources::kSorted) ? style::kLbsSort : 0) |
             (Has(control, resources::kNoIntegralHeight) ? style::kLbsNoIntegralHeight : 0) |
             (Has(control, resources::kNotify) ? style::kLbsNotify : 0);
    case ControlKind::ProgressBar: return Has(control, resources::kSmooth) ? style::kPbsSmooth : 0;
    case ControlKind::Icon: return style::kSsIcon;
  }
  return 0;
}

void WriteClass(Writer& out, ControlKind kind) {
  switch (kind) {
    case ControlKind::GroupBox:
    case ControlKind::PushButton: out.Ordinal(atom::kButton); return;
    case ControlKind::Edit: out.Ordinal(atom::kEdit); return;
    case ControlKind::DropDownList: out.Ordinal(atom::kComboBox); return;
    case ControlKind::ListBox: out.Ordinal(atom::kListBox); return;
    case ControlKind::ProgressBar: out.Text(kProgressClass); return;
    case ControlKind::StaticText:
    case ControlKind::Picture:
    case ControlKind::Icon: out.Ordinal(atom::kStatic); return;
  }
}

void WriteItem(Writer& out, const ControlTemplate& control) {
  out.AlignToDword();
  const ItemStyles styles = StylesOf(control);
  out.Dword(0);  // no help context
  out.Dword(styles.exStyle);
  out.Dword(styles.style);
  out.Short(control.left);
  out.Short(control.top);
  out.Short(control.width);
  out.Short(control.height);
  out.Dword(static_cast<std::uint32_t>(control.id));  // -1 is the "no identifier" of the headers
  WriteClass(out, control.kind);
  if (control.resource != 0) {
    out.Ordinal(static_cast<std::uint16_t>(control.resource));
  } else {
    out.Text(Utf16Of(control.text));
  }
  out.Word(0);  // no creation data
}

}  // namespace

ItemStyles StylesOf(const ControlTemplate& control) {
  std::uint32_t styleBits = style::kChild | KindStyle(control);
  if (!Has(control, resources::kHidden)) styleBits |= style::kVisible;
  if (Has(control, resources::kBorder)) styleBits |= style::kBorder;
  if (Has(control, resources::kVScroll)) styleBits |= style::kVScroll;
  return ItemStyles{styleBits, 0};
}

ItemStyles DialogStyles(Frame frame) {
  const std::uint32_t common =
      style::kPopup | style::kCaption | style::kSysMenu | style::kDsModalFrame | style::kDsShellFont;
  return frame == Frame::Main ? ItemStyles{common, style::kExAppWindow} : ItemStyles{common, 0};
}

std::vector<std::uint8_t> EncodeDialogTemplate(const resources::DialogTemplate& dialogTemplate, Frame frame) {
  const ItemStyles styles = DialogStyles(frame);
  Writer out;
  out.Word(1);       // extended template, version 1
  out.Word(0xFFFF);  // its signature
  out.Dword(0);      // no help context
  out.Dword(styles.exStyle);
  out.Dword(styles.style);
  out.Word(static_cast<std::uint16_t>(dialogTemplate.controls.size()));
  out.Short(0);  // placed by the system
  out.Short(0);
  out.Short(dialogTemplate.width);
  out.Short(dialogTemplate.height);
  out.Word(0);  // no menu
  out.Word(0);  // the dialog class
  out.Text(Utf16Of(dialogTemplate.caption));
  out.Word(static_cast<std::uint16_t>(dialogTemplate.fontPoints));
  out.Word(400);  // normal weight
  out.Byte(0);    // not italic
  out.Byte(1);    // the default character set
  out.Text(Utf16Of(dialogTemplate.fontName));
  for (const ControlTemplate& control : dialogTemplate.controls) WriteItem(out, control);
  return out.Take();
}

std::u16string Utf16Of(std::string_view utf8) {
  std::u16string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    char32_t value = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    bool whole = length != 0 && i + static_cast<std::size_t>(length) <= utf8.size();
    for (int k = 1; whole && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      whole = (next & 0xC0) == 0x80;
      value = (value << 6) | (next & 0x3F);
    }
    if (!whole || value > 0x10FFFF) {
      out.push_back(u'\uFFFD');  // a byte that does not decode, and nothing else is lost
      ++i;
      continue;
    }
    if (value >= 0x10000) {
      value -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(value));
    }
    i += static_cast<std::size_t>(length);
  }
  return out;
}

}  // namespace gui::win32
