#pragma once
// The main window's widget. It turns keyboard, mouse and window-manager
// requests into the dialog's own commands (OK, Cancel, the system menu) and
// never ends itself: only the window's EndDialog does.

#include <QDialog>
#include <QIcon>
#include <functional>

namespace gui {

class HostDialog final : public QDialog {
 public:
  struct Requests {
    std::function<void()> ok;                           // Enter
    std::function<void()> cancel;                       // Escape, the close box
    // Alt+Space, the Menu key, Shift+F10, a right-click on the background
    std::function<void(const QPoint& global)> systemMenu;
  };

  explicit HostDialog(QWidget* parent = nullptr);

  void SetRequests(Requests requests) { requests_ = std::move(requests); }
  void SetMinimisedIcon(const QIcon& icon) { icon_ = icon; }
  // Ends the modal run with `result`; the one way out.
  void End(int result) { QDialog::done(result); }

  // Routed to the dialog's Cancel command, which decides whether to end.
  void reject() override;
  void accept() override;
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool IsBackground(const QPoint& pos) const;
  void OpenSystemMenuFromKeyboard();

  Requests requests_;
  QIcon icon_;
};

}  // namespace gui
