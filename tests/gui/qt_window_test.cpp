// The Qt window host with handlers of the test's own: event routing, the
// system menu, modal boxes, timers and calls from another thread.

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QScrollBar>
#include <QTimer>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "gui/qt_application.h"
#include "gui/qt_dialog_window.h"
#include "platform/clock.h"
#include "resources/dialog_ids.h"

namespace {

using wizard::kResultCancel;
using wizard::kResultOk;

constexpr platform::CodePage kUtf8 = platform::kCodePageUtf8;

gui::QtWindowOptions ClockTimers() {
  gui::QtWindowOptions options;
  options.clockTimers = true;
  return options;
}

// A person answering every modal box the window runs.
gui::QtWindowOptions Answering(std::function<void(QDialog&)> answer) {
  gui::QtWindowOptions options;
  options.modalShown = std::move(answer);
  return options;
}

void Accept(QFileDialog& chooser) { static_cast<QDialog&>(chooser).accept(); }

// Records what the window delivers; ends the run the way the upgrade dialog
// does: OK and Cancel end it unless busy.
struct FakeDialog {
  gui::QtDialogWindow* window = nullptr;
  bool busy = false;
  std::vector<std::string> delivered;
  std::vector<int> commands;

  gui::DialogEvents Events() {
    gui::DialogEvents events;
    events.fileButton = [this] { delivered.push_back("file"); };
    events.upgradeButton = [this] { delivered.push_back("upgrade"); };
    events.ok = [this] {
      delivered.push_back("ok");
      if (!busy) window->EndDialog(kResultOk);
    };
    events.cancel = [this] {
      delivered.push_back("cancel");
      if (!busy) window->EndDialog(kResultCancel);
    };
    events.timer = [this](int id) { delivered.push_back("timer " + std::to_string(id)); };
    events.sysCommand = [this](int command) {
      commands.push_back(command);
      return command == resources::kCmdHelp;
    };
    return events;
  }
};

class QtWindow : public gui_test::WithQtApplication, public ::testing::Test {
 protected:
  void SetUp() override {
    gui_test::EnsureQtApplication();
    fake.window = &window;
  }
  // Runs the dialog, doing `steps` once its loop runs; ends it afterwards
  // if the steps left it open.
  int RunWith(const std::function<void()>& steps, gui::DialogEvents events) {
    window.SetShownListener([&] {
      steps();
      if (window.Dialog().isVisible()) window.EndDialog(99);
    });
    return window.Run(std::move(events));
  }
  int RunWith(const std::function<void()>& steps) { return RunWith(steps, fake.Events()); }

  template <class Widget>
  Widget* Get(int id) {
    return qobject_cast<Widget*>(window.Control(id));
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(&window.Dialog(), &press);
  }

