// The statements whose changes the installer package carries out ("Install Files", "Write
// Registry", "Create Shortcut" and the others). Reaching one changes nothing on the machine: it
// records, under the statement's command header H, the reached property "A" + H = "TRUE" and
// the run-time values of some parameters as "P" + H + "_" + k, in the pending property list and
// the parameter file, marks the statement reached in the deferral list, and for shortcuts and
// advertised file types adds the texts to patch into the package. Nothing is ever replaced: a
// statement reached twice leaves two sets of entries, and the later ones win in the package.
#pragma once

#include <string>

#include "commands/statement.h"

namespace quillset::commands {

void RegisterInstallerSideCommands(CommandTable& table);

// The name line of a shortcut edit: the first six characters of the name, trimmed of blanks and
// control characters, then "~1|" and the whole name ("Uninst~1|Uninstall Product").
std::string ShortcutNameLine(const std::string& name);

}  // namespace quillset::commands
