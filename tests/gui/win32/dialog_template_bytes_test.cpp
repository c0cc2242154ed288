// The native window's dialog templates, read back byte by byte as the
// Windows dialog manager reads them: every control of the resources' layout
// at its place, with its class, styles and text, in the extended layout.

#include "gui/win32/dialog_template_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "resources/dialog_ids.h"
#include "resources/dialog_templates.h"

namespace {

using namespace gui::win32;

// A resource or class named by number, or by text.
struct NameOrNumber {
  std::optional<std::uint16_t> number;
  std::u16string text;
};

struct Item {
  std::uint32_t exStyle, style;
  int x, y, cx, cy;
  std::int32_t id;
  NameOrNumber windowClass, title;
  std::size_t offset;
};

struct Dialog {
  std::uint32_t exStyle, style;
  int x, y, cx, cy;
  std::u16string caption;
  int points;
  std::u16string font;
  std::vector<Item> items;
};

class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  std::uint16_t Word() {
    EXPECT_LE(at_ + 2, bytes_.size());
    if (at_ + 2 > bytes_.size()) return 0;
    const auto value = static_cast<std::uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
    at_ += 2;
    return value;
  }
  std::uint32_t Dword() {
    const std::uint32_t low = Word();
    return low | (static_cast<std::uint32_t>(Word()) << 16);
  }
  int Short() { return static_cast<std::int16_t>(Word()); }
  std::uint8_t Byte() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
  std::u16string Text() {
    std::u16string text;
    for (std::uint16_t unit = Word(); unit != 0 && at_ < bytes_.size(); unit = Word()) text.push_back(unit);
    return text;
  }
  NameOrNumber Name() {
    if (at_ + 2 <= bytes_.size() && bytes_[at_] == 0xFF && bytes_[at_ + 1] == 0xFF) {
      Word();
      return NameOrNumber{Word(), {}};
    }
    return NameOrNumber{std::nullopt, Text()};
  }
  void Align() { at_ = (at_ + 3) & ~std::size_t{3}; }
  std::size_t At() const { return at_; }
  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_ = 0;
};

Dialog Decode(const std::vector<std::uint8_t>& bytes) {
  Reader in(bytes);
  Dialog dialog{};
  EXPECT_EQ(in.Word(), 1);       // extended template, version 1
  EXPECT_EQ(in.Word(), 0xFFFF);  // its signature
  EXPECT_EQ(in.Dword(), 0u);     // help context
  dialog.exStyle = in.Dword();
  dialog.style = in.Dword();
  const int count = in.Word();
  dialog.x = in.Short();
  dialog.y = in.Short();
  dialog.cx = in.Short();
  dialog.cy = in.Short();
  EXPECT_EQ(in.Word(), 0);  // no menu
  EXPECT_EQ(in.Word(), 0);  // the dialog class
  dialog.caption = in.Text();
  dialog.points = in.Word();
  EXPECT_EQ(in.Word(), 400);  // weight
  EXPECT_EQ(in.Byte(), 0);    // italic
  in.Byte();                  // character set
  dialog.font = in.Text();
  for (int i = 0; i < count; ++i) {
    in.Align();
    Item item{};
    item.offset = in.At();
    EXPECT_EQ(in.Dword(), 0u);  // help context
    item.exStyle = in.Dword();
    item.style = in.Dword();
    item.x = in.Short();
    item.y = in.Short();
    item.cx = in.Short();
    item.cy = in.Short();
    item.id = static_cast<std::int32_t>(in.Dword());
    item.windowClass = in.Name();
    item.title = in.Name();
    EXPECT_EQ(in.Word(), 0);  // no creation data
    dialog.items.push_back(item);
  }
  EXPECT_TRUE(in.AtEnd());
  return dialog;
}

const Item* Find(const Dialog& dialog, int id) {
  for (const Item& item : dialog.items) {
    if (item.id == id) return &item;
  }
  return nullptr;
}

