#pragma once
// How the window answers a stop asked for by the system (SIGINT, SIGTERM,
// SIGHUP) or by its owner. An upgrade under way stops itself first, at a safe
// point, as in the terminal. One that left the device in its boot loader
// keeps the window open: its status list shows the word with the serial
// number, and the dialog keeps that number for Interface Recovery, so the
// request is withdrawn for the user to go on. Any other stop, or a stop while
// the window is at rest, ends the window.

namespace wizard {
class StopRequest;
class UpgradeDialog;
}  // namespace wizard

namespace gui {

class WindowStop {
 public:
  // `request` is the one the dialog asks; null: it cannot be withdrawn, and
  // every stop ends the window.
  WindowStop(wizard::UpgradeDialog& dialog, wizard::StopRequest* request);

  // Upgrade was pressed: a stop of that upgrade is answered afresh.
  void UpgradeStarted() { answered_ = false; }
  // On the dialog's thread, now and then.
  void Check();

 private:
  wizard::UpgradeDialog& dialog_;
  wizard::StopRequest* request_;
  bool answered_ = false;  // the last upgrade's stop has been withdrawn
};

}  // namespace gui
