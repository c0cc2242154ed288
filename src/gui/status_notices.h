#pragma once
// The status lines a window shows about its devices: why a port did not open
// (no port chosen, no such device, in use, not permitted with the fix, or
// what the system said) and when a device went away during a run, as the
// terminal says them on its error stream. No message box comes up for them:
// detection's "no message" stands. The same for every window host.

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "i18n/language_table.h"
#include "platform/device_observer.h"
#include "platform/serial_device.h"

namespace gui {

// In the table's code page, as the status list takes them.
struct StatusNoticeTexts {
  std::string permissionDenied;  // {port}
  std::string noSuchDevice;      // {port}
  std::string busy;              // {port} {error}
  std::string notOpened;         // {port} {error}
  std::string noPortChosen;
  std::string deviceGone;  // {port} {error}
  // The lock folder cannot take the chosen port's lock: {folder} {error} {port}.
  std::string lockFolderUnusable;
};

StatusNoticeTexts StatusNoticeTextsFrom(const i18n::LanguageTable& table);
// The built-in English texts.
StatusNoticeTexts EnglishStatusNoticeTexts();

// The status line for a failed open.
std::string PortOpenNoticeText(const std::string& portName, const platform::OpenResult& result,
                               const StatusNoticeTexts& texts = EnglishStatusNoticeTexts());
// The status line for a device that has gone; `detail` is what the system said.
std::string DeviceLostText(const std::string& device, const std::string& detail,
                           const StatusNoticeTexts& texts = EnglishStatusNoticeTexts());

// Hands the lines of the devices it observes to `show`, on whichever thread
// met them (a port's watcher thread too, so `show` must not wait for the
// dialog's thread), until the window detaches it: a device that outlives its
// window reports to nobody.
class StatusNoticeObserver final : public platform::DeviceObserver {
 public:
  using Show = std::function<void(const std::string& text)>;
  StatusNoticeObserver(Show show, StatusNoticeTexts texts) : show_(std::move(show)), texts_(std::move(texts)) {}

  void OpenFailed(const std::string& name, const platform::OpenResult& result) override;
  void LineInTrouble(const std::string& device, platform::LineTrouble trouble, const std::string& detail) override;
  void Detach();

 private:
  void Say(const std::string& text);

  std::mutex mutex_;
  Show show_;
  const StatusNoticeTexts texts_;
};

}  // namespace gui
