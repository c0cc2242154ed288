#include "gui/port_notices.h"

namespace gui {

PortNotices::PortNotices(QObject& parent, const Show& show, const PortTexts& texts)
    : QObject(&parent), observer_(std::make_shared<StatusNoticeObserver>(show, texts)) {}

PortNotices::~PortNotices() { observer_->Detach(); }

std::shared_ptr<platform::DeviceObserver> PortNotices::Observer() const { return observer_; }

}  // namespace gui
