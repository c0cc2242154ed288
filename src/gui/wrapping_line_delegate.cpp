#include "gui/wrapping_line_delegate.h"

#include <QApplication>
#include <QListWidget>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace gui {
namespace {

const QStyle& StyleOf(const QStyleOptionViewItem& option) {
  return option.widget != nullptr ? *option.widget->style() : *QApplication::style();
}

// The room between the text and the row's ends, as the style leaves it for
// an unwrapped line.
int TextMargin(const QStyleOptionViewItem& option) {
  return StyleOf(option).pixelMetric(QStyle::PM_FocusFrameHMargin, &option, option.widget) + 1;
}

// The width lines wrap at. The vertical scroll bar's room is always kept, so
// lines laid out before it appears still fit once it is there.
int TextWidth(const QStyleOptionViewItem& option) {
  int width = option.rect.width();
  if (const auto* view = qobject_cast<const QAbstractScrollArea*>(option.widget)) {
    width = view->maximumViewportSize().width() - StyleOf(option).pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view);
  }
  return std::max(1, width - 2 * TextMargin(option));
}

// Lays `layout` out in lines of `width`; returns the height they take.
int LayOut(QTextLayout& layout, int width) {
  QTextOption wrap;
  wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(wrap);
  qreal height = 0;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    line.setPosition(QPointF(0, height));
    height += line.height();
  }
  layout.endLayout();
  return static_cast<int>(std::ceil(height));
}

QPalette::ColorGroup GroupOf(const QStyleOptionViewItem& option) {
  if (!(option.state & QStyle::State_Enabled)) return QPalette::Disabled;
  return (option.state & QStyle::State_Active) ? QPalette::Normal : QPalette::Inactive;
}

}  // namespace

QSize WrappingLineDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QTextLayout layout(index.data(Qt::DisplayRole).toString(), option.font);
  const int width = TextWidth(option);
  const int height = std::max(LayOut(layout, width), option.fontMetrics.height());
  return QSize(width + 2 * TextMargin(option), height);
}

void WrappingLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  QStyleOptionViewItem item = option;
  initStyleOption(&item, index);
  QTextLayout layout(item.text, item.font);
  // The style draws the row's ground (selection, focus); the text is drawn here.
  item.text.clear();
  StyleOf(item).drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
  // The same width as the row's height was measured at, so every line fits.
  LayOut(layout, TextWidth(item));
  const bool selected = (item.state & QStyle::State_Selected) != 0;
  painter->save();
  painter->setPen(item.palette.color(GroupOf(item), selected ? QPalette::HighlightedText : QPalette::Text));
  layout.draw(painter, QPointF(item.rect.left() + TextMargin(item), item.rect.top()));
  painter->restore();
}

void WrapLines(QListWidget& list) {
  list.setItemDelegate(new WrappingLineDelegate(&list));
  list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

}  // namespace gui
