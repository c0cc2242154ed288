#include "gui/dialog_builder.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "gui/pictures.h"
#include "gui/wrapping_line_delegate.h"

namespace gui {
namespace {

using resources::ControlKind;
using resources::ControlTemplate;

constexpr int kIconPixels = 32;

bool Has(const ControlTemplate& control, unsigned style) { return (control.style & style) != 0; }

QString InitialText(const ControlTemplate& control) {
  return QString::fromUtf8(control.text.data(), static_cast<qsizetype>(control.text.size()));
}

QWidget* MakeGroupBox(QWidget& parent, const ControlTemplate& control) {
  auto* group = new QGroupBox(InitialText(control), &parent);
  // The title sits on the frame's top line, a little in from its left end.
  group->setStyleSheet(QStringLiteral(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.6em; }"
      " QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0px 3px; }"));
  return group;
}

QWidget* MakeLabel(QWidget& parent, const ControlTemplate& control) {
  auto* label = new QLabel(InitialText(control), &parent);
  // Texts from language files and devices are shown as they are, never read as markup.
  label->setTextFormat(Qt::PlainText);
  Qt::Alignment horizontal = Has(control, resources::kCentred) ? Qt::AlignHCenter : Qt::AlignLeft;
  if (Has(control, resources::kSunken)) {
    // A one-pixel sunken edge, dark above and left, light below and right,
    // drawn the same under every style.
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setStyleSheet(QStringLiteral(
        "QLabel { border: 1px solid; border-color: palette(dark) palette(light) palette(light) palette(dark);"
        " padding: 0px 2px; }"));
    label->setAlignment(horizontal | Qt::AlignVCenter);
  } else {
    label->setAlignment(horizontal | Qt::AlignTop);
  }
  return label;
}

QWidget* MakeEdit(QWidget& parent, const ControlTemplate& control) {
  auto* edit = new QLineEdit(InitialText(control), &parent);
  edit->setReadOnly(Has(control, resources::kReadOnly));
  edit->setFrame(Has(control, resources::kBorder));
  if (Has(control, resources::kCentred)) edit->setAlignment(Qt::AlignCenter);
  return edit;
}

QWidget* MakeDropDownList(QWidget& parent, const QRect& dropped) {
  auto* combo = new QComboBox(&parent);
  for (const std::string& item : resources::PortListItems()) combo->addItem(QString::fromStdString(item));
  combo->setCurrentIndex(-1);  // no port chosen until the user picks one
  // The template's height is the dropped-down list's; the closed box keeps
  // its own height.
  const int itemHeight = std::max(1, combo->fontMetrics().height() + 2);
  combo->setMaxVisibleItems(std::max(1, (dropped.height() - combo->sizeHint().height()) / itemHeight));
  return combo;
}

QWidget* MakeButton(QWidget& parent, const ControlTemplate& control) {
  auto* button = new QPushButton(InitialText(control), &parent);
  button->setAutoDefault(false);
  button->setDefault(Has(control, resources::kDefaultButton));
  return button;
}

QWidget* MakeList(QWidget& parent, const ControlTemplate& control) {
  auto* list = new QListWidget(&parent);
  list->setSortingEnabled(Has(control, resources::kSorted));
  list->setFrameShape(Has(control, resources::kBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
  list->setVerticalScrollBarPolicy(Has(control, resources::kVScroll) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  WrapLines(*list);
  return list;
}

QWidget* MakeProgressBar(QWidget& parent) {
  auto* bar = new QProgressBar(&parent);
  bar->setRange(0, 100);  // the platform's default range until the dialog sets one
  bar->setValue(0);
  bar->setTextVisible(false);
  return bar;
}

QWidget* MakePicture(QWidget& parent, const ControlTemplate& control, const QSize& size) {
  auto* picture = new QLabel(&parent);
  picture->setPixmap(RenderPicture(control.resource, size));
  picture->setAlignment(Qt::AlignCenter);
  return picture;
}

QWidget* MakeControl(QWidget& dialog, const ControlTemplate& control, const QRect& rect) {
  switch (control.kind) {
    case ControlKind::GroupBox: return MakeGroupBox(dialog, control);
    case ControlKind::StaticText: return MakeLabel(dialog, control);
    case ControlKind::Edit: return MakeEdit(dialog, control);
    case ControlKind::DropDownList: return MakeDropDownList(dialog, rect);
    case ControlKind::PushButton: return MakeButton(dialog, control);
    case ControlKind::ListBox: return MakeList(dialog, control);
    case ControlKind::ProgressBar: return MakeProgressBar(dialog);
    case ControlKind::Picture: return MakePicture(dialog, control, rect.size());
    case ControlKind::Icon: return MakePicture(dialog, control, QSize(kIconPixels, kIconPixels));
  }
  return nullptr;
}

QRect ControlRect(const ControlTemplate& control, const DialogUnits& units) {
  QRect rect = ToPixels(control.left, control.top, control.width, control.height, units);
  if (control.kind == ControlKind::Icon) rect.setSize(QSize(kIconPixels, kIconPixels));
  return rect;
}

}  // namespace

ControlMap BuildDialog(QWidget& dialog, const resources::DialogTemplate& dialogTemplate) {
  dialog.setFont(DialogFont(dialogTemplate.fontPoints));
  return BuildDialog(dialog, dialogTemplate, DialogUnitsOf(dialog.font()));
}

ControlMap BuildDialog(QWidget& dialog, const resources::DialogTemplate& dialogTemplate, const DialogUnits& units) {
  dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.caption.data(),
                                          static_cast<qsizetype>(dialogTemplate.caption.size())));
  dialog.setFixedSize(HorizontalPixels(dialogTemplate.width, units), VerticalPixels(dialogTemplate.height, units));
  ControlMap controls;
  for (const ControlTemplate& control : dialogTemplate.controls) {
    const QRect rect = ControlRect(control, units);
    QWidget* widget = MakeControl(dialog, control, rect);
    if (control.kind == ControlKind::DropDownList) {
      widget->setGeometry(rect.x(), rect.y(), rect.width(), widget->sizeHint().height());
    } else {
      widget->setGeometry(rect);
    }
    if (Has(control, resources::kHidden)) widget->hide();
    if (control.id != -1) controls[control.id] = widget;
  }
  return controls;
}

}  // namespace gui
