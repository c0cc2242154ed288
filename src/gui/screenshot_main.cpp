// quorrel-wizard-screenshot OUTPUT.png: starts the wizard as the program
// does (in the current directory, with its language file), renders the main
// window once it is up, framed with its title bar, into OUTPUT.png, and
// closes it.

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <cstdio>
#include <memory>

#include "app/upgrade_app.h"
#include "gui/qt_dialog_window.h"
#include "platform/standard_streams.h"
#include "sim/sim_ports.h"

namespace {

// The client area under a plain title bar with the window's icon and title,
// as a window manager would frame it.
QPixmap Framed(QDialog& dialog) {
  const QPixmap client = dialog.grab();
  const int title = dialog.fontMetrics().height() + 12;
  const int border = 1;
  QPixmap framed(client.width() + 2 * border, client.height() + title + border);
  framed.fill(QColor(0x2b, 0x3a, 0x4f));
  QPainter painter(&framed);
  const int iconSide = title - 8;
  painter.drawPixmap(border + 6, 4, dialog.windowIcon().pixmap(iconSide, iconSide));
  painter.setPen(Qt::white);
  QFont font = dialog.font();
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRect(border + iconSide + 14, 0, client.width() - iconSide - 20, title),
                   Qt::AlignVCenter | Qt::AlignLeft, dialog.windowTitle());
  painter.drawText(QRect(0, 0, client.width() - 8, title), Qt::AlignVCenter | Qt::AlignRight,
                   QStringLiteral("\u2715"));
  painter.drawPixmap(border, title, client);
  return framed;
}

}  // namespace

int main(int argc, char** argv) {
  if (!platform::OpenClosedStandardStreams()) return 1;
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: quorrel-wizard-screenshot OUTPUT.png\n");
    return 2;
  }
  const QString output = QString::fromLocal8Bit(argv[1]);
  sim::RegisterBuiltInPorts();
  bool saved = false;
  app::UpgradeApp upgradeApp;
  upgradeApp.StartUp([&]() -> std::unique_ptr<wizard::DialogWindow> {
    auto window = std::make_unique<gui::QtDialogWindow>(upgradeApp.languageTable.CodePage());
    gui::QtDialogWindow* shown = window.get();
    window->SetShownListener([shown, &output, &saved] {
      saved = Framed(shown->Dialog()).save(output);
      shown->EndDialog(wizard::kResultCancel);
    });
    return window;
  });
  if (!saved) {
    std::fprintf(stderr, "quorrel-wizard-screenshot: the window was not shown or %s could not be written\n", argv[1]);
    return 1;
  }
  return 0;
}
