// The arithmetic of "Mathematics": 64-bit signed integers written as decimal text.
#pragma once

#include <string>

#include "commands/random.h"

namespace quillset::commands {

// The result of the operation (its number as text) on the expanded operands. Operands are read
// only where the operation uses them; a text that is not an integer, a division or remainder
// by zero or an overflowing division, and an operation number outside 0 to 15 give the empty
// text.
std::string Calculate(const std::string& a, const std::string& b, const std::string& operation,
                      RandomGenerator& random);

}  // namespace quillset::commands
