// "Transform Instance": a run over an installed product becomes a new instance of it, with its
// own product code and package code; the next installer runs write them into the package.
#pragma once

#include "commands/statement.h"

namespace quillset::commands {

void RegisterInstanceCommands(CommandTable& table);

}  // namespace quillset::commands
