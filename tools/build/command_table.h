// What the builder knows of commands: which are carried out by the installer (they get a command
// header), and how many parameters the common templates give a command.
#pragma once

#include <optional>
#include <string_view>

namespace quillset::build {

bool IsInstallerSide(std::string_view command);

// The fixed parameter count of a command, or nullopt when any count is fine.
std::optional<size_t> FixedParameterCount(std::string_view command, bool plugin);

// Commands that open a block closed by "End", and those that continue one.
bool OpensBlock(std::string_view command);
bool ContinuesBlock(std::string_view command);

}  // namespace quillset::build
