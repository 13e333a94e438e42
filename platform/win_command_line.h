// Windows' argument rules: arguments are separated by blanks and tabs; a double quote starts
// or ends a quoted part in which blanks belong to the argument; 2n backslashes before a double
// quote give n backslashes and the quote delimits, 2n+1 give n backslashes and a literal
// quote; inside a quoted part a doubled quote is a literal quote; other backslashes are
// literal. Argument 0, the program, ends at the first blank, or when it starts with a quote,
// at the next quote.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillset::platform {

// The arguments of a command line, argument 0 (the program) first.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

}  // namespace quillset::platform
