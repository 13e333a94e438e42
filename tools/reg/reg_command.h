// The verbs of the reg command over a Registry: query, add, delete, export, import.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace quillset::reg {

struct Console {
  std::istream& in;  // answers to "overwrite?" questions
  std::ostream& out;
  std::ostream& err;
};

// Runs one command line (without the program name); answers the exit code: 0 on success, 1 on
// failure.
int RunReg(const std::vector<std::string>& arguments, platform::Registry& registry, Console& console);

}  // namespace quillset::reg
