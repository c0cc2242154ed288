#pragma once
// Says in the Qt window's status list why a port did not open and when a
// device went away during a run (gui/status_notices.h), for as long as the
// window lives.

#include <QObject>
#include <memory>

#include "gui/port_texts.h"
#include "gui/status_notices.h"
#include "platform/device_observer.h"

namespace gui {

// Hands the lines to `show` on whichever thread met them, so `show` must not
// wait for the dialog's thread.
class PortNotices final : public QObject {
 public:
  using Show = StatusNoticeObserver::Show;
  PortNotices(QObject& parent, const Show& show, const PortTexts& texts = EnglishPortTexts());
  ~PortNotices() override;
  PortNotices(const PortNotices&) = delete;
  PortNotices& operator=(const PortNotices&) = delete;

  // For the dialog's context.
  std::shared_ptr<platform::DeviceObserver> Observer() const;

 private:
  std::shared_ptr<StatusNoticeObserver> observer_;
};

}  // namespace gui
