// What the platform reports about the machine and its user: the host's truth, overridden by
// the optional "key=value" lines of <prefix>/machine.profile so tests can play any machine.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system.h"

namespace quillset::platform::posix {

struct MachineFacts {
  bool administrator = false;
  bool elevated = false;
  bool is_64bit = true;
  OsVersion os;
  std::string user;
  std::string computer;
  uint32_t ui_language = 1033;
};

// The host's answers: administrator when the effective user is root, an NT-family 64-bit
// Windows 6.0.6002 with Service Pack 2.
MachineFacts HostFacts();

// Applies profile lines (keys: administrator, elevated, os_version, service_pack,
// service_pack_major, service_pack_minor, nt_family, is_64bit, user, computer, ui_language).
// Blank lines and lines starting with "#" are skipped. A bad line throws with its number.
void ApplyProfile(const std::string& text, MachineFacts& facts);

// The Windows language id of a POSIX locale name such as "fr_FR.UTF-8"; 1033 when unknown.
uint32_t LanguageIdOfLocale(const std::string& locale);

}  // namespace quillset::platform::posix
