// Case rules of the engine's names (variables, identifiers, labels, commands' keys): only the
// ASCII letters have a case; every other byte compares as it is.
#pragma once

#include <string>
#include <string_view>

namespace quillset::vars {

char FoldCase(char c);  // ASCII upper case; other bytes unchanged
std::string UpperCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace quillset::vars
