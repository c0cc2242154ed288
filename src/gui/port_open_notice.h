#pragma once
// Says why a chosen port did not open when the user can mend it: a port that
// exists but that this user may not open, or a lock folder that cannot take
// its lock. A missing device stays silent, as detection has it.

#include <QObject>
#include <functional>
#include <string>

#include "gui/port_texts.h"
#include "platform/port_names.h"
#include "platform/serial_device.h"

namespace gui {

inline constexpr const char* kNoticeCaption = "Quorrel Upgrade Wizard";

// The message for a failed open, or nothing when the failure is not one to
// explain here.
std::string PortOpenNoticeText(const std::string& portName, platform::Error error,
                               const PortTexts& texts = EnglishPortTexts());

// Listens to every failed port open while it lives (the one listener of the
// process while it lives) and hands the message to `show`, on the thread that opened.
class PortOpenNotice final : public QObject {
 public:
  using Show = std::function<void(const std::string& text)>;
  PortOpenNotice(QObject& parent, Show show, PortTexts texts = EnglishPortTexts());
  ~PortOpenNotice() override;
  PortOpenNotice(const PortOpenNotice&) = delete;
  PortOpenNotice& operator=(const PortOpenNotice&) = delete;

 private:
  platform::ScopedOpenFailureListener listener_;
};

}  // namespace gui
