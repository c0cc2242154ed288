#include "wizard/hold_refusal.h"

#include "i18n/language_table.h"
#include "i18n/notices.h"
#include "platform/port_hold.h"
#include "platform/port_names.h"

namespace wizard {

std::string FillInLockFolderNotice(const std::string& text, const std::string& port) {
  const platform::LockFolderProblem problem =
      platform::CheckLockFolder(port).value_or(platform::LockFolderProblem{platform::LockFolder(), "it cannot be written"});
  return i18n::FillIn(text,
                      {{"folder", problem.folder}, {"error", problem.problem}, {"port", platform::StripDevicePrefix(port)}});
}

std::string DescribeRefusedHold(const i18n::LanguageTable* table, const std::string& port, platform::Error error,
                                const std::string& detail) {
  const auto text = [table](i18n::Entry entry) { return i18n::NoticeText(table, entry); };
  switch (error) {
    case platform::Error::LockFolderUnusable: return FillInLockFolderNotice(text(i18n::LockFolderUnusable), port);
    case platform::Error::LockNotTaken:
      return i18n::FillIn(text(i18n::PortLockNotTaken), {{"port", platform::StripDevicePrefix(port)}, {"error", detail}});
    default: return {};
  }
}

}  // namespace wizard
