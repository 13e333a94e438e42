// Turns a project into the compiled setup script: eleven sections of CR LF lines, each ending
// with a "$" line. Identifiers, codes and headers the project leaves open are drawn fresh.
#pragma once

#include <string>

#include "tools/build/identity_source.h"
#include "tools/build/project.h"

namespace quillset::build {

// Raises BuildError at the statement's line for duplicate identifiers or headers, a parameter
// count that the command does not take, and unbalanced blocks.
std::string CompileScript(const Project& project, IdentitySource& identities);

}  // namespace quillset::build
