#include "gui/port_open_notice.h"

#include <utility>

#include "gui/port_texts.h"
#include "platform/port_names.h"

namespace gui {

std::string PortOpenNoticeText(const std::string& portName, platform::OpenError error) {
  if (error != platform::OpenError::PermissionDenied) return {};
  std::string text = kPortPermissionDeniedText;
  const std::size_t slot = text.find("%s");
  text.replace(slot, 2, platform::StripDevicePrefix(portName));
  return text;
}

PortOpenNotice::PortOpenNotice(QObject& parent, Show show)
    : QObject(&parent),
      listener_([show = std::move(show)](const std::string& name, const platform::OpenResult& result) {
        const std::string text = PortOpenNoticeText(name, result.error);
        if (!text.empty()) show(text);
      }) {}

PortOpenNotice::~PortOpenNotice() = default;

}  // namespace gui
