// The upgrade dialog in its native Windows window, under Wine on a virtual
// display: the controls of template 102 at their places with the language
// file's captions, the system menu's items and the boxes they open, the one
// rule for late calls, and a whole upgrade of a simulated interface driven
// through the real dialog by the window system's messages.

#include "gui/win32/windows_header.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/dialog_setup.h"
#include "gui/dialog_events.h"
#include "gui/win32/dialog_template_bytes.h"
#include "gui/status_notices.h"
#include "gui/win32/native_dialog_window.h"
#include "gui/win32/window_driver.h"
#include "i18n/language_table.h"
#include "resources/dialog_ids.h"
#include "resources/dialog_templates.h"
#include "sim/sim_ports.h"
#include "support/test_os.h"
#include "wizard/test_support.h"
#include "wizard/upgrade_dialog.h"

namespace {

using namespace resources;
using win32test::ControlText;
using win32test::TextOf;

constexpr int kBoxMs = 20'000;
constexpr int kUpgradeMs = 180'000;
// The open-file chooser's folder list and file-type list.
constexpr int kChooserFolder = 0x471;
constexpr int kChooserTypes = 0x470;

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = gui::win32::Utf16Of(utf8);
  return std::wstring(text.begin(), text.end());
}

class NativeWindow : public ::testing::Test {
 protected:
  NativeWindow() { english_.Load(QUORREL_SOURCE_DIR "/data/", 1033); }

  // Runs the upgrade dialog in the native window, with the texts of
  // `table`; `steps` run on a driver thread once the window is up, with the
  // dialog's window. A window the steps leave open and idle ends with Cancel.
  int Run(const i18n::LanguageTable& table, const std::function<void(HWND)>& steps) {
    gui::win32::NativeWindowOptions options;
    std::thread driver;
    options.shown = [&] {
      HWND dialog = window_->Window();
      driver = std::thread([this, dialog, &steps] {
        steps(dialog);
        if (!dialog_->Busy() && IsWindow(dialog)) window_->EndDialog(wizard::kResultCancel);
      });
    };
    window_ = std::make_unique<gui::win32::NativeDialogWindow>(table.CodePage(), options);
    // As the program does: the status list hears of the devices' troubles.
    wizard::DialogOptions dialogOptions;
    observer_ = window_->StatusNotices(gui::StatusNoticeTextsFrom(table));
    dialogOptions.deviceObserver = observer_;
    dialog_ = std::make_unique<wizard::UpgradeDialog>(
        *window_, app::MakeDialogContext(app::Layout{base_.Path(), base_.PatchPath()}, table, dialogOptions));
    const int result = window_->RunModal(*dialog_);
    if (driver.joinable()) driver.join();
    dialog_.reset();  // joins the worker
    return result;
  }
  std::wstring English(i18n::Entry entry) const { return Wide(english_.GetText(entry)); }

  sim::ScopedSimInterfaces sims_;
  testsupport::EnvVar com3_{"QUORREL_COM3", "sim:model=Apex,serial=QRA1234567"};
  wizard::testing::BaseFolder base_;
  i18n::LanguageTable english_{platform::kCodePageUtf8};
  std::unique_ptr<gui::win32::NativeDialogWindow> window_;
  std::shared_ptr<platform::DeviceObserver> observer_;
  std::unique_ptr<wizard::UpgradeDialog> dialog_;
};

// The class the window system gives each kind of control.
std::wstring ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::GroupBox:
    case ControlKind::PushButton: return L"Button";
    case ControlKind::Edit: return L"Edit";
    case ControlKind::DropDownList: return L"ComboBox";
    case ControlKind::ListBox: return L"ListBox";
    case ControlKind::ProgressBar: return L"msctls_progress32";
    default: return L"Static";
  }
}

