// Locale names, and a system's configured locale as Linux keeps it, mapped
// to the language identifiers the language files are named by.

#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>

#include "platform/process.h"

namespace platform {
namespace {

constexpr std::uint16_t kEnglishUnitedStates = 1033;

struct LocaleId {
  std::string_view name;  // language_COUNTRY, or a language alone for its main country
  std::uint16_t id;
};

constexpr LocaleId kLocaleIds[] = {
    {"en_US", 1033}, {"en_GB", 2057}, {"en_AU", 3081}, {"en_CA", 4105}, {"en_NZ", 5129},
    {"en_IE", 6153}, {"en_ZA", 7177}, {"en_IN", 16393}, {"en", 1033},
    {"ko_KR", 1042}, {"ko", 1042},
    {"ja_JP", 1041}, {"ja", 1041},
    {"zh_CN", 2052}, {"zh_TW", 1028}, {"zh_HK", 3076}, {"zh_SG", 4100}, {"zh_MO", 5124}, {"zh", 2052},
    {"de_DE", 1031}, {"de_CH", 2055}, {"de_AT", 3079}, {"de_LU", 4103}, {"de_LI", 5127}, {"de", 1031},
    {"fr_FR", 1036}, {"fr_BE", 2060}, {"fr_CA", 3084}, {"fr_CH", 4108}, {"fr_LU", 5132}, {"fr", 1036},
    {"es_ES", 3082}, {"es_MX", 2058}, {"es_AR", 11274}, {"es_CO", 9226}, {"es_CL", 13322}, {"es", 3082},
    {"it_IT", 1040}, {"it_CH", 2064}, {"it", 1040},
    {"ru_RU", 1049}, {"ru", 1049},
    {"pt_BR", 1046}, {"pt_PT", 2070}, {"pt", 1046},
    {"nl_NL", 1043}, {"nl_BE", 2067}, {"nl", 1043},
    {"sv_SE", 1053}, {"sv", 1053}, {"da_DK", 1030}, {"da", 1030},
    {"nb_NO", 1044}, {"nb", 1044}, {"nn_NO", 2068}, {"nn", 2068}, {"no_NO", 1044}, {"no", 1044},
    {"fi_FI", 1035}, {"fi", 1035}, {"is_IS", 1039}, {"is", 1039},
    {"pl_PL", 1045}, {"pl", 1045}, {"cs_CZ", 1029}, {"cs", 1029}, {"sk_SK", 1051}, {"sk", 1051},
    {"hu_HU", 1038}, {"hu", 1038}, {"ro_RO", 1048}, {"ro", 1048}, {"bg_BG", 1026}, {"bg", 1026},
    {"hr_HR", 1050}, {"hr", 1050}, {"sl_SI", 1060}, {"sl", 1060},
    {"et_EE", 1061}, {"et", 1061}, {"lv_LV", 1062}, {"lv", 1062}, {"lt_LT", 1063}, {"lt", 1063},
    {"el_GR", 1032}, {"el", 1032}, {"tr_TR", 1055}, {"tr", 1055}, {"uk_UA", 1058}, {"uk", 1058},
    {"he_IL", 1037}, {"he", 1037}, {"ar_SA", 1025}, {"ar", 1025},
    {"th_TH", 1054}, {"th", 1054}, {"vi_VN", 1066}, {"vi", 1066}, {"id_ID", 1057}, {"id", 1057},
    {"ms_MY", 1086}, {"ms", 1086}, {"hi_IN", 1081}, {"hi", 1081}, {"ca_ES", 1027}, {"ca", 1027},
};

std::uint16_t Lookup(std::string_view name) {
  for (const LocaleId& entry : kLocaleIds) {
    if (entry.name == name) return entry.id;
  }
  return 0;
}

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// LANG's value in a file of shell-style assignments; the last one wins, as
// in the shell that reads it. Empty when the file sets none.
std::string LangFromFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string value;
  std::string line;
  while (std::getline(file, line)) {
    std::string_view text = Trim(line);
    if (text.starts_with("export ")) text = Trim(text.substr(7));
    if (!text.starts_with("LANG=")) continue;
    text = Trim(text.substr(5));
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
      text = text.substr(1, text.size() - 2);
    }
    value = std::string(text);
  }
  return value;
}

std::string ConfiguredLocale(const LocaleSources& sources) {
  for (const std::string& path : sources.configFiles) {
    std::string value = LangFromFile(path);
    if (!value.empty()) return value;
  }
  const auto getEnvironment = sources.getEnvironment ? sources.getEnvironment : [](const char* name) {
    return static_cast<const char*>(std::getenv(name));
  };
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = getEnvironment(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

}  // namespace

std::uint16_t LanguageIdFromLocale(std::string_view localeName) {
  // language[_COUNTRY][.codeset][@modifier]
  const std::string_view name = localeName.substr(0, localeName.find_first_of(".@"));
  if (const std::uint16_t id = Lookup(name)) return id;
  if (const std::uint16_t id = Lookup(name.substr(0, name.find('_')))) return id;
  return kEnglishUnitedStates;
}

std::uint16_t SystemDefaultLanguageId(const LocaleSources& sources) {
  return LanguageIdFromLocale(ConfiguredLocale(sources));
}

}  // namespace platform
