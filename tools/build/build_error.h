// The one error the builder raises: a message tied to a file and, where known, a line of it.
#pragma once

#include <stdexcept>
#include <string>

namespace quillset::build {

class BuildError : public std::runtime_error {
 public:
  // line 0: the message concerns the file as a whole.
  BuildError(const std::string& file, int line, const std::string& message)
      : std::runtime_error(file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " +
                           message) {}
};

}  // namespace quillset::build
