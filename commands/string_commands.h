// The commands that compute text values into variables: "Set Variable", "Replace String",
// "Parse String", "Convert Case", "Convert Path", "Extract Path", "Mathematics",
// "Get Temporary File" and "Get Environment". A missing variable reads as the empty text;
// only a mode or part number that is no integer, and a published PROGRESS that is no integer,
// fail the statement.
#pragma once

#include "commands/statement.h"

namespace quillset::commands {

void RegisterStringCommands(CommandTable& table);

}  // namespace quillset::commands
