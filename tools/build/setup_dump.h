// Turns an existing setup back into a project: finds the script appended to the engine, loads
// it, and describes it in the project format with every identifier and header fixed, so that
// building the result gives the same script.
#pragma once

#include <string>

#include "script/loaded_script.h"
#include "tools/build/project.h"

namespace quillset::build {

// Raises BuildError when the file holds no script.
script::LoadedScript ReadSetupScript(const std::string& setup_path);

// The project of a loaded script. The setup's files are named as they sit beside it: package
// <base>.msi (or .msp when only that one exists) and the support folder "support".
Project ProjectFromScript(const script::LoadedScript& script, const std::string& setup_path);

}  // namespace quillset::build
