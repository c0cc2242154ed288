#include "app/platform_check.h"

namespace app {
namespace {

constexpr std::uint32_t kSupportedMajor = 4;
constexpr std::uint32_t kMinorFirstRelease = 10;
constexpr std::uint32_t kMinorSecondRelease = 90;
// Windows 10 and 11 both report version 10.
constexpr std::uint32_t kFirstCurrentNtMajor = 10;

// The family the program was first made for, which Linux stands in for, and
// the systems in use today. Wine runs the program on another system: the
// version it reports is a setting, not that system's.
bool Supported(const platform::VersionRecord& record) {
  if (record.wine) return true;
  if (record.platformId == platform::kPlatformNt) return record.major >= kFirstCurrentNtMajor;
  return record.platformId == platform::kPlatformFamily1 && record.major == kSupportedMajor &&
         (record.minor == kMinorFirstRelease || record.minor == kMinorSecondRelease);
}

}  // namespace

bool PlatformCheckPasses(const std::optional<platform::VersionRecord>& extended,
                         const std::optional<platform::VersionRecord>& basic) {
  const std::optional<platform::VersionRecord>& answer = extended ? extended : basic;
  return answer && Supported(*answer);
}

}  // namespace app