// A control's rectangle in the dialog's client area, and a template
// rectangle mapped from dialog units as the dialog manager maps it.
RECT PlacedRect(HWND dialog, HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return RECT{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}
RECT MappedRect(HWND dialog, const ControlTemplate& control) {
  RECT rect{control.left, control.top, control.width, control.height};
  MapDialogRect(dialog, &rect);
  return rect;
}

TEST_F(NativeWindow, ControlsStandAtTheirTemplatePlacesWithTheirClasses) {
  Run(english_, [&](HWND dialog) {
    for (const ControlTemplate& control : MainDialogTemplate().controls) {
      if (control.id == -1) continue;
      SCOPED_TRACE("control " + std::to_string(control.id));
      HWND item = GetDlgItem(dialog, control.id);
      ASSERT_NE(item, nullptr);
      wchar_t name[64] = L"";
      GetClassNameW(item, name, 64);
      EXPECT_EQ(name, ClassOf(control.kind));
      const RECT placed = PlacedRect(dialog, item);
      const RECT mapped = MappedRect(dialog, control);
      EXPECT_EQ(placed.left, mapped.left);
      EXPECT_EQ(placed.top, mapped.top);
      EXPECT_EQ(placed.right, mapped.right);  // the width
      // A drop-down list's template height is that of its dropped list,
      // which the system sizes to its items.
      if (control.kind != ControlKind::DropDownList) {
        EXPECT_EQ(placed.bottom, mapped.bottom);  // the height
      }
    }
    // The dialog font: "MS Shell Dlg" at 8 points.
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_EQ(std::wstring(font.lfFaceName).rfind(L"MS Shell Dlg", 0), 0u) << font.lfFaceName;
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(font.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);
  });
}

TEST_F(NativeWindow, StartsAsInitialisedWithItsPicturesAndSixteenPorts) {
  Run(english_, [&](HWND dialog) {
    HWND ports = GetDlgItem(dialog, kIdPortCombo);
    ASSERT_EQ(SendMessageW(ports, CB_GETCOUNT, 0, 0), 16);
    for (int n = 1; n <= 16; ++n) {
      wchar_t item[16] = L"";
      SendMessageW(ports, CB_GETLBTEXT, n - 1, reinterpret_cast<LPARAM>(item));
      EXPECT_EQ(std::wstring(item), L"COM" + std::to_wstring(n));
    }
    EXPECT_EQ(SendMessageW(ports, CB_GETCURSEL, 0, 0), CB_ERR);  // no port chosen yet
    EXPECT_TRUE(IsWindowVisible(ports));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, kIdPortEdit)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kIdUpgradeButton)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kIdFileButton)));
    // Icon 128 as the large and the small icon, bitmap 139 in the picture.
    EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0), 0);
    HWND picture = ChildWindowFromPoint(dialog, POINT{10, PlacedRect(dialog, GetDlgItem(dialog, kIdOk)).top + 60});
    ASSERT_NE(picture, nullptr);
    EXPECT_NE(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    // The bitmap sits centred in the picture's rectangle, which keeps its size.
    for (const ControlTemplate& control : MainDialogTemplate().controls) {
      if (control.kind != ControlKind::Picture) continue;
      const RECT placed = PlacedRect(dialog, picture);
      const RECT mapped = MappedRect(dialog, control);
      EXPECT_EQ(std::vector<LONG>({placed.left, placed.top, placed.right, placed.bottom}),
                std::vector<LONG>({mapped.left, mapped.top, mapped.right, mapped.bottom}));
    }
    // Shown in the task bar, without minimise or maximise box.
    EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_FALSE(GetWindowLongW(dialog, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  });
}

// The program's manifest asks for the common controls' visual styles, for
// per-monitor DPI awareness and for UTF-8 as its code page; the tests carry
// the same resources.
TEST_F(NativeWindow, RunsWithVisualStylesAndPerMonitorDpiAwareness) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // the manifest
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, found))),
                             SizeofResource(nullptr, found));
  // Wine keeps the system's code page whatever the manifest says; Windows
  // 10 and 11 take UTF-8 from it.
  EXPECT_NE(manifest.find(">UTF-8</activeCodePage>"), std::string::npos);
  EXPECT_TRUE(IsProcessDPIAware());
  Run(english_, [&](HWND dialog) {
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(dialog)),
              DPI_AWARENESS_PER_MONITOR_AWARE);
    // Version 6 of the common controls: the progress bar knows its state.
    EXPECT_EQ(SendMessageW(GetDlgItem(dialog, kIdProgressBar), PBM_GETSTATE, 0, 0), PBST_NORMAL);
  });
}

// The captions of the language file, in its language's code page, shown as
// the file writes them.
class NativeWindowCaptions : public NativeWindow, public ::testing::WithParamInterface<std::uint16_t> {};

