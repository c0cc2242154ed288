#include "gui/status_notices.h"

#include "i18n/notices.h"
#include "platform/port_names.h"
#include "wizard/hold_refusal.h"

namespace gui {
namespace {

// What the system said, for the lines that carry it.
std::string SystemWords(const platform::OpenResult& result) {
  if (result.detail.empty()) return platform::DescribeOpenError(result.error);
  if (result.error == platform::Error::Busy) return result.detail;  // it names the holder
  return platform::DescribeOpenError(result.error) + " (" + result.detail + ")";
}

template <typename Fetch>
StatusNoticeTexts TextsOf(Fetch text) {
  return StatusNoticeTexts{text(i18n::PortPermissionDenied), text(i18n::PortNoSuchDevice), text(i18n::PortBusy),
                           text(i18n::PortNotOpened),        text(i18n::NoPortChosen),     text(i18n::DeviceDisappeared),
                           text(i18n::LockFolderUnusable)};
}

}  // namespace

StatusNoticeTexts StatusNoticeTextsFrom(const i18n::LanguageTable& table) {
  return TextsOf([&](i18n::Entry entry) { return table.GetText(entry); });
}

StatusNoticeTexts EnglishStatusNoticeTexts() {
  return TextsOf([](i18n::Entry entry) { return std::string(i18n::BuiltInNotice(entry.index)); });
}

std::string PortOpenNoticeText(const std::string& portName, const platform::OpenResult& result,
                               const StatusNoticeTexts& texts) {
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

std::string DeviceLostText(const std::string& device, const std::string& detail, const StatusNoticeTexts& texts) {
  return i18n::FillIn(texts.deviceGone, {{"port", platform::StripDevicePrefix(device)}, {"error", detail}});
}

void StatusNoticeObserver::OpenFailed(const std::string& name, const platform::OpenResult& result) {
  Say(PortOpenNoticeText(name, result, texts_));
}

void StatusNoticeObserver::LineInTrouble(const std::string& device, platform::LineTrouble trouble,
                                         const std::string& detail) {
  // Each device reports its loss once; refused settings are the terminal's to name.
  if (trouble == platform::LineTrouble::Lost) Say(DeviceLostText(device, detail, texts_));
}

// The devices may report from their own threads while the window closes:
// the window's side goes under the mutex.
void StatusNoticeObserver::Detach() {
  std::lock_guard<std::mutex> guard(mutex_);
  show_ = nullptr;
}

void StatusNoticeObserver::Say(const std::string& text) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (show_) show_(text);
}

}  // namespace gui
