// Reads a setup project file (format: docs/setup-project.md).
#pragma once

#include <string>
#include <string_view>

#include "tools/build/project.h"

namespace quillset::build {

// Parses the project text; file names the project in messages. Raises BuildError with the line
// of the first fault.
Project ReadProject(std::string_view text, const std::string& file);

// Reads and parses the project file.
Project ReadProjectFile(const std::string& path);

}  // namespace quillset::build