bool Has(std::uint32_t bits, std::uint32_t wanted) { return (bits & wanted) == wanted; }

TEST(DialogTemplateBytes, TheMainTemplateHoldsEveryControlAtItsPlaceInDialogUnits) {
  const resources::DialogTemplate& layout = resources::MainDialogTemplate();
  const Dialog dialog = Decode(EncodeDialogTemplate(layout, Frame::Main));
  EXPECT_EQ(dialog.caption, u"Quorrel Upgrade Wizard");
  EXPECT_EQ(dialog.cx, 470);
  EXPECT_EQ(dialog.cy, 290);
  EXPECT_EQ(dialog.points, 8);
  EXPECT_EQ(dialog.font, u"MS Shell Dlg");
  ASSERT_EQ(dialog.items.size(), layout.controls.size());
  for (std::size_t i = 0; i < layout.controls.size(); ++i) {
    const resources::ControlTemplate& control = layout.controls[i];
    const Item& item = dialog.items[i];
    SCOPED_TRACE("control " + std::to_string(control.id));
    EXPECT_EQ(item.offset % 4, 0u);  // each item on a four-byte boundary
    EXPECT_EQ(item.id, control.id);
    EXPECT_EQ(item.x, control.left);
    EXPECT_EQ(item.y, control.top);
    EXPECT_EQ(item.cx, control.width);
    EXPECT_EQ(item.cy, control.height);
    EXPECT_TRUE(Has(item.style, style::kChild));
    // Only the drop-down list starts hidden; OnInitDialog shows it.
    EXPECT_EQ(Has(item.style, style::kVisible), control.id != resources::kIdPortCombo);
    if (control.resource == 0) {
      EXPECT_EQ(item.title.text, Utf16Of(control.text));
    }
  }
}

TEST(DialogTemplateBytes, TheMainWindowIsAModalFrameWithCaptionAndSystemMenuShownInTheTaskBar) {
  const Dialog dialog = Decode(EncodeDialogTemplate(resources::MainDialogTemplate(), Frame::Main));
  EXPECT_TRUE(Has(dialog.style, style::kPopup | style::kCaption | style::kSysMenu | style::kDsModalFrame));
  EXPECT_TRUE(Has(dialog.style, style::kDsSetFont));  // the template's own font
  // No minimise or maximise box (the same bits as a child's group and tab stop).
  EXPECT_FALSE(dialog.style & (style::kGroup | style::kTabStop));
  EXPECT_TRUE(Has(dialog.exStyle, style::kExAppWindow));
  const Dialog about = Decode(EncodeDialogTemplate(resources::AboutDialogTemplate(), Frame::Box));
  EXPECT_FALSE(about.exStyle & style::kExAppWindow);
}

