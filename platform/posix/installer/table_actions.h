// The smaller tables: Shortcut (a freedesktop .desktop file in the shortcut's folder),
// Environment (the variables in the registry, as Windows keeps them) and IniFile.
#pragma once

#include "platform/posix/installer/script.h"

namespace quillset::platform::posix::installer {

ScriptAction PlanCreateShortcuts(InstallContext& context);
ScriptAction PlanRemoveShortcuts(InstallContext& context);
ScriptAction PlanWriteEnvironment(InstallContext& context);
ScriptAction PlanRemoveEnvironment(InstallContext& context);
ScriptAction PlanWriteIniValues(InstallContext& context);
ScriptAction PlanRemoveIniValues(InstallContext& context);

// INI text edits: the value of key in section set (create_only: only when the key is
// missing), or the line removed when it holds value.
std::string IniSet(const std::string& text, const std::string& section, const std::string& key,
                   const std::string& value, bool create_only);
std::string IniRemove(const std::string& text, const std::string& section, const std::string& key,
                      const std::string& value);

}  // namespace quillset::platform::posix::installer
