#include "platform/posix/machine_facts.h"

#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace quillset::platform::posix {

namespace {

struct LocaleLanguage {
  const char* locale;  // language, or language_TERRITORY
  uint32_t id;
};

// Territory entries come before their language's default.
constexpr LocaleLanguage kLanguages[] = {
    {"en_GB", 2057}, {"en_AU", 3081}, {"en_CA", 4105}, {"en", 1033},    {"fr_CA", 3084},
    {"fr_BE", 2060}, {"fr_CH", 4108}, {"fr", 1036},    {"de_AT", 3079}, {"de_CH", 2055},
    {"de", 1031},    {"ja", 1041},    {"es_MX", 2058}, {"es", 3082},    {"it", 1040},
    {"nl_BE", 2067}, {"nl", 1043},    {"pt_BR", 1046}, {"pt", 2070},    {"zh_TW", 1028},
    {"zh_HK", 3076}, {"zh", 2052},    {"ko", 1042},    {"ru", 1049},    {"pl", 1045},
    {"cs", 1029},    {"sk", 1051},    {"sv", 1053},    {"da", 1030},    {"fi", 1035},
    {"nb", 1044},    {"no", 1044},    {"nn", 2068},    {"hu", 1038},    {"tr", 1055},
    {"el", 1032},    {"he", 1037},    {"ar", 1025},    {"uk", 1058},    {"ro", 1048},
    {"sl", 1060},    {"hr", 1050},    {"sr", 3098},    {"bg", 1026},    {"th", 1054},
    {"ca", 1027},    {"et", 1061},    {"lv", 1062},    {"lt", 1063},    {"is", 1039},
    {"id", 1057},    {"vi", 1066},    {"hi", 1081},    {"fa", 1065},    {"ms", 1086},
};

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

std::optional<bool> ParseBool(const std::string& text) {
  std::string upper;
  for (char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "TRUE" || upper == "1") return true;
  if (upper == "FALSE" || upper == "0") return false;
  return std::nullopt;
}

std::optional<uint32_t> ParseNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
  return static_cast<uint32_t>(std::stoul(text));
}

// The service pack number a text names: its last run of digits ("Service Pack 2" -> 2).
uint32_t ServicePackNumber(const std::string& text) {
  size_t end = text.find_last_of("0123456789");
  if (end == std::string::npos) return 0;
  size_t begin = end;
  while (begin > 0 && std::isdigit(static_cast<unsigned char>(text[begin - 1]))) --begin;
  return ParseNumber(text.substr(begin, end - begin + 1)).value_or(0);
}

}  // namespace

uint32_t LanguageIdOfLocale(const std::string& locale) {
  std::string name = locale.substr(0, locale.find_first_of(".@"));
  for (const auto& entry : kLanguages) {
    std::string wanted = entry.locale;
    if (name == wanted || (wanted.find('_') == std::string::npos && name.rfind(wanted + "_", 0) == 0))
      return entry.id;
  }
  return 1033;
}

MachineFacts HostFacts() {
  MachineFacts facts;
  facts.administrator = geteuid() == 0;
  facts.elevated = facts.administrator;
  facts.os = OsVersion{6, 0, 6002, true, "Service Pack 2", 2, 0};
  if (const passwd* entry = getpwuid(geteuid())) facts.user = entry->pw_name;
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) == 0) {
    // A NetBIOS-style name: the first label, upper case, at most 15 characters.
    std::string name(host);
    name = name.substr(0, name.find('.')).substr(0, 15);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    facts.computer = name;
  }
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) {
      facts.ui_language = LanguageIdOfLocale(value);
      break;
    }
  }
  return facts;
}

void ApplyProfile(const std::string& text, MachineFacts& facts) {
  std::istringstream lines(text);
  std::string line;
  std::optional<bool> elevated;
  std::optional<uint32_t> sp_major;
  for (int number = 1; std::getline(lines, line); ++number) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    auto fail = [&](const std::string& why) {
      throw std::runtime_error("machine.profile line " + std::to_string(number) + ": " + why);
    };
    size_t equals = line.find('=');
    if (equals == std::string::npos) fail("expected key=value");
    std::string key = Trim(line.substr(0, equals));
    std::string value = Trim(line.substr(equals + 1));
    auto boolean = [&] {
      auto parsed = ParseBool(value);
      if (!parsed) fail("expected TRUE or FALSE for " + key);
      return *parsed;
    };
    auto number_value = [&] {
      auto parsed = ParseNumber(value);
      if (!parsed) fail("expected a number for " + key);
      return *parsed;
    };
    if (key == "administrator") {
      facts.administrator = boolean();
    } else if (key == "elevated") {
      elevated = boolean();
    } else if (key == "nt_family") {
      facts.os.nt_family = boolean();
    } else if (key == "is_64bit") {
      facts.is_64bit = boolean();
    } else if (key == "os_version") {
      uint32_t parts[3] = {0, 0, 0};
      std::istringstream fields(value);
      std::string field;
      int count = 0;
      while (std::getline(fields, field, '.')) {
        auto parsed = ParseNumber(field);
        if (!parsed || count == 3) fail("expected major.minor.build for os_version");
        parts[count++] = *parsed;
      }
      if (count < 2) fail("expected major.minor.build for os_version");
      facts.os.major = parts[0];
      facts.os.minor = parts[1];
      facts.os.build = parts[2];
    } else if (key == "service_pack") {
      facts.os.service_pack = value;
    } else if (key == "service_pack_major") {
      sp_major = number_value();
    } else if (key == "service_pack_minor") {
      facts.os.service_pack_minor = number_value();
    } else if (key == "user") {
      facts.user = value;
    } else if (key == "computer") {
      facts.computer = value;
    } else if (key == "ui_language") {
      facts.ui_language = number_value();
    } else {
      fail("unknown key " + key);
    }
  }
  // Unless told otherwise, an administrator is elevated and the major number is the pack's.
  facts.elevated = elevated.value_or(facts.administrator);
  facts.os.service_pack_major = sp_major.value_or(ServicePackNumber(facts.os.service_pack));
}

}  // namespace quillset::platform::posix