TEST(DialogTemplateBytes, ControlsGetTheirClassesAndProperties) {
  const Dialog dialog = Decode(EncodeDialogTemplate(resources::MainDialogTemplate(), Frame::Main));
  const Item* list = Find(dialog, resources::kIdStatusList);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->windowClass.number, atom::kListBox);
  EXPECT_TRUE(Has(list->style, style::kBorder | style::kVScroll | style::kLbsNotify | style::kLbsNoIntegralHeight));
  EXPECT_FALSE(list->style & style::kLbsSort);  // lines stay in the order added

  const Item* bar = Find(dialog, resources::kIdProgressBar);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->windowClass.text, kProgressClass);
  EXPECT_TRUE(Has(bar->style, style::kPbsSmooth | style::kBorder));

  const Item* ports = Find(dialog, resources::kIdPortCombo);
  ASSERT_NE(ports, nullptr);
  EXPECT_EQ(ports->windowClass.number, atom::kComboBox);
  EXPECT_EQ(ports->style & 0x3u, style::kCbsDropDownList);
  EXPECT_TRUE(Has(ports->style, style::kVScroll));
  EXPECT_FALSE(ports->style & style::kCbsSort);  // COM2 before COM10

  const Item* portEdit = Find(dialog, resources::kIdPortEdit);
  ASSERT_NE(portEdit, nullptr);
  EXPECT_EQ(portEdit->windowClass.number, atom::kEdit);
  EXPECT_TRUE(Has(portEdit->style, style::kEsReadOnly | style::kEsCenter | style::kEsAutoHScroll | style::kBorder));
  const Item* fileEdit = Find(dialog, resources::kIdFileEdit);
  ASSERT_NE(fileEdit, nullptr);
  EXPECT_TRUE(Has(fileEdit->style, style::kEsReadOnly | style::kEsCenter | style::kEsMultiLine | style::kBorder));

  const Item* serial = Find(dialog, resources::kIdSerialLabel);
  ASSERT_NE(serial, nullptr);
  EXPECT_EQ(serial->windowClass.number, atom::kStatic);
  EXPECT_TRUE(Has(serial->style, style::kSsSunken | style::kSsCenter));

  const Item* group = Find(dialog, resources::kIdGroupBox);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->windowClass.number, atom::kButton);
  EXPECT_EQ(group->style & 0xFu, style::kBsGroupBox);

  // Exit is the dialog's OK command but not its default button.
  const Item* exit = Find(dialog, resources::kIdOk);
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->style & 0xFu, 0u);
}

TEST(DialogTemplateBytes, PicturesNameTheirResourcesByNumber) {
  const Dialog dialog = Decode(EncodeDialogTemplate(resources::MainDialogTemplate(), Frame::Main));
  const Item* picture = nullptr;
  for (const Item& item : dialog.items) {
    if (item.title.number) picture = &item;
  }
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->windowClass.number, atom::kStatic);
  EXPECT_EQ(picture->style & 0x1Fu, style::kSsBitmap);
  EXPECT_TRUE(Has(picture->style, style::kSsCenterImage));
  EXPECT_EQ(picture->title.number, std::optional<std::uint16_t>(resources::kBitmapMain));
  EXPECT_EQ(picture->id, -1);
  EXPECT_EQ(picture->y, 118);

  const Dialog about = Decode(EncodeDialogTemplate(resources::AboutDialogTemplate(), Frame::Box));
  EXPECT_EQ(about.caption, u"About Halvik");
  EXPECT_EQ(about.cx, 235);
  EXPECT_EQ(about.cy, 55);
  ASSERT_EQ(about.items.size(), 3u);
  EXPECT_EQ(about.items[0].style & 0x1Fu, style::kSsIcon);
  EXPECT_EQ(about.items[0].title.number, std::optional<std::uint16_t>(resources::kIconMain));
  EXPECT_EQ(about.items[2].id, resources::kIdOk);
  EXPECT_EQ(about.items[2].style & 0xFu, style::kBsDefPushButton);
}

TEST(DialogTemplateBytes, TextsBecomeUtf16WithNothingLost) {
  EXPECT_EQ(Utf16Of("COM16"), u"COM16");
  EXPECT_EQ(Utf16Of("\xEC\x9D\xB8\xED\x84\xB0\xED\x8E\x98\xEC\x9D\xB4\xEC\x8A\xA4"), u"\uC778\uD130\uD398\uC774\uC2A4");
  EXPECT_EQ(Utf16Of("\xC3\xBC" "ber"), u"\u00FCber");
  EXPECT_EQ(Utf16Of("\xF0\x9F\x94\x8C"), u"\U0001F50C");  // beyond 16 bits: a surrogate pair
  // A byte that does not decode becomes one replacement character; the rest stays.
  EXPECT_EQ(Utf16Of("a\xFF" "b\xC3"), u"a\uFFFDb\uFFFD");
  EXPECT_EQ(Utf16Of("\xE2\x82" "x"), u"\uFFFD\uFFFDx");
}

}  // namespace
