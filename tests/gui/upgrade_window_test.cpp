// The upgrade dialog in the Qt window, offscreen: captions on the real
// widgets, the system menu, and a whole upgrade of a simulated interface by
// clicking the buttons.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <functional>

#include "gui/qt_application.h"
#include "app/dialog_setup.h"
#include "gui/port_list_watcher.h"
#include "gui/qt_dialog_window.h"
#include "i18n/language_table.h"
#include "i18n/notices.h"
#include "platform/clock.h"
#include "platform/stop_signals.h"
#include "resources/dialog_ids.h"
#include "sim/sim_interface.h"
#include "sim/sim_ports.h"
#include "wizard/test_support.h"
#include "wizard/upgrade_dialog.h"

namespace {

using namespace resources;
using wizard::testing::BaseFolder;
using wizard::testing::Segments;

class UpgradeWindow : public gui_test::WithQtApplication, public ::testing::Test {
 protected:
  UpgradeWindow() {
    ::setenv("QUORREL_COM3", "sim:model=Apex,serial=QRA1234567", 1);
    table_.Load(QUORREL_SOURCE_DIR "/data/", 1033);
  }

  wizard::DialogContext Context(const i18n::LanguageTable& table, const wizard::DialogOptions& options = {}) const {
    return app::MakeDialogContext(app::Layout{base_.Path(), base_.PatchPath()}, table, options);
  }
  // Runs the dialog in a window whose modal boxes `answer` answers; `steps`
  // run once the window is up. Ends it with Cancel if the steps left it open.
  int Run(const wizard::DialogContext& context, const std::function<void()>& steps,
          std::function<void(QDialog&)> answer = {}) {
    gui::QtWindowOptions options;
    options.clockTimers = true;
    options.modalShown = std::move(answer);
    window_ = std::make_unique<gui::QtDialogWindow>(platform::kCodePageUtf8, options);
    dialog_ = std::make_unique<wizard::UpgradeDialog>(*window_, context);
    window_->SetShownListener([&] {
      steps();
      if (!dialog_->Busy() && window_->Dialog().isVisible()) window_->EndDialog(wizard::kResultCancel);
    });
    const int result = window_->RunModal(*dialog_);
    dialog_.reset();  // joins the worker
    return result;
  }
  template <class Widget>
  Widget* Get(int id) const {
    return qobject_cast<Widget*>(window_->Control(id));
  }
  QString Text(i18n::Entry entry) const { return QString::fromStdString(table_.GetText(entry)); }

