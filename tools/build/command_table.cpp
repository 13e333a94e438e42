#include "tools/build/command_table.h"

#include <map>
#include <set>
#include <string>

namespace quillset::build {

bool IsInstallerSide(std::string_view command) {
  static const std::set<std::string, std::less<>> kInstallerSide = {
      "Delete Files",        "Install Files",        "Copy/Move Local Files", "Create Folder",
      "Create Shortcut",     "Advertised Shortcut",  "Edit INI File",         "Install Assembly",
      "Set Environment",     "Install Service",      "Install ODBC Driver",   "Create ODBC DSN",
      "Control Service",     "Write Registry",       "Create File Type",      "Advertised File Type",
  };
  return kInstallerSide.contains(command);
}

std::optional<size_t> FixedParameterCount(std::string_view command, bool plugin) {
  static const std::map<std::string, size_t, std::less<>> kCounts = {
      {"Set Variable", 2},        {"Get Component State", 2}, {"Set Component State", 2},
      {"Get System Settings", 2}, {"Code Folding Region", 2}, {"Label", 1},
      {"GoTo Label", 1},          {"Get Folder Location", 3}, {"Define Component", 3},
      {"Web Media Block", 3},     {"If", 4},                  {"Apply Changes", 4},
      {"MessageBox", 5},          {"Replace String", 5},      {"Display Dialog", 6},
      {"Create Shortcut", 9},     {"Else", 0},                {"End", 0},
      {"Wizard Loop", 0},         {"Hide Dialog", 0},         {"Terminate Install", 0},
      {"Transform Instance", 0},  {"Reboot Computer", 0},     {"Reboot and Resume", 0},
      {"Compiler Variable End", 0},
  };
  if (plugin) return 2;
  auto found = kCounts.find(command);
  if (found == kCounts.end()) return std::nullopt;
  return found->second;
}

bool OpensBlock(std::string_view command) { return command == "If" || command == "Wizard Loop"; }

bool ContinuesBlock(std::string_view command) { return command == "Else" || command == "Else If"; }

}  // namespace quillset::build
