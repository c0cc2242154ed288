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
  // Alt+Space: the title bar belongs to the window manager, so the dialog
  // offers its system menu itself.
  auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  shortcut->setContext(Qt::WindowShortcut);
  connect(shortcut, &QShortcut::activated, this, [this] {
    if (requests_.systemMenu) requests_.systemMenu(mapToGlobal(QPoint(0, 0)));
  });
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