TEST_P(NativeWindowCaptions, ComeFromTheLanguageFile) {
  const std::uint16_t language = GetParam();
  i18n::LanguageTable utf8(platform::kCodePageUtf8);
  utf8.Load(QUORREL_SOURCE_DIR "/data/", language);
  const platform::CodePage codePage = language == 1042 ? platform::kCodePageKorean : platform::kCodePageWestern;
  i18n::LanguageTable table(codePage);
  table.Load(QUORREL_SOURCE_DIR "/data/", language);
  auto expected = [&](i18n::Entry entry) { return Wide(utf8.GetText(entry)); };
  ASSERT_FALSE(expected(i18n::DialogTitle).empty());
  Run(table, [&](HWND dialog) {
    EXPECT_EQ(TextOf(dialog), expected(i18n::DialogTitle));
    const std::pair<int, i18n::Entry> captions[] = {
        {kIdGroupBox, i18n::GroupCaption1},     {kIdPortLabel, i18n::StaticCaption1},
        {kIdKindCaption, i18n::StaticCaption2}, {kIdFileCaption, i18n::StaticCaption3},
        {kIdSerialCaption, i18n::StaticCaption4}, {kIdStatusCaption, i18n::StaticCaption5},
        {kIdFileButton, i18n::ButtonCaption1},  {kIdUpgradeButton, i18n::ButtonCaption2},
        {kIdOk, i18n::ButtonCaption3},
    };
    for (const auto& [id, entry] : captions) EXPECT_EQ(ControlText(dialog, id), expected(entry)) << id;
  });
}

INSTANTIATE_TEST_SUITE_P(Languages, NativeWindowCaptions, ::testing::Values(1033, 1042, 1031));

TEST_F(NativeWindow, SystemMenuGetsHelpAboutAndRecoveryWhoseBoxesTheDialogOwns) {
  Run(english_, [&](HWND dialog) {
    HMENU menu = GetSystemMenu(dialog, FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 4);
    EXPECT_NE(GetMenuState(menu, static_cast<UINT>(count - 4), MF_BYPOSITION) & static_cast<UINT>(MF_SEPARATOR), 0u);
    const std::pair<UINT, std::wstring> items[] = {
        {kCmdHelp, L"Help(&H)..."}, {kCmdAbout, L"&About Halvik..."}, {kCmdRecovery, L"Interface Recovery(&R)"}};
    for (int i = 0; i < 3; ++i) {
      wchar_t text[64] = L"";
      GetMenuStringW(menu, static_cast<UINT>(count - 3 + i), text, 64, MF_BYPOSITION);
      EXPECT_EQ(GetMenuItemID(menu, count - 3 + i), items[i].first);
      EXPECT_EQ(std::wstring(text), items[i].second);
    }

    // Help: nothing happens.
    PostMessageW(dialog, WM_SYSCOMMAND, kCmdHelp, 0);
    EXPECT_EQ(win32test::WaitForBox(dialog, 500), nullptr);

    // About: template 100, ended by its OK button.
    PostMessageW(dialog, WM_SYSCOMMAND, kCmdAbout, 0);
    HWND about = win32test::WaitForBox(dialog, kBoxMs);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(TextOf(about), L"About Halvik");
    EXPECT_EQ(win32test::BoxMessage(about), L"Halvik Version 1.0");
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(win32test::WaitUntil([&] { return !IsWindow(about); }, kBoxMs));

    // Interface Recovery: the question under the fixed caption; Yes turns it on.
    PostMessageW(dialog, WM_SYSCOMMAND, kCmdRecovery, 0);
    HWND question = win32test::WaitForBox(dialog, kBoxMs);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(TextOf(question), L"Quorrel Upgrade Wizard");
    EXPECT_EQ(win32test::BoxMessage(question).find(English(i18n::prjProDlg7)) != std::wstring::npos, true);
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    EXPECT_TRUE(win32test::WaitUntil([&] { return dialog_->RecoveryMode(); }, kBoxMs));
  });
}

