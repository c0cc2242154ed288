#include "gui/qt_dialog_window.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "gui/modal_boxes.h"
#include "gui/pictures.h"
#include "gui/window_text.h"
#include "resources/dialog_ids.h"
#include "resources/dialog_templates.h"

namespace gui {
namespace {

// The system menu's own Close entry, by the platform's command number.
constexpr int kCloseCommand = 0xF060;

}  // namespace

QtDialogWindow::QtDialogWindow(platform::CodePage codePage, QtWindowOptions options)
    : codePage_(codePage),
      options_(std::move(options)),
      dialog_(std::make_unique<HostDialog>()),
      calls_(*dialog_),
      timers_(*dialog_, options_.clockTimers) {
  // A modal frame with a caption and a system menu, no minimise or maximise box.
  dialog_->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint);
  controls_ = BuildDialog(*dialog_, resources::MainDialogTemplate());
  ConnectButtons();
  BuildSystemMenu();
  dialog_->SetRequests(HostDialog::Requests{
      [this] { Deliver(events_.ok); },
      [this] { Deliver(events_.cancel); },
      [this](const QPoint& at) { ShowSystemMenu(at); },
  });
  timers_.SetFire([this](int id) {
    if (events_.timer) events_.timer(id);
  });
}

QtDialogWindow::~QtDialogWindow() { timers_.StopAll(); }

int QtDialogWindow::Run(DialogEvents events) {
  events_ = std::move(events);
  endedResult_.reset();
  calls_.Open();
  Deliver(events_.initDialog);
  if (options_.shown) QTimer::singleShot(0, dialog_.get(), options_.shown);
  const int result = endedResult_ ? *endedResult_ : dialog_->exec();
  calls_.Close();
  timers_.StopAll();
  events_ = {};
  return result;
}

QDialog& QtDialogWindow::Dialog() { return *dialog_; }

QWidget* QtDialogWindow::Control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

QMenu& QtDialogWindow::SystemMenu() { return *systemMenu_; }

void QtDialogWindow::ShowSystemMenu(const QPoint& globalPos) { systemMenu_->popup(globalPos); }

void QtDialogWindow::ConnectButtons() {
  const std::pair<int, std::function<void()> DialogEvents::*> routes[] = {
      {resources::kIdFileButton, &DialogEvents::fileButton},
      {resources::kIdUpgradeButton, &DialogEvents::upgradeButton},
      {resources::kIdOk, &DialogEvents::ok},
  };
  for (const auto& [id, handler] : routes) {
    auto* button = qobject_cast<QPushButton*>(Control(id));
    if (!button) continue;
    QObject::connect(button, &QPushButton::clicked, dialog_.get(), [this, handler = handler] { Deliver(events_.*handler); });
  }
}

void QtDialogWindow::BuildSystemMenu() {
  systemMenu_ = new QMenu(dialog_.get());
  systemMenu_->setObjectName(QStringLiteral("systemMenu"));
  QAction* close = systemMenu_->addAction(QObject::tr("&Close"));
  close->setData(kCloseCommand);
  systemMenu_->setDefaultAction(close);
  QObject::connect(systemMenu_, &QMenu::triggered, dialog_.get(),
                   [this](QAction* action) { SystemCommand(action->data().toInt()); });
}

void QtDialogWindow::Deliver(const std::function<void()>& handler) const {
  if (handler) handler();
}

void QtDialogWindow::SystemCommand(int command) const {
  if (command == kCloseCommand) {
    Deliver(events_.cancel);
    return;
  }
  // A command the dialog leaves alone has no default of its own here: the
  // window manager keeps moving and sizing.
  if (events_.sysCommand) events_.sysCommand(command);
}

int QtDialogWindow::RunBox(QDialog& box) {
  if (options_.modalShown) QTimer::singleShot(0, &box, [this, &box] { options_.modalShown(box); });
  return box.exec();
}

void QtDialogWindow::DoSetControlText(int id, const QString& text) {
  QWidget* control = Control(id);
  if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(text);
  } else if (auto* button = qobject_cast<QPushButton*>(control)) {
    button->setText(text);
  } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
    group->setTitle(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
  }
}

QString QtDialogWindow::DoGetControlText(int id) const {
  QWidget* control = Control(id);
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<QPushButton*>(control)) return button->text();
  if (auto* group = qobject_cast<QGroupBox*>(control)) return group->title();
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
  if (auto* combo = qobject_cast<QComboBox*>(control)) return combo->currentIndex() < 0 ? QString() : combo->currentText();
  return {};
}

