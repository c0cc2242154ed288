// The window's port list: COM1 to COM16 first and in order, nothing chosen at
// start, the ports found after them with their adapter in a tooltip, the
// list following plugs and pulls, and the status lines for a port that does
// not open and a device that went away.

#include <QComboBox>
#include <QCoreApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "gui/port_list_watcher.h"
#include "gui/port_notices.h"
#include "gui/qt_application.h"
#include "gui/qt_dialog_window.h"
#include "i18n/language_table.h"
#include "platform/port_schemes.h"
#include "resources/dialog_ids.h"
#include "support/lock_folder.h"

namespace gui {
namespace {

platform::PortInfo Port(const std::string& path, const std::string& product = {}) {
  platform::PortInfo port;
  port.path = path;
  port.product = product;
  return port;
}

// Ports a test sets; shared with the watcher that reads them.
class SettablePorts final : public platform::PortSource {
 public:
  explicit SettablePorts(std::shared_ptr<std::vector<platform::PortRecord>> records) : records_(std::move(records)) {}
  bool Records(std::vector<platform::PortRecord>& out) override {
    out = *records_;
    return true;
  }

 private:
  std::shared_ptr<std::vector<platform::PortRecord>> records_;
};

platform::PortRecord Record(const std::string& node) {
  platform::PortRecord record;
  record.devPath = "/devices/usb/" + node;
  record.devNode = "/dev/" + node;
  record.properties["ID_BUS"] = "usb";
  record.properties["ID_MODEL_ENC"] = "Bridge\\x20" + node;
  return record;
}

// A monitor whose descriptor turns readable when the test writes to a pipe.
class PipeMonitor final : public platform::PortMonitor {
 public:
  explicit PipeMonitor(int readEnd) : readEnd_(readEnd) {}
  ~PipeMonitor() override { ::close(readEnd_); }
  int Descriptor() const override { return readEnd_; }
  bool DrainChanges() override {
    char byte = 0;
    return ::read(readEnd_, &byte, 1) == 1;
  }

 private:
  int readEnd_;
};

class PortListTest : public gui_test::WithQtApplication, public testing::Test {
 protected:
  PortListTest() : window_(platform::kCodePageUtf8) {
    combo_ = qobject_cast<QComboBox*>(window_.Control(resources::kIdPortCombo));
  }

  QStringList Items() const {
    QStringList items;
    for (int i = 0; i < combo_->count(); ++i) items << combo_->itemText(i);
    return items;
  }