  platform::ScopedClock clock_{platform::MakeVirtualClock()};
  sim::ScopedSimInterfaces sims_;
  BaseFolder base_;
  i18n::LanguageTable table_{platform::kCodePageUtf8};
  std::unique_ptr<gui::QtDialogWindow> window_;
  std::unique_ptr<wizard::UpgradeDialog> dialog_;
};

// A stop asked for by the system (a signal) closes an idle window by itself.
TEST_F(UpgradeWindow, AStopRequestEndsTheWindowWhenNoUpgradeRuns) {
  wizard::StopRequest stop;
  wizard::DialogOptions dialogOptions;
  dialogOptions.stopRequest = &stop;
  const wizard::DialogContext context = Context(table_, dialogOptions);
  gui::QtWindowOptions options;
  options.clockTimers = true;
  window_ = std::make_unique<gui::QtDialogWindow>(platform::kCodePageUtf8, options);
  dialog_ = std::make_unique<wizard::UpgradeDialog>(*window_, context);
  window_->SetShownListener([&] { stop.Request(); });
  EXPECT_EQ(window_->RunModal(*dialog_), wizard::kResultCancel);
  dialog_.reset();
}

TEST_F(UpgradeWindow, CaptionsComeFromTheLanguageFile) {
  ASSERT_FALSE(Text(i18n::DialogTitle).isEmpty());
  Run(Context(table_), [&] {
    EXPECT_EQ(window_->Dialog().windowTitle(), Text(i18n::DialogTitle));
    EXPECT_EQ(Get<QGroupBox>(kIdGroupBox)->title(), Text(i18n::GroupCaption1));
    EXPECT_EQ(Get<QLabel>(kIdPortLabel)->text(), Text(i18n::StaticCaption1));
    EXPECT_EQ(Get<QLabel>(kIdKindCaption)->text(), Text(i18n::StaticCaption2));
    EXPECT_EQ(Get<QLabel>(kIdFileCaption)->text(), Text(i18n::StaticCaption3));
    EXPECT_EQ(Get<QLabel>(kIdSerialCaption)->text(), Text(i18n::StaticCaption4));
    EXPECT_EQ(Get<QLabel>(kIdStatusCaption)->text(), Text(i18n::StaticCaption5));
    EXPECT_EQ(Get<QPushButton>(kIdFileButton)->text(), Text(i18n::ButtonCaption1));
    EXPECT_EQ(Get<QPushButton>(kIdUpgradeButton)->text(), Text(i18n::ButtonCaption2));
    EXPECT_EQ(Get<QPushButton>(kIdOk)->text(), Text(i18n::ButtonCaption3));
    // After initialisation: the port list shown with nothing chosen, the port
    // field hidden, Upgrade disabled.
    EXPECT_FALSE(Get<QComboBox>(kIdPortCombo)->isHidden());
    EXPECT_EQ(Get<QComboBox>(kIdPortCombo)->currentIndex(), -1);
    EXPECT_TRUE(window_->Control(kIdPortEdit)->isHidden());
    EXPECT_FALSE(Get<QPushButton>(kIdUpgradeButton)->isEnabled());
    EXPECT_TRUE(Get<QPushButton>(kIdFileButton)->isEnabled());
    EXPECT_FALSE(window_->Dialog().windowIcon().isNull());
  });
}

TEST_F(UpgradeWindow, WithoutALanguageFileCaptionsAreBlankAndBoxesKeepTheirCaption) {
  QString boxCaption;
  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  Run(
      [&] {
        wizard::DialogContext context = Context(table_);
        context.languageTable = nullptr;  // no language file at all
        return context;
      }(),
      [&] {
        EXPECT_EQ(window_->Dialog().windowTitle(), QString());
        EXPECT_EQ(Get<QGroupBox>(kIdGroupBox)->title(), QString());
        EXPECT_EQ(Get<QPushButton>(kIdOk)->text(), QString());
        EXPECT_EQ(Get<QLabel>(kIdStatusCaption)->text(), QString());
        window_->SystemMenu().actions().last()->trigger();  // Interface Recovery
      },
      [&](QDialog& box) {
        auto& message = dynamic_cast<QMessageBox&>(box);
        boxCaption = message.windowTitle();
        boxIcon = message.icon();
        message.button(QMessageBox::Yes)->click();
      });
  EXPECT_EQ(boxCaption, QStringLiteral("Quorrel Upgrade Wizard"));
  EXPECT_EQ(boxIcon, QMessageBox::Critical);
}

TEST_F(UpgradeWindow, SystemMenuOffersHelpAboutAndRecoveryInOrder) {
  QStringList texts;
  std::vector<int> commands;
  bool recovery = false;
  QString aboutCaption;
  Run(
      Context(table_),
      [&] {
        for (const QAction* action : window_->SystemMenu().actions()) {
          texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
          commands.push_back(action->data().toInt());
        }
        const auto actions = window_->SystemMenu().actions();
        actions[2]->trigger();  // Help: nothing happens
        actions[3]->trigger();  // About
        actions[4]->trigger();  // Recovery, answered Yes
        actions[4]->trigger();  // again, answered No: recovery stays on
        recovery = dialog_->RecoveryMode();
      },
      [&, answers = 0](QDialog& box) mutable {
        if (auto* message = qobject_cast<QMessageBox*>(&box)) {
          message->button(answers++ == 0 ? QMessageBox::Yes : QMessageBox::No)->click();
        } else {
          aboutCaption = box.windowTitle();
          box.findChild<QPushButton*>()->click();
        }
      });
  EXPECT_EQ(texts, (QStringList{QStringLiteral("&Close"), QStringLiteral("-"), QStringLiteral("Help(&H)..."),
                                QStringLiteral("&About Halvik..."), QStringLiteral("Interface Recovery(&R)")}));
  EXPECT_EQ(commands[2], kCmdHelp);
  EXPECT_EQ(commands[3], kCmdAbout);
  EXPECT_EQ(commands[4], kCmdRecovery);
  EXPECT_EQ(aboutCaption, QStringLiteral("About Halvik"));
  EXPECT_TRUE(recovery);
}

// A person at the keyboard: the port list, the first control, has the focus
// at start and the style is told to draw it; Interface Recovery is reached
// by keys alone, the menu's letter and the box's Yes, from either key a
// window manager leaves to the program.
TEST_F(UpgradeWindow, AtTheKeyboardThePortListShowsItsFocusAndRecoveryIsReachedByKeys) {
  for (const QKeyCombination key : {QKeyCombination(Qt::Key_Menu), Qt::SHIFT | Qt::Key_F10}) {
    const QWidget* focused = nullptr;
    QStyle::State portListState = QStyle::State_None;
    bool recovery = false;
    Run(
        Context(table_),
        [&] {
          QApplication::processEvents();
          focused = QApplication::focusWidget();
          QStyleOptionComboBox option;
          option.initFrom(Get<QComboBox>(kIdPortCombo));
          portListState = option.state;
          QTest::keyClick(&window_->Dialog(), key.key(), key.keyboardModifiers());
          QTest::keyClick(&window_->SystemMenu(), Qt::Key_R);
          recovery = dialog_->RecoveryMode();
        },
        [](QDialog& box) { dynamic_cast<QMessageBox&>(box).button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(focused, Get<QComboBox>(kIdPortCombo)) << key.key();
    EXPECT_TRUE(portListState & QStyle::State_HasFocus) << key.key();
    EXPECT_TRUE(portListState & QStyle::State_KeyboardFocusChange) << key.key();
    EXPECT_TRUE(recovery) << key.key();
  }
}

TEST_F(UpgradeWindow, WholeUpgradeByClickingTheButtons) {
  const Segments image = wizard::testing::MakeApplication(7);
  const std::string imagePath = base_.AddImage("Image/Apex/QRA0200.mbl", image);
  QString chooserFolder;
  QStringList messages;
  bool heldOpenWhileBusy = false;
  bool exitDisabledWhileBusy = false;
  const int result = Run(
      Context(table_),
      [&] {
        Get<QComboBox>(kIdPortCombo)->setCurrentIndex(2);  // COM3
        Get<QPushButton>(kIdFileButton)->click();
        EXPECT_EQ(Get<QLabel>(kIdKindLabel)->text(), QStringLiteral("Quorrel Apex"));
        EXPECT_TRUE(Get<QPushButton>(kIdUpgradeButton)->isEnabled());
        EXPECT_FALSE(Get<QPushButton>(kIdFileButton)->isEnabled());
        Get<QPushButton>(kIdUpgradeButton)->click();
      },
      [&](QDialog& box) {
        if (auto* chooser = qobject_cast<QFileDialog*>(&box)) {
          chooserFolder = chooser->directory().absolutePath();
          chooser->selectFile(QString::fromStdString(imagePath));
          static_cast<QDialog*>(chooser)->accept();
          return;
        }
        auto& message = dynamic_cast<QMessageBox&>(box);
        messages << message.text();
        // The success box holds the worker while the dialog is busy: Exit,
        // Escape and the close box leave the window open.
        exitDisabledWhileBusy = !Get<QPushButton>(kIdOk)->isEnabled();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&window_->Dialog(), &escape);
        window_->Dialog().close();
        heldOpenWhileBusy = window_->Dialog().isVisible();
        message.button(QMessageBox::Ok)->click();
      });

  EXPECT_EQ(result, wizard::kResultOk);  // the closing timer ended it
  EXPECT_EQ(chooserFolder.toStdString() + "/", base_.Path() + "Image/Apex/");
  EXPECT_EQ(messages, QStringList{Text(i18n::prjProDlg4)});
  EXPECT_TRUE(heldOpenWhileBusy);
  EXPECT_TRUE(exitDisabledWhileBusy);

  const auto device = sim::FindSimInterface("COM3");
  for (const auto& [address, bytes] : image) EXPECT_EQ(device->ReadMemory(address, bytes.size()), bytes);
  EXPECT_EQ(device->SerialNumber(), "QRA1234567");
  EXPECT_FALSE(device->InLoader());

  EXPECT_EQ(Get<QLabel>(kIdSerialLabel)->text(), QStringLiteral("QRA1234567"));
  EXPECT_EQ(Get<QLineEdit>(kIdFileEdit)->text(), QStringLiteral("QRA0200.mbl"));
  auto* list = Get<QListWidget>(kIdStatusList);
  ASSERT_GT(list->count(), 0);
  EXPECT_EQ(list->item(0)->text(), Text(i18n::UpgradeList1));
  EXPECT_EQ(list->item(list->count() - 1)->text(), Text(i18n::UpgradeList18));
  auto* bar = Get<QProgressBar>(kIdProgressBar);
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
}

}  // namespace

namespace {

// A stop raised by a signal while the image is programmed: the upgrade ends
// after its block, and the window, unlike the terminal, goes on.
class StoppedWindow : public UpgradeWindow {
 protected:
  StoppedWindow() {
    image_ = wizard::testing::MakeApplication(7);
    imagePath_ = base_.AddImage("Image/Apex/QRA0200.mbl", image_);
    recoveryImagePath_ = base_.AddImage("Image/QRA0200.mbl", image_);
  }
  // Opens the window on COM3 with the stop following signals; `steps` run
  // once the window is up, `answer` answers what the chooser and the boxes
  // ask after the first image.
  int RunWithSignals(const std::function<void()>& steps, const std::function<void(QDialog&)>& answer = {}) {
    wizard::DialogOptions dialogOptions;
    dialogOptions.stopRequest = &stop_;
    gui::QtWindowOptions options;
    options.clockTimers = true;
    options.stopRequest = &stop_;
    options.modalShown = [&, first = true](QDialog& box) mutable {
      auto* chooser = qobject_cast<QFileDialog*>(&box);
      if (chooser && first) {
        first = false;
        chooser->selectFile(QString::fromStdString(imagePath_));
        static_cast<QDialog*>(chooser)->accept();
      } else if (answer) {
        answer(box);
      }
    };
    window_ = std::make_unique<gui::QtDialogWindow>(platform::kCodePageUtf8, options);
    dialog_ = std::make_unique<wizard::UpgradeDialog>(*window_, Context(table_, dialogOptions));
    // The first image line that moves the bar brings the signal.
    QObject::connect(Get<QProgressBar>(kIdProgressBar), &QProgressBar::valueChanged, [this](int value) {
      if (value > 0 && !signalled_) {
        signalled_ = true;
        std::raise(SIGTERM);
      }
    });
    window_->SetShownListener([&] {
      Get<QComboBox>(kIdPortCombo)->setCurrentIndex(2);  // COM3
      Get<QPushButton>(kIdFileButton)->click();
      Get<QPushButton>(kIdUpgradeButton)->click();
      // The worker ends after its block; the window takes the stop back.
      ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog_->Busy() && !dialog_->WorkerRunning() && !stop_.Requested(); },
                                  30'000));
      steps();
    });
    const int result = window_->RunModal(*dialog_);
    dialog_.reset();
    return result;
  }
  QString LastStatusLine() const {
    auto* list = Get<QListWidget>(kIdStatusList);
    for (int row = list->count() - 1; row >= 0; --row) {
      if (!list->item(row)->text().isEmpty()) return list->item(row)->text();
    }
    return {};
  }

