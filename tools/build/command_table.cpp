#include "tools/build/command_table.h"

#include <map>
#include <string>

#include "script/compiler.h"

namespace quillset::build {

bool IsInstallerSide(std::string_view command) { return script::IsInstallerSideCommand(std::string(command)); }

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
