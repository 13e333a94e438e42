// Writes a setup to disk: the engine with the compiled script appended, the support folder
// packed as <base>.res, the package as <base>.msi or .msp, and zep.lib from beside the engine.
#pragma once

#include <string>

#include "tools/build/project.h"

namespace quillset::build {

// Checks every input before it writes anything; raises BuildError naming the project line of a
// missing package or support folder, or the missing engine file.
void WriteSetup(const Project& project, const std::string& script, const std::string& engine,
                const std::string& out_dir);

}  // namespace quillset::build