  QtDialogWindow window_;
  QComboBox* combo_ = nullptr;
};

QStringList ComNames() {
  QStringList names;
  for (int n = 1; n <= 16; ++n) names << QStringLiteral("COM%1").arg(n);
  return names;
}

TEST_F(PortListTest, FoundPortsFollowTheSixteenNamesWithNothingChosen) {
  ASSERT_NE(combo_, nullptr);
  ApplyDiscoveredPorts(*combo_, 16, {Port("/dev/ttyACM0", "Tern Bridge"), Port("/dev/ttyUSB0")});
  EXPECT_EQ(Items(), (ComNames() + QStringList{"/dev/ttyACM0", "/dev/ttyUSB0"}));
  EXPECT_EQ(combo_->currentIndex(), -1);
  EXPECT_EQ(window_.GetControlText(resources::kIdPortCombo), "");
  EXPECT_EQ(combo_->itemData(16, Qt::ToolTipRole).toString(), "Tern Bridge");
}

TEST_F(PortListTest, ChoiceIsKeptWhileItsPortExistsAndDroppedWhenPulled) {
  ApplyDiscoveredPorts(*combo_, 16, {Port("/dev/ttyACM0"), Port("/dev/ttyUSB0")});
  window_.SetControlText(resources::kIdPortCombo, "/dev/ttyUSB0");
  // Another adapter arrives ahead of it in the order: the choice stays.
  ApplyDiscoveredPorts(*combo_, 16, {Port("/dev/ttyACM0"), Port("/dev/ttyACM1"), Port("/dev/ttyUSB0")});
  EXPECT_EQ(window_.GetControlText(resources::kIdPortCombo), "/dev/ttyUSB0");
  // The chosen adapter is pulled: nothing is chosen, never a neighbour.
  ApplyDiscoveredPorts(*combo_, 16, {Port("/dev/ttyACM0")});
  EXPECT_EQ(combo_->currentIndex(), -1);
  // A fixed name stays chosen whatever comes and goes.
  window_.SetControlText(resources::kIdPortCombo, "COM3");
  ApplyDiscoveredPorts(*combo_, 16, {});
  EXPECT_EQ(window_.GetControlText(resources::kIdPortCombo), "COM3");
  EXPECT_EQ(Items(), ComNames());
}

TEST_F(PortListTest, WatcherFollowsPlugsAndPullsThroughItsMonitor) {
  auto records = std::make_shared<std::vector<platform::PortRecord>>();
  records->push_back(Record("ttyUSB0"));
  std::array<int, 2> pipeEnds{};
  ASSERT_EQ(::pipe(pipeEnds.data()), 0);
  auto* watcher = new PortListWatcher(*combo_, std::make_unique<SettablePorts>(records),
                                      std::make_unique<PipeMonitor>(pipeEnds[0]));
  EXPECT_EQ(Items(), (ComNames() + QStringList{"/dev/ttyUSB0"}));
  EXPECT_EQ(combo_->itemData(16, Qt::ToolTipRole).toString(), "Bridge ttyUSB0");

  const auto plugEvent = [&](const QStringList& expected) {
    const char byte = 1;
    ASSERT_EQ(::write(pipeEnds[1], &byte, 1), 1);
    // The descriptor is readable before the loop runs: each pass delivers.
    for (int pass = 0; pass < 50 && Items() != expected; ++pass) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    EXPECT_EQ(Items(), expected);
  };
  records->push_back(Record("ttyUSB1"));
  plugEvent((ComNames() + QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1"}));
  records->erase(records->begin());
  plugEvent((ComNames() + QStringList{"/dev/ttyUSB1"}));
  delete watcher;
  ::close(pipeEnds[1]);
}

TEST_F(PortListTest, NoSourceLeavesTheSixteenNames) {
  new PortListWatcher(*combo_, nullptr, nullptr);
  EXPECT_EQ(Items(), ComNames());
}

platform::OpenResult Failed(platform::Error error, const std::string& detail = {}) {
  return platform::OpenResult{nullptr, error, detail};
}

TEST(PortNoticesTest, ALockFolderThatCannotTakeTheLockIsNamedWithTheFix) {
  const testing_support::ScopedLockFolder locks("gui-locks");
  ::setenv("QUORREL_LOCK_DIR", "/nonexistent/quorrel-locks", 1);
  const std::string text = PortOpenNoticeText("/dev/ttyUSB0", Failed(platform::Error::LockFolderUnusable));
  EXPECT_NE(text.find("/nonexistent/quorrel-locks"), std::string::npos) << text;
  EXPECT_NE(text.find("does not exist"), std::string::npos) << text;
  EXPECT_NE(text.find("QUORREL_LOCK_DIR"), std::string::npos) << text;
}

TEST(PortNoticesTest, EachReasonAPortDidNotOpenHasItsLine) {
  const std::string denied = PortOpenNoticeText("\\\\.\\COM12", Failed(platform::Error::PermissionDenied));
  EXPECT_NE(denied.find("COM12"), std::string::npos);
  EXPECT_EQ(denied.find("\\\\.\\"), std::string::npos);
  EXPECT_NE(denied.find("dialout"), std::string::npos);
  const std::string missing = PortOpenNoticeText("/dev/ttyUSB0", Failed(platform::Error::NotFound, "ENOENT"));
  EXPECT_NE(missing.find("/dev/ttyUSB0 could not be opened: there is no such device"), std::string::npos) << missing;
  // A port in use names its holder, as the system said it.
  const std::string busy =
      PortOpenNoticeText("/dev/ttyUSB0", Failed(platform::Error::Busy, "/dev/ttyUSB0 is held by process 42"));
  EXPECT_NE(busy.find("it is in use (/dev/ttyUSB0 is held by process 42)"), std::string::npos) << busy;
  EXPECT_NE(PortOpenNoticeText("", Failed(platform::Error::EmptyName)).find("No port is chosen"), std::string::npos);
  const std::string other = PortOpenNoticeText("rfc2217://lab:4001", Failed(platform::Error::ConnectionFailed, "refused"));
  EXPECT_NE(other.find("rfc2217://lab:4001 could not be opened: " +
                       platform::DescribeOpenError(platform::Error::ConnectionFailed) + " (refused)"),
            std::string::npos)
      << other;
}

platform::OpenResult OpenFor(const std::string& name, const std::shared_ptr<platform::DeviceObserver>& observer) {
  return platform::OpenSerialDevice(name, platform::DeviceUse::Watched, observer);
}

TEST(PortNoticesTest, HearsTheFailedOpensOfItsObserverWhileItLives) {
  gui_test::EnsureQtApplication();
  platform::RegisterPortScheme("denied-test:", [](const std::string& name) {
    return platform::OpenResult{nullptr, platform::Error::PermissionDenied, name};
  });
  std::vector<std::string> shown;
  std::shared_ptr<platform::DeviceObserver> observer;
  {
    QObject parent;
    observer = (new PortNotices(parent, [&](const std::string& text) { shown.push_back(text); }))->Observer();
    EXPECT_FALSE(OpenFor("denied-test:a", observer).device);
    EXPECT_FALSE(OpenFor("nosuchscheme", observer).device);
    EXPECT_FALSE(platform::OpenSerialDevice("denied-test:c").device);  // another dialog's
  }
  // A device that outlives the window reports to nobody.
  EXPECT_FALSE(OpenFor("denied-test:b", observer).device);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NE(shown[0].find("denied-test:a"), std::string::npos);
  EXPECT_NE(shown[1].find("nosuchscheme"), std::string::npos);
}

// File... and the worker say why a port did not open in the status list; no
// message box comes up for it, whichever thread opened.
TEST(PortNoticesTest, WindowSaysWhyInItsStatusListWithoutABoxAndForgetsItWhenClosed) {
  gui_test::EnsureQtApplication();
  platform::RegisterPortScheme("denied-window:", [](const std::string& name) {
    return platform::OpenResult{nullptr, platform::Error::PermissionDenied, name};
  });
  platform::RegisterPortScheme("missing-window:", [](const std::string& name) {
    return platform::OpenResult{nullptr, platform::Error::NotFound, name};
  });
  int boxes = 0;
  QtWindowOptions options;
  options.modalShown = [&](QDialog& box) {
    ++boxes;
    box.reject();
  };
  QStringList lines;
  {
    QtDialogWindow window(platform::kCodePageUtf8, options);
    const auto observer = AttachPorts(window, nullptr, nullptr);
    window.SetShownListener([&] {
      EXPECT_FALSE(OpenFor("denied-window:x", observer).device);
      std::thread([&] { EXPECT_FALSE(OpenFor("missing-window:y", observer).device); }).join();
      // Queued after the lines, so the window ends once they are in.
      QMetaObject::invokeMethod(
          &window.Dialog(), [&] { window.EndDialog(wizard::kResultOk); }, Qt::QueuedConnection);
    });
    window.Run(DialogEvents{});
    auto* list = qobject_cast<QListWidget*>(window.Control(resources::kIdStatusList));
    for (int row = 0; row < list->count(); ++row) lines << list->item(row)->text();
  }
  EXPECT_EQ(boxes, 0);
  ASSERT_EQ(lines.size(), 2) << lines.join('|').toStdString();
  EXPECT_TRUE(lines[0].contains("denied-window:x"));
  EXPECT_TRUE(lines[0].contains("dialout"));
  EXPECT_TRUE(lines[1].contains("missing-window:y could not be opened: there is no such device"));
}

// A device that goes away mid-run is named in the status list, once, from
// whichever thread met it; refused settings are not the window's to say.
TEST(PortNoticesTest, WindowSaysTheDeviceDisappearedInItsStatusList) {
  gui_test::EnsureQtApplication();
  QStringList lines;
  {
    QtDialogWindow window(platform::kCodePageUtf8);
    const auto observer = AttachPorts(window, nullptr, nullptr);
    window.SetShownListener([&] {
      std::thread([&] {
        observer->LineInTrouble("/dev/ttyUSB0", platform::LineTrouble::SettingsRefused, "9600 8E1");
        observer->LineInTrouble("/dev/ttyUSB0", platform::LineTrouble::Lost, "Input/output error");
      }).join();
      QMetaObject::invokeMethod(
          &window.Dialog(), [&] { window.EndDialog(wizard::kResultOk); }, Qt::QueuedConnection);
    });
    window.Run(DialogEvents{});
    auto* list = qobject_cast<QListWidget*>(window.Control(resources::kIdStatusList));
    for (int row = 0; row < list->count(); ++row) lines << list->item(row)->text();
  }
  ASSERT_EQ(lines.size(), 1) << lines.join('|').toStdString();
  EXPECT_EQ(lines[0].toStdString(),
            "The device /dev/ttyUSB0 disappeared (Input/output error): check the cable and the adapter.");
}

// The window's port texts come from the language file like every other text.
TEST(PortTextsTest, ComeFromTheLanguageFileInItsCodePage) {
  i18n::LanguageTable korean(platform::kCodePageUtf8);
  korean.Load(QUORREL_SOURCE_DIR "/data/", 1042);
  const PortTexts texts = PortTextsFrom(korean);
  EXPECT_EQ(texts.stableNameTip, QString::fromUtf8("고정 이름: "));
  const std::string text = PortOpenNoticeText("/dev/ttyUSB0", Failed(platform::Error::PermissionDenied), texts);
  EXPECT_NE(text.find("포트 /dev/ttyUSB0"), std::string::npos) << text;
  const std::string gone = DeviceLostText("/dev/ttyUSB0", "EIO", texts);
  EXPECT_NE(gone.find("장치 /dev/ttyUSB0"), std::string::npos) << gone;
}

}  // namespace
}  // namespace gui
