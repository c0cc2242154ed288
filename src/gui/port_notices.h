#pragma once
// Says in the window's status list why a port did not open (no port chosen,
// no such device, in use, not permitted with the fix, or what the system
// said) and when a device went away during a run, as the terminal does on
// its error stream. No message box comes up for them: detection's "no
// message" stands.

#include <QObject>
#include <functional>
#include <string>

#include "gui/port_texts.h"
#include "platform/port_names.h"
#include "platform/serial_device.h"

namespace gui {

// The status line for a failed open.
std::string PortOpenNoticeText(const std::string& portName, const platform::OpenResult& result,
                               const PortTexts& texts = EnglishPortTexts());
// The status line for a device that has gone; `detail` is what the system said.
std::string DeviceLostText(const std::string& device, const std::string& detail,
                           const PortTexts& texts = EnglishPortTexts());

// Listens to every failed port open and to the line troubles of every device
// while it lives (the one listener of each kind in the process) and hands
// each line to `show`, on whichever thread met it: a port's watcher thread
// too, so `show` must not wait for the dialog's thread.
class PortNotices final : public QObject {
 public:
  using Show = std::function<void(const std::string& text)>;
  PortNotices(QObject& parent, const Show& show, const PortTexts& texts = EnglishPortTexts());
  ~PortNotices() override;
  PortNotices(const PortNotices&) = delete;
  PortNotices& operator=(const PortNotices&) = delete;

 private:
  platform::ScopedOpenFailureListener openFailures_;
  platform::ScopedLineTroubleListener lineTroubles_;
};

}  // namespace gui
