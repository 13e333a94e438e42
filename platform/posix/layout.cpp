#include "platform/posix/layout.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace quillset::platform::posix {

namespace {

const char* const kMachineData = "/var/lib/quillset";

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return home;
  if (const passwd* entry = getpwuid(geteuid())) return entry->pw_dir;
  return "/";
}

// An XDG base folder: the variable when it holds an absolute path, else home + fallback.
std::string XdgFolder(const char* variable, const std::string& home, const char* fallback) {
  const char* value = std::getenv(variable);
  if (value && *value == '/') return value;
  return home + fallback;
}

std::string HostSpecialFolder(const Layout& layout, SpecialFolder folder) {
  const std::string& home = layout.home;
  std::string config = XdgFolder("XDG_CONFIG_HOME", home, "/.config");
  std::string data = XdgFolder("XDG_DATA_HOME", home, "/.local/share");
  switch (folder) {
    case SpecialFolder::kDesktop:
    case SpecialFolder::kDesktopDirectory:
      return home + "/Desktop";
    case SpecialFolder::kPersonal:
      return home + "/Documents";
    case SpecialFolder::kPrograms:
    case SpecialFolder::kStartMenu:
      return data + "/applications";
    case SpecialFolder::kStartup:
      return config + "/autostart";
    case SpecialFolder::kFonts:
      return "/usr/share/fonts";
    case SpecialFolder::kCommonStartMenu:
    case SpecialFolder::kCommonPrograms:
      return "/usr/share/applications";
    case SpecialFolder::kCommonStartup:
      return "/etc/xdg/autostart";
    case SpecialFolder::kAppData:
      return config;
    case SpecialFolder::kLocalAppData:
      return data;
    case SpecialFolder::kCommonAppData:
      return kMachineData;
    case SpecialFolder::kWindows:
      return "/usr";
    case SpecialFolder::kSystem:
      return "/usr/lib";
    case SpecialFolder::kProgramFiles:
    case SpecialFolder::kProgramFilesX86:
      return "/opt";
    case SpecialFolder::kCommonProgramFiles:
      return "/opt/common";
    case SpecialFolder::kProfile:
      return home;
    case SpecialFolder::kCommonDesktopDirectory:
    case SpecialFolder::kCommonDocuments:
      break;  // the host shares no desktop or documents between users
  }
  return "";
}

std::string PrefixSpecialFolder(const MachineFacts& facts, SpecialFolder folder) {
  const std::string profile = "C:\\users\\" + facts.user;
  const std::string start_menu = profile + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu";
  const std::string common_start_menu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
  // A 32-bit process on 64-bit Windows sees the x86 program files and the WOW64 system folder.
  const std::string program_files = facts.is_64bit ? "C:\\Program Files (x86)" : "C:\\Program Files";
  switch (folder) {
    case SpecialFolder::kDesktop:
    case SpecialFolder::kDesktopDirectory:
      return profile + "\\Desktop";
    case SpecialFolder::kPersonal:
      return profile + "\\Documents";
    case SpecialFolder::kStartMenu:
      return start_menu;
    case SpecialFolder::kPrograms:
      return start_menu + "\\Programs";
    case SpecialFolder::kStartup:
      return start_menu + "\\Programs\\Startup";
    case SpecialFolder::kFonts:
      return "C:\\windows\\Fonts";
    case SpecialFolder::kCommonStartMenu:
      return common_start_menu;
    case SpecialFolder::kCommonPrograms:
      return common_start_menu + "\\Programs";
    case SpecialFolder::kCommonStartup:
      return common_start_menu + "\\Programs\\Startup";
    case SpecialFolder::kCommonDesktopDirectory:
      return "C:\\users\\Public\\Desktop";
    case SpecialFolder::kCommonDocuments:
      return "C:\\users\\Public\\Documents";
    case SpecialFolder::kAppData:
      return profile + "\\AppData\\Roaming";
    case SpecialFolder::kLocalAppData:
      return profile + "\\AppData\\Local";
    case SpecialFolder::kCommonAppData:
      return "C:\\ProgramData";
    case SpecialFolder::kWindows:
      return "C:\\windows";
    case SpecialFolder::kSystem:
      return facts.is_64bit ? "C:\\windows\\syswow64" : "C:\\windows\\system32";
    case SpecialFolder::kProgramFiles:
      return program_files;
    case SpecialFolder::kProgramFilesX86:
      return facts.is_64bit ? program_files : "";
    case SpecialFolder::kCommonProgramFiles:
      return program_files + "\\Common Files";
    case SpecialFolder::kProfile:
      return profile;
  }
  return "";
}

}  // namespace

Layout MakeLayout(const std::string& prefix) {
  Layout layout;
  layout.home = HomeFolder();
  if (prefix.empty()) {
    layout.machine_registry = std::string(kMachineData) + "/registry";
    layout.installer = std::string(kMachineData) + "/installer";
    layout.user_registry = XdgFolder("XDG_DATA_HOME", layout.home, "/.local/share") + "/quillset/registry";
    layout.temp_parent = "/tmp";
    return layout;
  }
  std::string root = std::filesystem::absolute(prefix).lexically_normal().string();
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  layout.prefix = root;
  layout.machine_registry = root + "/registry";
  layout.user_registry = root + "/registry";
  layout.installer = root + "/installer";
  layout.temp_parent = root + "/drive_c/tmp";
  return layout;
}

std::string SpecialFolderPath(const Layout& layout, const PathMap& paths, const MachineFacts& facts,
                              SpecialFolder folder) {
  if (!layout.prefix.empty()) return PrefixSpecialFolder(facts, folder);
  std::string host = HostSpecialFolder(layout, folder);
  return host.empty() ? host : paths.ToWindows(host);
}

}  // namespace quillset::platform::posix
