#pragma once
// What a front end says when a run could not hold its port because the
// port's lock could not be made: a lock folder that cannot take lock files,
// or a stale lock that cannot be removed. Nothing has been sent then.

#include <string>

#include "platform/result.h"

namespace i18n {
class LanguageTable;
}

namespace wizard {

// The message, in the table's language (built-in English without a table);
// empty for any other failure, which the port's own open reports.
std::string DescribeRefusedHold(const i18n::LanguageTable* table, const std::string& port, platform::Error error,
                                const std::string& detail);

// The lock-folder notice `text` filled in for `port`: the folder and what is
// wrong with it as they stand now.
std::string FillInLockFolderNotice(const std::string& text, const std::string& port);

}  // namespace wizard
