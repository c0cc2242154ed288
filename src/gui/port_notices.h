#pragma once
// Says in the window's status list why a port did not open (no port chosen,
// no such device, in use, not permitted with the fix, or what the system
// said) and when a device went away during a run, as the terminal does on
// its error stream. No message box comes up for them: detection's "no
// message" stands.

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "gui/port_texts.h"
#include "platform/device_observer.h"
#include "platform/serial_device.h"

namespace gui {

// The status line for a failed open.
std::string PortOpenNoticeText(const std::string& portName, const platform::OpenResult& result,
                               const PortTexts& texts = EnglishPortTexts());
// The status line for a device that has gone; `detail` is what the system said.
std::string DeviceLostText(const std::string& device, const std::string& detail,
                           const PortTexts& texts = EnglishPortTexts());

class NoticeObserver;

// Hands the lines of the devices its observer is given to (their failed
// opens, their loss) to `show` while it lives, on whichever thread met them:
// a port's watcher thread too, so `show` must not wait for the dialog's
// thread. A device that outlives it reports to nobody.
class PortNotices final : public QObject {
 public:
  using Show = std::function<void(const std::string& text)>;
  PortNotices(QObject& parent, const Show& show, const PortTexts& texts = EnglishPortTexts());
  ~PortNotices() override;
  PortNotices(const PortNotices&) = delete;
  PortNotices& operator=(const PortNotices&) = delete;

  // For the dialog's context.
  std::shared_ptr<platform::DeviceObserver> Observer() const;

 private:
  std::shared_ptr<NoticeObserver> observer_;
};

}  // namespace gui
