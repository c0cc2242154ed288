#include "app/platform_check.h"

namespace app {
namespace {

constexpr std::uint32_t kSupportedMajor = 4;
constexpr std::uint32_t kMinorFirstRelease = 10;
constexpr std::uint32_t kMinorSecondRelease = 90;

bool Supported(const platform::VersionRecord& record) {
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