// Calls from another thread are carried out on the dialog's thread while the
// window runs; once it has ended they are dropped with their safe answer.
TEST_F(NativeWindow, OtherThreadsCallsRunOnTheDialogsThreadAndLateOnesAreDropped) {
  Run(english_, [&](HWND dialog) {
    window_->SetControlText(kIdSerialLabel, "QRA7654321");
    EXPECT_EQ(ControlText(dialog, kIdSerialLabel), L"QRA7654321");
    EXPECT_EQ(window_->GetControlText(kIdSerialLabel), "QRA7654321");
    window_->ListAppend(kIdStatusList, "one");
    window_->ListAppend(kIdStatusList, "two");
    EXPECT_EQ(win32test::ListLines(dialog, kIdStatusList), (std::vector<std::wstring>{L"one", L"two"}));
    window_->SetControlText(kIdPortCombo, "COM7");
    EXPECT_EQ(window_->GetControlText(kIdPortCombo), "COM7");
    window_->EndDialog(wizard::kResultOk);
  });
  std::thread late([&] {
    EXPECT_EQ(window_->GetControlText(kIdSerialLabel), "");
    EXPECT_EQ(window_->MessageBox("late", "Quorrel Upgrade Wizard", wizard::MessageButtons::YesNo,
                                  wizard::MessageIcon::Stop),
              wizard::MessageResult::No);
    window_->ListAppend(kIdStatusList, "late");
  });
  late.join();
}

// A log-off or shutdown waits while an upgrade runs, and goes ahead otherwise.
TEST(NativeWindowRun, RefusesTheSessionsEndWhileAnUpgradeRuns) {
  std::atomic<bool> busy{false};
  gui::win32::NativeWindowOptions options;
  gui::win32::NativeDialogWindow* window = nullptr;
  std::thread driver;
  LRESULT idle = 0, running = 0;
  options.shown = [&] {
    HWND dialog = window->Window();
    driver = std::thread([&, dialog] {
      idle = SendMessageW(dialog, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
      busy = true;
      running = SendMessageW(dialog, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
      window->EndDialog(wizard::kResultOk);
    });
  };
  gui::win32::NativeDialogWindow made(platform::kCodePageUtf8, options);
  window = &made;
  EXPECT_EQ(made.Run(gui::DialogEvents{}, {}, [&] { return busy.load(); }), wizard::kResultOk);
  driver.join();
  EXPECT_EQ(idle, TRUE);
  EXPECT_EQ(running, FALSE);
}

std::vector<std::wstring> PortItems(HWND dialog) {
  HWND ports = GetDlgItem(dialog, kIdPortCombo);
  std::vector<std::wstring> items;
  for (LRESULT i = 0; i < SendMessageW(ports, CB_GETCOUNT, 0, 0); ++i) {
    wchar_t item[64] = L"";
    SendMessageW(ports, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
    items.push_back(item);
  }
  return items;
}

std::vector<std::wstring> SixteenAnd(std::initializer_list<const wchar_t*> more) {
  std::vector<std::wstring> items;
  for (int n = 1; n <= 16; ++n) items.push_back(L"COM" + std::to_wstring(n));
  items.insert(items.end(), more.begin(), more.end());
  return items;
}

// The machine's other ports follow COM1 to COM16 and follow the devices that
// come and go, keeping the user's choice while it exists; never while an
// upgrade runs, which reads the chosen port's name to the end.
TEST(NativeWindowRun, OffersTheMachinesOtherPortsAndFollowsThemOutsideAnUpgrade) {
  std::mutex mutex;
  std::vector<std::string> present{"COM3", "COM17", "CNCA0"};
  std::atomic<bool> busy{false};
  gui::win32::NativeWindowOptions options;
  options.systemPorts = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    return present;
  };
  auto plug = [&](HWND dialog, std::vector<std::string> ports) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      present = std::move(ports);
    }
    SendMessageW(dialog, WM_DEVICECHANGE, 0x0007 /* the devices changed */, 0);
  };
  gui::win32::NativeDialogWindow* window = nullptr;
  std::thread driver;
  options.shown = [&] {
    HWND dialog = window->Window();
    driver = std::thread([&, dialog] {
      EXPECT_EQ(PortItems(dialog), SixteenAnd({L"COM17", L"CNCA0"}));
      ASSERT_TRUE(win32test::ChooseItem(dialog, kIdPortCombo, L"COM17"));
      plug(dialog, {"COM3", "COM17", "COM20"});
      EXPECT_EQ(PortItems(dialog), SixteenAnd({L"COM17", L"COM20"}));
      EXPECT_EQ(window->GetControlText(kIdPortCombo), "COM17");
      busy = true;
      plug(dialog, {"COM3"});
      EXPECT_EQ(window->GetControlText(kIdPortCombo), "COM17");
      busy = false;
      EXPECT_TRUE(win32test::WaitUntil([&] { return PortItems(dialog) == SixteenAnd({}); }, kBoxMs));
      EXPECT_EQ(window->GetControlText(kIdPortCombo), "");
      window->EndDialog(wizard::kResultOk);
    });
  };
  gui::win32::NativeDialogWindow made(platform::kCodePageUtf8, options);
  window = &made;
  made.Run(gui::DialogEvents{}, {}, [&] { return busy.load(); });
  driver.join();
}

