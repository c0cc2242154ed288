#pragma once
// One QApplication for a test binary, on the offscreen platform so the
// window tests run without a display.

#include <QApplication>

namespace gui_test {

inline void EnsureQtApplication() {
  if (QApplication::instance() != nullptr) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "gui_tests";
  static char* argv[] = {name, nullptr};
  // Kept to the very end of the process: Qt's own exit-time clean-up (input
  // devices, fonts) still needs it.
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
}

// A first base for fixtures whose members are widgets: the application
// exists before they are built.
struct WithQtApplication {
  WithQtApplication() { EnsureQtApplication(); }
};

}  // namespace gui_test