  gui::QtDialogWindow window{kUtf8, ClockTimers()};
  FakeDialog fake;
};

TEST_F(QtWindow, ButtonsAndKeysReachTheirHandlers) {
  const int result = RunWith([&] {
    fake.busy = true;
    Get<QPushButton>(resources::kIdFileButton)->click();
    Get<QPushButton>(resources::kIdUpgradeButton)->click();
    Get<QPushButton>(resources::kIdOk)->click();
    Key(Qt::Key_Escape);
    Get<QListWidget>(resources::kIdStatusList)->setFocus();
    Key(Qt::Key_Return);  // Enter away from a button is the OK command
    Get<QPushButton>(resources::kIdFileButton)->setFocus();
    Key(Qt::Key_Return);  // a focused button takes Enter
    fake.busy = false;
    Get<QPushButton>(resources::kIdOk)->click();
  });
  EXPECT_EQ(result, kResultOk);
  EXPECT_EQ(fake.delivered, (std::vector<std::string>{"file", "upgrade", "ok", "cancel", "ok", "file", "ok"}));
}

TEST_F(QtWindow, WhileBusyExitEscapeAndTheCloseBoxLeaveTheWindowOpen) {
  bool stillOpen = false;
  const int result = RunWith([&] {
    fake.busy = true;
    Get<QPushButton>(resources::kIdOk)->click();
    Key(Qt::Key_Escape);
    window.Dialog().close();  // the window manager's close box
    QApplication::processEvents();
    stillOpen = window.Dialog().isVisible();
    fake.busy = false;
    window.Dialog().close();
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(result, kResultCancel);
  EXPECT_EQ(fake.delivered, (std::vector<std::string>{"ok", "cancel", "cancel", "cancel"}));
}

TEST_F(QtWindow, TextsCrossInTheCodePage) {
  gui::QtDialogWindow western(platform::kCodePageWestern);
  // "Interface réglage" in the Western code page: é is one byte, 0xE9.
  western.SetControlText(resources::kIdGroupBox, "Interface r\xE9glage");
  EXPECT_EQ(qobject_cast<QGroupBox*>(western.Control(resources::kIdGroupBox))->title(),
            QString::fromUtf8("Interface réglage"));
  EXPECT_EQ(western.GetControlText(resources::kIdGroupBox), "Interface r\xE9glage");
  western.SetWindowText("");
  EXPECT_EQ(western.GetWindowText(), "");
}

TEST_F(QtWindow, TextsAreShownAsWrittenNeverAsMarkup) {
  window.SetControlText(resources::kIdKindLabel, "<b>Quorrel</b> & <i>Apex</i>");
  auto* label = Get<QLabel>(resources::kIdKindLabel);
  EXPECT_EQ(label->textFormat(), Qt::PlainText);
  EXPECT_EQ(window.GetControlText(resources::kIdKindLabel), "<b>Quorrel</b> & <i>Apex</i>");
  Qt::TextFormat boxFormat = Qt::RichText;
  gui::QtDialogWindow boxes(kUtf8, Answering([&](QDialog& box) {
    auto& message = dynamic_cast<QMessageBox&>(box);
    boxFormat = message.textFormat();
    message.button(QMessageBox::Ok)->click();
  }));
  boxes.MessageBox("<img src=x>", "c", wizard::MessageButtons::Ok, wizard::MessageIcon::None);
  EXPECT_EQ(boxFormat, Qt::PlainText);
}

TEST_F(QtWindow, ControlOperationsActOnTheirWidgets) {
  window.SetControlText(resources::kIdKindLabel, "Quorrel Apex");
  EXPECT_EQ(Get<QLabel>(resources::kIdKindLabel)->text(), QStringLiteral("Quorrel Apex"));
  window.SetControlText(resources::kIdFileEdit, "QRA0100.mbl");
  EXPECT_EQ(window.GetControlText(resources::kIdFileEdit), "QRA0100.mbl");

  EXPECT_EQ(window.GetControlText(resources::kIdPortCombo), "");  // nothing selected
  Get<QComboBox>(resources::kIdPortCombo)->setCurrentIndex(9);
  EXPECT_EQ(window.GetControlText(resources::kIdPortCombo), "COM10");

  window.EnableControl(resources::kIdUpgradeButton, false);
  EXPECT_FALSE(Get<QPushButton>(resources::kIdUpgradeButton)->isEnabled());
  window.ShowControl(resources::kIdPortEdit, false);
  EXPECT_TRUE(Get<QLineEdit>(resources::kIdPortEdit)->isHidden());

  window.ListAppend(resources::kIdStatusList, "b");
  window.ListAppend(resources::kIdStatusList, "a");
  window.ListAppend(resources::kIdStatusList, "");
  auto* list = Get<QListWidget>(resources::kIdStatusList);
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("b"));  // kept in the order added
  EXPECT_EQ(list->item(2)->text(), QString());
  window.ListClear(resources::kIdStatusList);
  EXPECT_EQ(list->count(), 0);

  auto* bar = Get<QProgressBar>(resources::kIdProgressBar);
  window.SetProgressRange(resources::kIdProgressBar, 0, 6001);
  window.SetProgressPos(resources::kIdProgressBar, 3000);
  EXPECT_EQ(bar->maximum(), 6001);
  EXPECT_EQ(bar->value(), 3000);
  window.SetProgressPos(resources::kIdProgressBar, 9000);  // past the end stops at the end
  EXPECT_EQ(bar->value(), 6001);
  window.SetProgressPos(resources::kIdProgressBar, 0);
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(QtWindow, SystemMenuHoldsCloseThenTheAppendedItemsInOrder) {
  window.AppendSystemMenuSeparator();
  window.AppendSystemMenuItem(resources::kCmdHelp, "Help(&H)...");
  window.AppendSystemMenuItem(resources::kCmdAbout, "&About Halvik...");
  window.AppendSystemMenuItem(resources::kCmdRecovery, "Interface Recovery(&R)");
  const auto actions = window.SystemMenu().actions();
  ASSERT_EQ(actions.size(), 5);
  EXPECT_EQ(actions[0]->text(), QStringLiteral("&Close"));
  EXPECT_TRUE(actions[1]->isSeparator());
  EXPECT_EQ(actions[2]->text(), QStringLiteral("Help(&H)..."));
  EXPECT_EQ(actions[2]->data().toInt(), resources::kCmdHelp);
  EXPECT_EQ(actions[3]->text(), QStringLiteral("&About Halvik..."));
  EXPECT_EQ(actions[3]->data().toInt(), resources::kCmdAbout);
  EXPECT_EQ(actions[4]->text(), QStringLiteral("Interface Recovery(&R)"));
  EXPECT_EQ(actions[4]->data().toInt(), resources::kCmdRecovery);
}

// A window manager keeps Alt+Space for its own menu, so the keyboard's
// context-menu keys reach the dialog's menu too, whichever control has the
// focus; so does a context-menu key the platform reports as such.
TEST_F(QtWindow, SystemMenuOpensFromEveryMenuKeyAndOnTheBackgroundAndDeliversChoices) {
  const std::pair<const char*, QKeyCombination> keys[] = {
      {"Alt+Space", Qt::ALT | Qt::Key_Space},
      {"Menu", QKeyCombination(Qt::Key_Menu)},
      {"Shift+F10", Qt::SHIFT | Qt::Key_F10},
  };
  std::vector<std::string> openedBy;
  const int result = RunWith([&] {
    window.AppendSystemMenuItem(resources::kCmdRecovery, "Interface Recovery(&R)");
    QApplication::setActiveWindow(&window.Dialog());
    for (int focus : {resources::kIdPortCombo, resources::kIdFileEdit, resources::kIdStatusList}) {
      window.Control(focus)->setFocus();
      for (const auto& [name, key] : keys) {
        QTest::keyClick(&window.Dialog(), key.key(), key.keyboardModifiers());
        if (window.SystemMenu().isVisible()) openedBy.push_back(name + std::string(" ") + std::to_string(focus));
        window.SystemMenu().hide();
      }
    }
    QWidget* button = window.Control(resources::kIdUpgradeButton);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(button, &menuKey);
    if (window.SystemMenu().isVisible()) openedBy.push_back("context-menu key");
    window.SystemMenu().hide();
    // Right-click on the picture's area at the bottom left.
    const QPoint background(5, window.Dialog().height() - 60);
    QContextMenuEvent click(QContextMenuEvent::Mouse, background, window.Dialog().mapToGlobal(background));
    QApplication::sendEvent(&window.Dialog(), &click);
    if (window.SystemMenu().isVisible()) openedBy.push_back("right-click");
    window.SystemMenu().hide();
    window.SystemMenu().actions().last()->trigger();
    window.SystemMenu().actions().first()->trigger();  // Close
  });
  std::vector<std::string> expected;
  for (int focus : {resources::kIdPortCombo, resources::kIdFileEdit, resources::kIdStatusList}) {
    for (const auto& [name, key] : keys) expected.push_back(name + std::string(" ") + std::to_string(focus));
  }
  expected.push_back("context-menu key");
  expected.push_back("right-click");
  EXPECT_EQ(openedBy, expected);
  EXPECT_EQ(fake.commands, std::vector<int>{resources::kCmdRecovery});
  EXPECT_EQ(result, kResultCancel);  // Close is the Cancel command
}

// Lines wider than the status list wrap inside it: a sentence at its
// blanks, a path without blanks anywhere. Nothing runs past the right edge,
// each line keeps the rows its text needs, and its last row is drawn, also
// once the vertical scroll bar takes its room.
TEST_F(QtWindow, StatusLinesTooLongForTheListWrapAndShowWhole) {
  const std::string sentence =
      "The serial number QRA1234567 was not written back: the interface runs its new firmware without it. Choose "
      "Interface Recovery in the system menu, then File... and Upgrade, to write it.";
  const std::string path = "/home/technician/.local/share/quorrel-upgrade/Image/Apex/" + std::string(120, 'x') + ".mbl";
  auto* list = Get<QListWidget>(resources::kIdStatusList);
  std::vector<QRect> rects;
  std::vector<bool> lastRowDrawn;
  QRect viewport;
  bool scrollBarShown = false;
  RunWith([&] {
    for (int i = 0; i < 30; ++i) window.ListAppend(resources::kIdStatusList, i % 10 == 0 ? sentence : "short");
    window.ListAppend(resources::kIdStatusList, path);
    window.ListAppend(resources::kIdStatusList, sentence);
    QApplication::processEvents();
    viewport = list->viewport()->rect();
    scrollBarShown = list->verticalScrollBar()->isVisible();
    for (int row : {list->count() - 2, list->count() - 1}) {
      list->scrollToItem(list->item(row));
      const QRect rect = list->visualItemRect(list->item(row));
      rects.push_back(rect);
      // Some ink in the bottom row of the line's rows.
      const QImage drawn = list->viewport()->grab().toImage();

      const int rowHeight = list->fontMetrics().height();
      bool ink = false;
      for (int y = rect.bottom() - rowHeight + 2; y < rect.bottom() - 1; ++y) {
        for (int x = rect.left(); x < rect.right(); ++x) ink = ink || qGray(drawn.pixel(x, y)) < 128;
      }
      lastRowDrawn.push_back(ink);
    }
  });
  EXPECT_TRUE(scrollBarShown);
  EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
  const QFontMetrics metrics = list->fontMetrics();
  const std::pair<std::string, QRect> lines[] = {{path, rects.at(0)}, {sentence, rects.at(1)}};
  for (const auto& [text, rect] : lines) {
    EXPECT_LE(rect.right(), viewport.right()) << text;
    // Far more rows than one: the whole text, wrapped at the list's width.
    const QRect needed = metrics.boundingRect(QRect(0, 0, rect.width() - 8, 10000), Qt::TextWrapAnywhere,
                                              QString::fromStdString(text));
    EXPECT_GE(rect.height(), needed.height()) << text;
    EXPECT_GE(rect.height(), 3 * metrics.height()) << text;
  }
  EXPECT_EQ(lastRowDrawn, (std::vector<bool>{true, true}));
}

TEST_F(QtWindow, MessageBoxesAreTheRealBoxesAnsweredByButton) {
  std::vector<QMessageBox::Icon> icons;
  std::vector<QString> captions;
  gui::QtDialogWindow answering(kUtf8, Answering([&](QDialog& box) {
    auto& message = dynamic_cast<QMessageBox&>(box);
    icons.push_back(message.icon());
    captions.push_back(message.windowTitle());
    const bool yesNo = message.button(QMessageBox::Yes) != nullptr;
    message.button(yesNo ? QMessageBox::Yes : QMessageBox::Ok)->click();
  }));
  EXPECT_EQ(answering.MessageBox("Recover?", "Quorrel Upgrade Wizard", wizard::MessageButtons::YesNo,
                                 wizard::MessageIcon::Stop),
            wizard::MessageResult::Yes);
  EXPECT_EQ(answering.MessageBox("Done", "Quorrel Upgrade Wizard", wizard::MessageButtons::Ok,
                                 wizard::MessageIcon::None),
            wizard::MessageResult::Ok);
  EXPECT_EQ(icons, (std::vector<QMessageBox::Icon>{QMessageBox::Critical, QMessageBox::NoIcon}));
  EXPECT_EQ(captions, (std::vector<QString>{QStringLiteral("Quorrel Upgrade Wizard"), QStringLiteral("Quorrel Upgrade Wizard")}));

  gui::QtDialogWindow refusing(kUtf8, Answering([](QDialog& box) {
    dynamic_cast<QMessageBox&>(box).button(QMessageBox::No)->click();
  }));
  EXPECT_EQ(refusing.MessageBox("Recover?", "c", wizard::MessageButtons::YesNo, wizard::MessageIcon::Stop),
            wizard::MessageResult::No);
}

class Chooser : public QtWindow {
 protected:
  void SetUp() override {
    QtWindow::SetUp();
    ASSERT_TRUE(folder.isValid());
    for (const char* name : {"QRA0100.mbl", "notes.txt", "QRA0200.mbl"}) {
      QFile file(folder.filePath(QString::fromUtf8(name)));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write("q\n");
    }
    request.initialFolder = QFile::encodeName(folder.path()).toStdString() + "/";
    request.filterLabel = "MyType Files (*.mbl)";
    request.defaultExtension = "QRA*.mbl";
  }
  wizard::FileChoice Choose(const std::function<void(QFileDialog&)>& answer) {
    gui::QtDialogWindow chooserWindow(kUtf8, Answering([&](QDialog& box) {
      auto& chooser = dynamic_cast<QFileDialog&>(box);
      seenFolder = chooser.directory().absolutePath();
      seenFilters = chooser.nameFilters();
      if (auto* types = chooser.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) shownType = types->currentText();
      seenSuffix = chooser.defaultSuffix();
      seenFileMode = chooser.fileMode();
      answer(chooser);
    }));
    return chooserWindow.ChooseFile(request);
  }

  QTemporaryDir folder;
  wizard::FileChooserRequest request;
  QString seenFolder;
  QStringList seenFilters;
  QString seenSuffix;
  QString shownType;
  QFileDialog::FileMode seenFileMode{};
};

TEST_F(Chooser, OpensInTheFolderWithTheLabelAloneAndTheModelsSuffix) {
  const wizard::FileChoice choice = Choose([&](QFileDialog& chooser) {
    chooser.selectFile(QStringLiteral("QRA0200.mbl"));
    Accept(chooser);
  });
  EXPECT_EQ(seenFolder, QDir(folder.path()).absolutePath());
  ASSERT_EQ(seenFilters.size(), 1);
  EXPECT_EQ(shownType, QStringLiteral("MyType Files (*.mbl)"));
  EXPECT_EQ(seenSuffix, QStringLiteral("mbl"));
  EXPECT_EQ(seenFileMode, QFileDialog::ExistingFile);
  ASSERT_TRUE(choice.ok);
  EXPECT_EQ(choice.fullPath, QFile::encodeName(folder.filePath(QStringLiteral("QRA0200.mbl"))).toStdString());
  EXPECT_EQ(choice.fileName, "QRA0200.mbl");
}

TEST_F(Chooser, ListsEveryFileAndAnyExistingFileMayBeChosen) {
  QStringList listedPatterns;
  const wizard::FileChoice choice = Choose([&](QFileDialog& chooser) {
    // The label names *.mbl, but the entry's patterns list every file.
    if (auto* model = chooser.findChild<QFileSystemModel*>()) listedPatterns = model->nameFilters();
    chooser.selectFile(QStringLiteral("notes.txt"));
    Accept(chooser);
  });
  EXPECT_EQ(listedPatterns, QStringList{QStringLiteral("*")});
  ASSERT_TRUE(choice.ok);
  EXPECT_EQ(choice.fileName, "notes.txt");
}

TEST_F(Chooser, TypedNameWithoutExtensionGetsTheModelsSuffix) {
  const wizard::FileChoice choice = Choose([&](QFileDialog& chooser) {
    chooser.selectFile(QStringLiteral("QRA0100"));
    Accept(chooser);
  });
  ASSERT_TRUE(choice.ok);
  EXPECT_EQ(choice.fileName, "QRA0100.mbl");
}

TEST_F(Chooser, CancelGivesNoChoice) {
  const wizard::FileChoice choice = Choose([](QFileDialog& chooser) { chooser.reject(); });
  EXPECT_FALSE(choice.ok);
  EXPECT_TRUE(choice.fullPath.empty());
}

TEST_F(QtWindow, AboutBoxIsTemplate100) {
  QString caption;
  QStringList texts;
  bool okIsDefault = false;
  bool hasIcon = false;
  gui::QtDialogWindow aboutWindow(kUtf8, Answering([&](QDialog& box) {
    caption = box.windowTitle();
    for (const QLabel* label : box.findChildren<QLabel*>()) {
      if (!label->text().isEmpty()) texts << label->text();
      if (!label->pixmap().isNull()) hasIcon = true;
    }
    auto* ok = box.findChild<QPushButton*>();
    okIsDefault = ok != nullptr && ok->isDefault() && ok->text() == QStringLiteral("OK");
    ok->click();
  }));
  aboutWindow.RunAboutDialog();
  EXPECT_EQ(caption, QStringLiteral("About Halvik"));
  EXPECT_EQ(texts, QStringList{QStringLiteral("Halvik Version 1.0")});
  EXPECT_TRUE(okIsDefault);
  EXPECT_TRUE(hasIcon);
}

TEST_F(QtWindow, TimersFollowTheClockAndStopWhenAsked) {
  platform::ScopedClock clock(platform::MakeVirtualClock());
  std::vector<platform::Micros> fired;
  auto events = fake.Events();
  events.initDialog = [&] { window.StartTimer(resources::kCloseTimer, 1000); };
  events.timer = [&](int id) {
    fired.push_back(platform::CurrentClock()->Now());
    if (fired.size() == 3) {
      window.StopTimer(id);
      window.EndDialog(kResultOk);
    }
  };
  const platform::Micros start = platform::CurrentClock()->Now();
  EXPECT_EQ(window.Run(events), kResultOk);
  EXPECT_EQ(fired, (std::vector<platform::Micros>{start + 1'000'000, start + 2'000'000, start + 3'000'000}));
}

TEST_F(QtWindow, WorkerCallsAreCarriedOutOnTheDialogsThread) {
  const QThread* dialogThread = QThread::currentThread();
  std::vector<const QThread*> ranOn;
  std::thread worker;
  auto events = fake.Events();
  events.initDialog = [&] {
    worker = std::thread([&] {
      window.ListAppend(resources::kIdStatusList, "from the worker");
      window.SetControlText(resources::kIdSerialLabel, "QRA1234567");
      // Read back through the window: the text is there once the call returned.
      const std::string serial = window.GetControlText(resources::kIdSerialLabel);
      if (serial == "QRA1234567") window.EndDialog(kResultOk);
    });
  };
  auto* list = Get<QListWidget>(resources::kIdStatusList);
  QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list,
                   [&] { ranOn.push_back(QThread::currentThread()); });
  const int result = window.Run(events);
  worker.join();
  EXPECT_EQ(result, kResultOk);
  ASSERT_EQ(ranOn.size(), 1u);
  EXPECT_EQ(ranOn[0], dialogThread);
  EXPECT_EQ(list->count(), 1);
}

TEST_F(QtWindow, CallsAfterTheRunEndedAreDroppedWithoutWaiting) {
  EXPECT_EQ(RunWith([] {}), 99);
  std::string text = "unchanged";
  wizard::MessageResult answer = wizard::MessageResult::Yes;
  std::thread late([&] {
    window.ListAppend(resources::kIdStatusList, "too late");
    text = window.GetControlText(resources::kIdKindLabel);
    answer = window.MessageBox("?", "c", wizard::MessageButtons::YesNo, wizard::MessageIcon::Stop);
  });
  late.join();  // would hang if the calls waited for a loop that no longer runs
  EXPECT_EQ(text, "");
  EXPECT_EQ(answer, wizard::MessageResult::No);
  EXPECT_EQ(Get<QListWidget>(resources::kIdStatusList)->count(), 0);
}

}  // namespace
