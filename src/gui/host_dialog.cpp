#include "gui/host_dialog.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>

#include "wizard/icon_position.h"
#include "wizard/window_ops.h"

namespace gui {
namespace {

constexpr int kIconPixels = 32;

}  // namespace

HostDialog::HostDialog(QWidget* parent) : QDialog(parent) {
  // The title bar belongs to the window manager, so the dialog offers its
  // system menu itself. A window manager keeps Alt+Space for its own menu,
  // so the keyboard's context-menu keys open ours too.
  const QKeySequence keys[] = {QKeySequence(Qt::ALT | Qt::Key_Space), QKeySequence(Qt::Key_Menu),
                               QKeySequence(Qt::SHIFT | Qt::Key_F10)};
  for (const QKeySequence& key : keys) {
    auto* shortcut = new QShortcut(key, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this] { OpenSystemMenuFromKeyboard(); });
  }
}

void HostDialog::OpenSystemMenuFromKeyboard() {
  if (requests_.systemMenu) requests_.systemMenu(mapToGlobal(QPoint(0, 0)));
}

void HostDialog::reject() {
  if (requests_.cancel) requests_.cancel();
}

void HostDialog::accept() {
  if (requests_.ok) requests_.ok();
}

void HostDialog::done(int result) {
  // QDialog's own paths (a window-manager close, a stray accept) come here;
  // they go through the dialog's commands like every other request.
  if (result == wizard::kResultOk) {
    accept();
  } else {
    reject();
  }
}

void HostDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Styles draw the focus only once the keyboard has moved it; a person who
  // starts at the keyboard should see from the start which control takes
  // the keys.
  setAttribute(Qt::WA_KeyboardFocusChange);
}

void HostDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      reject();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // A focused push button takes Enter, as the wizard's users expect of a dialog;
      // elsewhere Enter is the dialog's OK command.
      if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled()) {
        button->click();
      } else {
        accept();
      }
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void HostDialog::closeEvent(QCloseEvent* event) {
  // The close box is the Cancel command; the dialog ends itself if it may.
  event->ignore();
  reject();
}

void HostDialog::contextMenuEvent(QContextMenuEvent* event) {
  // A context-menu key that a control left alone reaches the dialog too.
  if (event->reason() == QContextMenuEvent::Keyboard) {
    OpenSystemMenuFromKeyboard();
    event->accept();
    return;
  }
  if (IsBackground(event->pos()) && requests_.systemMenu) {
    requests_.systemMenu(event->globalPos());
    event->accept();
    return;
  }
  QDialog::contextMenuEvent(event);
}

bool HostDialog::IsBackground(const QPoint& pos) const {
  QWidget* child = childAt(pos);
  return child == nullptr || qobject_cast<QLabel*>(child) != nullptr || qobject_cast<QGroupBox*>(child) != nullptr;
}

void HostDialog::paintEvent(QPaintEvent* event) {
  if (!isMinimized() || icon_.isNull()) {
    QDialog::paintEvent(event);
    return;
  }
  QPainter painter(this);
  painter.eraseRect(rect());
  const wizard::Point at = wizard::IconPosition(width(), height(), kIconPixels, kIconPixels);
  icon_.paint(&painter, QRect(at.x, at.y, kIconPixels, kIconPixels));
}

}  // namespace gui
