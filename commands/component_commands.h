// The commands that change only the component model: "Define Component", "Delete Component",
// "Get Component State", "Set Component State", "Get Component Space", "Set Component Space",
// "Set Component Choice", "Set Component Visibility", and the feature selection files of
// "Save Feature Selections" and "Load Feature Selections". Names are translated; truth
// parameters are read as stored, without substitution. Naming an undefined component changes
// nothing and is no error.
#pragma once

#include "commands/statement.h"

namespace quillset::commands {

void RegisterComponentCommands(CommandTable& table);

}  // namespace quillset::commands