// File... on a port with no device behind it: the status list says why, no
// box comes up and the chooser does not open; a device reporting after the
// window has gone reaches nobody.
TEST_F(NativeWindow, APortThatDoesNotOpenIsNamedInTheStatusListWithoutABox) {
  Run(english_, [&](HWND dialog) {
    ASSERT_TRUE(win32test::ChooseItem(dialog, kIdPortCombo, L"COM9"));
    win32test::Click(dialog, kIdFileButton);
    const auto named = [&] {
      const std::vector<std::wstring> lines = win32test::ListLines(dialog, kIdStatusList);
      return !lines.empty() && lines.back().find(L"COM9") != std::wstring::npos;
    };
    EXPECT_TRUE(win32test::WaitUntil(named, kBoxMs));
    EXPECT_EQ(win32test::WaitForBox(dialog, 500), nullptr);
    EXPECT_EQ(ControlText(dialog, kIdFileEdit), L"");
  });
  window_.reset();
  observer_->LineInTrouble("COM9", platform::LineTrouble::Lost, "gone");
}

TEST_F(NativeWindow, AWholeUpgradeThroughTheRealDialogEndsItByItself) {
  const auto image = wizard::testing::MakeApplication(3);
  base_.AddImage("Image/Apex/QRA0300.mbl", image);
  std::wstring lastLine;
  const int result = Run(english_, [&](HWND dialog) {
    ASSERT_TRUE(win32test::ChooseItem(dialog, kIdPortCombo, L"COM3"));
    win32test::Click(dialog, kIdFileButton);
    // The chooser opens in the model's folder, showing the label alone.
    HWND chooser = win32test::WaitForBox(dialog, kBoxMs);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(ControlText(chooser, kChooserFolder), L"Apex");
    EXPECT_EQ(ControlText(chooser, kChooserTypes), L"MyType Files (*.mbl)");
    EXPECT_EQ(ControlText(dialog, kIdKindLabel), L"Quorrel Apex");
    win32test::AnswerChooser(chooser, L"QRA0300.mbl");
    ASSERT_TRUE(win32test::WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, kIdUpgradeButton)) != FALSE; },
                                     kBoxMs));
    EXPECT_EQ(ControlText(dialog, kIdFileEdit), L"QRA0300.mbl");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kIdFileButton)));

    win32test::Click(dialog, kIdUpgradeButton);
    HWND success = win32test::WaitForBox(dialog, kUpgradeMs);
    ASSERT_NE(success, nullptr);
    EXPECT_EQ(TextOf(success), L"Quorrel Upgrade Wizard");
    EXPECT_NE(win32test::BoxMessage(success).find(English(i18n::prjProDlg4)), std::wstring::npos);
    EXPECT_EQ(ControlText(dialog, kIdSerialLabel), L"QRA1234567");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kIdOk)));  // Exit stays off: the dialog ends itself
    lastLine = win32test::ListLines(dialog, kIdStatusList).back();
    PostMessageW(success, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(result, wizard::kResultOk);
  EXPECT_EQ(lastLine, English(i18n::UpgradeList18));
  auto device = sim::FindSimInterface("COM3");
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->SerialNumber(), "QRA1234567");
  const auto flash = device->ReadMemory(0, 65536);
  for (const auto& [address, bytes] : image) {
    EXPECT_EQ(std::vector<std::uint8_t>(flash.begin() + address, flash.begin() + address + bytes.size()), bytes);
  }
}

}  // namespace
