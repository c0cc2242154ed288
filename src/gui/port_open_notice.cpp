#include "gui/port_open_notice.h"

#include <utility>

#include "i18n/notices.h"
#include "platform/port_names.h"
#include "wizard/hold_refusal.h"

namespace gui {

std::string PortOpenNoticeText(const std::string& portName, platform::Error error, const PortTexts& texts) {
  if (error == platform::Error::LockFolderUnusable) return wizard::FillInLockFolderNotice(texts.lockFolderUnusable, portName);
  if (error != platform::Error::PermissionDenied) return {};
  return i18n::FillIn(texts.permissionDenied, {{"port", platform::StripDevicePrefix(portName)}});
}

PortOpenNotice::PortOpenNotice(QObject& parent, Show show, PortTexts texts)
    : QObject(&parent),
      listener_([show = std::move(show), texts = std::move(texts)](const std::string& name,
                                                                   const platform::OpenResult& result) {
        const std::string text = PortOpenNoticeText(name, result.error, texts);
        if (!text.empty()) show(text);
      }) {}

PortOpenNotice::~PortOpenNotice() = default;

}  // namespace gui