void QtDialogWindow::SetWindowText(const std::string& text) {
  calls_.Run([&] { dialog_->setWindowTitle(FromCodePage(codePage_, text)); });
}

std::string QtDialogWindow::GetWindowText() {
  return calls_.Run([&] { return ToCodePage(codePage_, dialog_->windowTitle()); }, std::string());
}

void QtDialogWindow::SetControlText(int id, const std::string& text) {
  calls_.Run([&] { DoSetControlText(id, FromCodePage(codePage_, text)); });
}

std::string QtDialogWindow::GetControlText(int id) {
  return calls_.Run([&] { return ToCodePage(codePage_, DoGetControlText(id)); }, std::string());
}

void QtDialogWindow::EnableControl(int id, bool enable) {
  calls_.Run([&] {
    if (QWidget* control = Control(id)) control->setEnabled(enable);
  });
}

void QtDialogWindow::ShowControl(int id, bool show) {
  calls_.Run([&] {
    if (QWidget* control = Control(id)) control->setVisible(show);
  });
}

void QtDialogWindow::ListAppend(int id, const std::string& line) {
  calls_.Run([&] {
    if (auto* list = qobject_cast<QListWidget*>(Control(id))) {
      list->addItem(FromCodePage(codePage_, line));
      list->scrollToBottom();  // the newest step stays in view
    }
  });
}

void QtDialogWindow::PostStatusLine(const std::string& line) {
  calls_.Post([this, line] { ListAppend(resources::kIdStatusList, line); });
}

void QtDialogWindow::ListClear(int id) {
  calls_.Run([&] {
    if (auto* list = qobject_cast<QListWidget*>(Control(id))) list->clear();
  });
}

void QtDialogWindow::SetProgressRange(int id, std::int32_t low, std::int32_t high) {
  calls_.Run([&] {
    if (auto* bar = qobject_cast<QProgressBar*>(Control(id))) bar->setRange(low, std::max(low, high));
  });
}

void QtDialogWindow::SetProgressPos(int id, std::int32_t position) {
  calls_.Run([&] {
    // A position outside the range stops at its nearer end.
    if (auto* bar = qobject_cast<QProgressBar*>(Control(id))) {
      bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
    }
  });
}

wizard::MessageResult QtDialogWindow::MessageBox(const std::string& text, const std::string& caption,
                                                 wizard::MessageButtons buttons, wizard::MessageIcon icon) {
  return calls_.Run(
      [&] {
        auto box = MakeMessageBox(dialog_.get(), FromCodePage(codePage_, text), FromCodePage(codePage_, caption),
                                  buttons, icon);
        RunBox(*box);
        return MessageResultOf(*box, buttons);
      },
      wizard::UnseenAnswer(buttons));
}

wizard::FileChoice QtDialogWindow::ChooseFile(const wizard::FileChooserRequest& request) {
  return calls_.Run(
      [&] {
        auto chooser = MakeFileChooser(dialog_.get(), request, codePage_);
        const int result = RunBox(*chooser);
        return FileChoiceOf(*chooser, result, codePage_);
      },
      wizard::FileChoice{});
}

bool QtDialogWindow::HasSystemMenu() { return true; }

void QtDialogWindow::AppendSystemMenuSeparator() {
  calls_.Run([&] { systemMenu_->addSeparator(); });
}

void QtDialogWindow::AppendSystemMenuItem(int command, const std::string& text) {
  calls_.Run([&] { systemMenu_->addAction(FromCodePage(codePage_, text))->setData(command); });
}

void QtDialogWindow::SetIcon(int iconResource, bool /*large*/) {
  // One icon carries every size, so the large and the small icon are the same picture.
  calls_.Run([&] {
    if (iconResource != resources::kIconMain) return;
    const QIcon icon = ProgramIcon();
    dialog_->setWindowIcon(icon);
    dialog_->SetMinimisedIcon(icon);
  });
}

void QtDialogWindow::StartTimer(int id, std::uint32_t periodMs) {
  calls_.Run([&] { timers_.Start(id, periodMs); });
}

void QtDialogWindow::StopTimer(int id) {
  calls_.Run([&] { timers_.Stop(id); });
}

void QtDialogWindow::EndDialog(int result) {
  calls_.Run([&] {
    timers_.StopAll();
    endedResult_ = result;
    dialog_->End(result);
  });
}

void QtDialogWindow::RunAboutDialog() {
  calls_.Run([&] {
    auto about = MakeAboutBox();
    RunBox(*about);
  });
}

}  // namespace gui