  const platform::ScopedStopSignals signals_;
  wizard::StopRequest stop_{/*followSignals=*/true};
  bool signalled_ = false;
  Segments image_;
  std::string imagePath_, recoveryImagePath_;
};

TEST_F(StoppedWindow, ASignalInTheLoaderLeavesTheWindowOpenWithTheNumberForRecovery) {
  const auto device = sim::FindSimInterface("COM3");
  int successBoxes = 0;
  const int result = RunWithSignals(
      [&] {
        EXPECT_EQ(dialog_->LastUpgrade(), wizard::UpgradeOutcome::StoppedInLoader);
        EXPECT_TRUE(sim::FindSimInterface("COM3")->InLoader());
        const std::string word =
            i18n::FillIn(table_.GetText(i18n::StoppedInLoaderWindow), {{"serial", "QRA1234567"}});
        EXPECT_EQ(LastStatusLine(), QString::fromStdString(word));
        EXPECT_EQ(Get<QLabel>(kIdSerialLabel)->text(), QStringLiteral("QRA1234567"));
        EXPECT_EQ(dialog_->RecoverySerialNumber(), "QRA1234567");
        // Polls of the stop come and go; the window stays.
        QTest::qWait(700);
        EXPECT_TRUE(window_->Dialog().isVisible());
        EXPECT_TRUE(Get<QPushButton>(kIdUpgradeButton)->isEnabled());

        // Interface Recovery finishes the job with the number kept.
        window_->SystemMenu().actions().last()->trigger();
        ASSERT_TRUE(dialog_->RecoveryMode());
        Get<QPushButton>(kIdUpgradeButton)->click();
      },
      [&](QDialog& box) {
        auto& message = dynamic_cast<QMessageBox&>(box);
        if (message.text() == Text(i18n::prjProDlg4)) ++successBoxes;
        message.button(message.buttons().contains(message.button(QMessageBox::Yes)) ? QMessageBox::Yes
                                                                                    : QMessageBox::Ok)
            ->click();
      });
  EXPECT_EQ(result, wizard::kResultOk);  // the closing timer of the recovery's success
  EXPECT_EQ(successBoxes, 1);
  const auto recovered = sim::FindSimInterface("COM3");
  EXPECT_FALSE(recovered->InLoader());
  EXPECT_EQ(recovered->SerialNumber(), "QRA1234567");
  for (const auto& [address, bytes] : image_) EXPECT_EQ(recovered->ReadMemory(address, bytes.size()), bytes);
}

TEST_F(StoppedWindow, ASecondSignalWhileTheWindowRestsClosesIt) {
  const int result = RunWithSignals([&] {
    ASSERT_EQ(dialog_->LastUpgrade(), wizard::UpgradeOutcome::StoppedInLoader);
    std::raise(SIGHUP);
  });
  EXPECT_EQ(result, wizard::kResultCancel);
}

// The question names both models and answers No to Enter: nothing is
// erased. Yes takes the image, and it is programmed.
TEST_F(UpgradeWindow, AnImageForAnotherModelIsAskedAboutNoByDefault) {
  const Segments tern = wizard::testing::MakeApplication(21);
  const std::string ternPath = base_.AddImage("Image/Tern/QRT0105.mbl", tern);
  const auto device = [] { return sim::FindSimInterface("COM3"); };
  QStringList questions;
  bool defaultIsNo = false;
  bool warns = false;
  int answered = 0;
  const int result = Run(
      Context(table_),
      [&] {
        Get<QComboBox>(kIdPortCombo)->setCurrentIndex(2);  // COM3
        Get<QPushButton>(kIdFileButton)->click();
        EXPECT_FALSE(Get<QPushButton>(kIdUpgradeButton)->isEnabled());
        EXPECT_TRUE(Get<QPushButton>(kIdFileButton)->isEnabled());
        EXPECT_TRUE(device()->LoaderCommands().empty());
        Get<QPushButton>(kIdFileButton)->click();
        ASSERT_TRUE(Get<QPushButton>(kIdUpgradeButton)->isEnabled());
        Get<QPushButton>(kIdUpgradeButton)->click();
      },
      [&](QDialog& box) {
        if (auto* chooser = qobject_cast<QFileDialog*>(&box)) {
          chooser->selectFile(QString::fromStdString(ternPath));
          static_cast<QDialog*>(chooser)->accept();
          return;
        }
        auto& message = dynamic_cast<QMessageBox&>(box);
        if (message.text() == Text(i18n::prjProDlg4)) {
          message.button(QMessageBox::Ok)->click();
          return;
        }
        questions << message.text();
        defaultIsNo = message.defaultButton() == message.button(QMessageBox::No);
        warns = message.icon() == QMessageBox::Warning;
        if (answered++ == 0) {
          QTest::keyClick(&message, Qt::Key_Return);  // the default
        } else {
          message.button(QMessageBox::Yes)->click();
        }
      });
  EXPECT_EQ(result, wizard::kResultOk);
  ASSERT_EQ(questions.size(), 2);
  EXPECT_TRUE(questions[0].contains("Quorrel Apex"));
  EXPECT_TRUE(questions[0].contains("Quorrel Tern"));
  EXPECT_TRUE(questions[0].contains("QRT0105.mbl"));
  EXPECT_TRUE(defaultIsNo);
  EXPECT_TRUE(warns);
  for (const auto& [address, bytes] : tern) EXPECT_EQ(device()->ReadMemory(address, bytes.size()), bytes);
  EXPECT_EQ(device()->SerialNumber(), "QRA1234567");
}

// File... says in the status list why the port did not open, with no box.
TEST_F(UpgradeWindow, FileSaysWhyThePortDidNotOpen) {
  gui::QtWindowOptions options;
  options.clockTimers = true;
  int boxes = 0;
  options.modalShown = [&](QDialog& box) {
    ++boxes;
    box.reject();
  };
  window_ = std::make_unique<gui::QtDialogWindow>(platform::kCodePageUtf8, options);
  wizard::DialogOptions dialogOptions;
  dialogOptions.deviceObserver = gui::AttachPorts(*window_, nullptr, nullptr, gui::PortTextsFrom(table_));
  dialog_ = std::make_unique<wizard::UpgradeDialog>(*window_, Context(table_, dialogOptions));
  QStringList lines;
  const auto listed = [&] {
    lines.clear();
    auto* list = Get<QListWidget>(kIdStatusList);
    for (int row = 0; row < list->count(); ++row) lines << list->item(row)->text();
    return lines;
  };
  window_->SetShownListener([&] {
    Get<QPushButton>(kIdFileButton)->click();  // no port chosen
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed().size() == 1; }, 5'000));
    Get<QComboBox>(kIdPortCombo)->setCurrentIndex(2);  // COM3, held by another program
    sim::AttachSimInterface("COM3", std::make_shared<sim::SimInterface>(sim::SimOptions{}));
    auto other = sim::FindSimInterface("COM3")->Open();
    ASSERT_TRUE(other.device);
    Get<QPushButton>(kIdFileButton)->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return listed().size() == 2; }, 5'000));
    window_->EndDialog(wizard::kResultCancel);
  });
  window_->RunModal(*dialog_);
  dialog_.reset();
  EXPECT_EQ(boxes, 0);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], Text(i18n::NoPortChosen));
  EXPECT_EQ(lines[1].toStdString(), i18n::FillIn(table_.GetText(i18n::PortBusy),
                                                 {{"port", "COM3"}, {"error", "the simulated interface is open already"}}));
}

}  // namespace
