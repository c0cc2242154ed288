#include "gui/port_notices.h"

#include <mutex>

#include "i18n/notices.h"
#include "platform/port_names.h"
#include "platform/serial_device.h"
#include "wizard/hold_refusal.h"

namespace gui {
namespace {

// What the system said, for the lines that carry it.
std::string SystemWords(const platform::OpenResult& result) {
  if (result.detail.empty()) return platform::DescribeOpenError(result.error);
  if (result.error == platform::Error::Busy) return result.detail;  // it names the holder
  return platform::DescribeOpenError(result.error) + " (" + result.detail + ")";
}

}  // namespace

std::string PortOpenNoticeText(const std::string& portName, const platform::OpenResult& result,
                               const PortTexts& texts) {
  const std::string port = platform::StripDevicePrefix(portName);
  switch (result.error) {
    case platform::Error::EmptyName: return texts.noPortChosen;
    case platform::Error::NotFound: return i18n::FillIn(texts.noSuchDevice, {{"port", port}});
    case platform::Error::PermissionDenied: return i18n::FillIn(texts.permissionDenied, {{"port", port}});
    case platform::Error::LockFolderUnusable: return wizard::FillInLockFolderNotice(texts.lockFolderUnusable, portName);
    case platform::Error::Busy: return i18n::FillIn(texts.busy, {{"port", port}, {"error", SystemWords(result)}});
    default: return i18n::FillIn(texts.notOpened, {{"port", port}, {"error", SystemWords(result)}});
  }
}

std::string DeviceLostText(const std::string& device, const std::string& detail, const PortTexts& texts) {
  return i18n::FillIn(texts.deviceGone, {{"port", platform::StripDevicePrefix(device)}, {"error", detail}});
}

// Shared with the devices, which may report from their own threads while the
// window closes: the window's side goes under the mutex.
class NoticeObserver final : public platform::DeviceObserver {
 public:
  NoticeObserver(PortNotices::Show show, PortTexts texts) : show_(std::move(show)), texts_(std::move(texts)) {}

  void OpenFailed(const std::string& name, const platform::OpenResult& result) override {
    Say(PortOpenNoticeText(name, result, texts_));
  }
  void LineInTrouble(const std::string& device, platform::LineTrouble trouble, const std::string& detail) override {
    // Each device reports its loss once; refused settings are the terminal's to name.
    if (trouble == platform::LineTrouble::Lost) Say(DeviceLostText(device, detail, texts_));
  }
  void Detach() {
    std::lock_guard<std::mutex> guard(mutex_);
    show_ = nullptr;
  }

 private:
  void Say(const std::string& text) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (show_) show_(text);
  }

  std::mutex mutex_;
  PortNotices::Show show_;
  const PortTexts texts_;
};

PortNotices::PortNotices(QObject& parent, const Show& show, const PortTexts& texts)
    : QObject(&parent), observer_(std::make_shared<NoticeObserver>(show, texts)) {}

PortNotices::~PortNotices() { observer_->Detach(); }

std::shared_ptr<platform::DeviceObserver> PortNotices::Observer() const { return observer_; }

}  // namespace gui
