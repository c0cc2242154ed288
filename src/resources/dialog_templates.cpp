#include "resources/dialog_templates.h"

#include <array>

#include "resources/dialog_ids.h"

namespace resources {
namespace {

using K = ControlKind;

constexpr std::array kMainControls = {
    ControlTemplate{kIdGroupBox, K::GroupBox, 0, 0, 283, 87, "Interface Setting", kStyleNone, 0},
    ControlTemplate{kIdPortLabel, K::StaticText, 8, 14, 96, 10, "COM Port No.", kStyleNone, 0},
    ControlTemplate{kIdPortEdit, K::Edit, 108, 11, 81, 15, "", kReadOnly | kBorder | kCentred | kAutoHScroll, 0},
    ControlTemplate{kIdPortCombo, K::DropDownList, 196, 11, 81, 61, "", kHidden | kVScroll, 0},
    ControlTemplate{kIdKindCaption, K::StaticText, 10, 32, 93, 10, "Interface Kind", kStyleNone, 0},
    ControlTemplate{kIdKindLabel, K::StaticText, 108, 30, 168, 14, "", kSunken, 0},
    ControlTemplate{kIdFileCaption, K::StaticText, 8, 51, 96, 10, "Upgrade File", kStyleNone, 0},
    ControlTemplate{kIdFileButton, K::PushButton, 108, 49, 81, 16, "File(&F)...", kStyleNone, 0},
    ControlTemplate{kIdFileEdit, K::Edit, 192, 49, 84, 16, "", kReadOnly | kBorder | kCentred | kMultiLine, 0},
    ControlTemplate{kIdSerialCaption, K::StaticText, 8, 70, 97, 10, "Serial Number", kStyleNone, 0},
    ControlTemplate{kIdSerialLabel, K::StaticText, 110, 70, 79, 14, "", kSunken | kCentred, 0},
    ControlTemplate{kIdUpgradeButton, K::PushButton, 1, 91, 166, 26, "Upgrade(&U)", kStyleNone, 0},
    ControlTemplate{kIdOk, K::PushButton, 170, 91, 111, 26, "Exit(&C)", kStyleNone, 0},
    ControlTemplate{-1, K::Picture, 0, 118, 281, 155, "", kImageCentred, kBitmapMain},
    ControlTemplate{kIdStatusCaption, K::StaticText, 288, 8, 182, 10, "Status......", kStyleNone, 0},
    ControlTemplate{kIdStatusList, K::ListBox, 286, 22, 183, 251, "", kBorder | kVScroll | kNoIntegralHeight | kNotify, 0},
    ControlTemplate{kIdProgressBar, K::ProgressBar, 0, 278, 469, 12, "", kSmooth | kBorder, 0},
};

constexpr std::array kAboutControls = {
    ControlTemplate{-1, K::Icon, 11, 17, 0, 0, "", kStyleNone, kIconMain},
    ControlTemplate{-1, K::StaticText, 40, 10, 119, 8, "Halvik Version 1.0", kStyleNone, 0},
    ControlTemplate{kIdOk, K::PushButton, 178, 7, 50, 16, "OK", kDefaultButton, 0},
};

}  // namespace

const DialogTemplate& MainDialogTemplate() {
  static const DialogTemplate main{kTemplateMain, "Quorrel Upgrade Wizard", 470, 290, "MS Shell Dlg", 8,
                                   kMainControls};
  return main;
}

const DialogTemplate& AboutDialogTemplate() {
  static const DialogTemplate about{kTemplateAbout, "About Halvik", 235, 55, "MS Shell Dlg", 8, kAboutControls};
  return about;
}

std::vector<std::string> PortListItems() {
  std::vector<std::string> items;
  for (int n = 1; n <= 16; ++n) items.push_back("COM" + std::to_string(n));
  return items;
}

std::string LoadString(int id) {
  switch (id) {
    case kStringAbout: return "&About Halvik...";
    case kStringHelp: return "Help(&H)...";
    case kStringRecovery: return "Interface Recovery(&R)";
    default: return {};
  }
}

}  // namespace resources
