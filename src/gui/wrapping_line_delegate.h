#pragma once
// Draws each line of a list wrapped to the list's width: at blanks where it
// can, anywhere inside a word longer than the list (a file's path, a port's
// by-id name), so a status line always shows whole without scrolling sideways.

#include <QStyledItemDelegate>

class QListWidget;

namespace gui {

class WrappingLineDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Gives `list` wrapped lines and no sideways scrolling.
void WrapLines(QListWidget& list);

}  // namespace gui
