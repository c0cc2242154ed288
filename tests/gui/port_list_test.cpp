// The window's port list: COM1 to COM16 first and in order, nothing chosen at
// start, the ports found after them with their adapter in a tooltip, the
// list following plugs and pulls, and the permission message.

#include <QComboBox>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>

#include "gui/port_list_watcher.h"
#include "gui/port_open_notice.h"
#include "gui/qt_application.h"
#include "gui/qt_dialog_window.h"
#include "i18n/language_table.h"
#include "platform/port_names.h"
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

TEST(PortOpenNoticeTest, PermissionIsExplainedAndAMissingDeviceIsNot) {
  const std::string text = PortOpenNoticeText("\\\\.\\COM12", platform::Error::PermissionDenied);
  EXPECT_NE(text.find("COM12"), std::string::npos);
  EXPECT_EQ(text.find("\\\\.\\"), std::string::npos);
  EXPECT_NE(text.find("dialout"), std::string::npos);
  EXPECT_TRUE(PortOpenNoticeText("/dev/ttyUSB0", platform::Error::NotFound).empty());
  EXPECT_TRUE(PortOpenNoticeText("/dev/ttyUSB0", platform::Error::Busy).empty());
}

TEST(PortOpenNoticeTest, ALockFolderThatCannotTakeTheLockIsNamedWithTheFix) {
  const testing_support::ScopedLockFolder locks("gui-locks");
  ::setenv("QUORREL_LOCK_DIR", "/nonexistent/quorrel-locks", 1);
  const std::string text = PortOpenNoticeText("/dev/ttyUSB0", platform::Error::LockFolderUnusable);
  EXPECT_NE(text.find("/nonexistent/quorrel-locks"), std::string::npos) << text;
  EXPECT_NE(text.find("does not exist"), std::string::npos) << text;
  EXPECT_NE(text.find("QUORREL_LOCK_DIR"), std::string::npos) << text;
}

TEST(PortOpenNoticeTest, ListensToFailedOpensWhileItLives) {
  gui_test::EnsureQtApplication();
  platform::RegisterPortScheme("denied-test:", [](const std::string& name) {
    return platform::OpenResult{nullptr, platform::Error::PermissionDenied, name};
  });
  std::vector<std::string> shown;
  {
    QObject parent;
    new PortOpenNotice(parent, [&](const std::string& text) { shown.push_back(text); });
    EXPECT_FALSE(platform::OpenSerialDevice("denied-test:a").device);
    EXPECT_FALSE(platform::OpenSerialDevice("nosuchscheme").device);
  }
  EXPECT_FALSE(platform::OpenSerialDevice("denied-test:b").device);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find("denied-test:a"), std::string::npos);
}

TEST(PortOpenNoticeTest, WindowShowsTheFixInAStopBoxAndForgetsItWhenClosed) {
  gui_test::EnsureQtApplication();
  platform::RegisterPortScheme("denied-window:", [](const std::string& name) {
    return platform::OpenResult{nullptr, platform::Error::PermissionDenied, name};
  });
  std::vector<QString> texts;
  QtWindowOptions options;
  options.modalShown = [&](QDialog& box) {
    auto& message = dynamic_cast<QMessageBox&>(box);
    texts.push_back(message.text());
    EXPECT_EQ(message.icon(), QMessageBox::Critical);
    EXPECT_EQ(message.windowTitle(), QString(kNoticeCaption));
    message.button(QMessageBox::Ok)->click();
  };
  {
    QtDialogWindow window(platform::kCodePageUtf8, options);
    AttachPorts(window, nullptr, nullptr);
    EXPECT_FALSE(platform::OpenSerialDevice("denied-window:x").device);
  }
  EXPECT_FALSE(platform::OpenSerialDevice("denied-window:y").device);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_TRUE(texts[0].contains("denied-window:x"));
  EXPECT_TRUE(texts[0].contains("dialout"));
}

// The window's port texts come from the language file like every other text.
TEST(PortTextsTest, ComeFromTheLanguageFileInItsCodePage) {
  i18n::LanguageTable korean(platform::kCodePageUtf8);
  korean.Load(QUORREL_SOURCE_DIR "/data/", 1042);
  const PortTexts texts = PortTextsFrom(korean);
  EXPECT_EQ(texts.stableNameTip, QString::fromUtf8("고정 이름: "));
  const std::string text = PortOpenNoticeText("/dev/ttyUSB0", platform::Error::PermissionDenied, texts);
  EXPECT_NE(text.find("포트 /dev/ttyUSB0"), std::string::npos) << text;
}

}  // namespace
}  // namespace gui
