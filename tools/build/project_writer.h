// Writes a project in the project format, statements indented by their blocks.
#pragma once

#include <string>

#include "tools/build/project.h"

namespace quillset::build {

// Codes, identifiers and headers present in the project are written as fixed values.
std::string WriteProject(const Project& project, const std::string& heading_comment);

}  // namespace quillset::build
