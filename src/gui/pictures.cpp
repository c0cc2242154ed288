#include "gui/pictures.h"

#include <QPainter>
#include <QSvgRenderer>

#include "resources/dialog_ids.h"

// Outside any namespace, as Qt's resource initialiser requires.
static void InitPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace gui {
namespace {

QString PicturePath(int resource) {
  switch (resource) {
    case resources::kIconMain: return QStringLiteral(":/pictures/interface-icon.svg");
    case resources::kBitmapMain: return QStringLiteral(":/pictures/interface-cable.svg");
    default: return {};
  }
}

}  // namespace

QPixmap RenderPicture(int resource, QSize size) {
  static const bool initialised = (InitPictureResources(), true);
  (void)initialised;
  const QString path = PicturePath(resource);
  if (path.isEmpty() || size.isEmpty()) return {};
  QSvgRenderer renderer(path);
  if (!renderer.isValid()) return {};
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  const QSize fitted = renderer.defaultSize().scaled(size, Qt::KeepAspectRatio);
  const QRect target(QPoint((size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2), fitted);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter, target);
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int side : {16, 24, 32, 48, 64}) icon.addPixmap(RenderPicture(resources::kIconMain, QSize(side, side)));
  return icon;
}

}  // namespace gui
